#include "classlist/class_list.h"

#include "classlist/delimited_text.h"
#include "platform/ui/utf8.h"

#include <optional>

namespace ct::classlist {
namespace {

enum Column { Inscription, Name, Email, Phone, Adults, Children, ColumnCount };

// A title folded for comparison: lower case, accents off, only letters and digits.
std::string fold(std::string_view title) {
    std::string out;
    for (char32_t ch : utf8::decode(title)) {
        const std::u32string_view from = U"áàâãäéèêëíìîïóòôõöúùûüçÁÀÂÃÄÉÈÊËÍÌÎÏÓÒÔÕÖÚÙÛÜÇ";
        const std::string_view to = "aaaaaeeeeiiiiooooouuuucaaaaaeeeeiiiiooooouuuuc";
        if (const auto at = from.find(ch); at != std::u32string_view::npos)
            ch = static_cast<unsigned char>(to[at]);
        if (ch >= 'A' && ch <= 'Z')
            ch = ch - 'A' + 'a';
        if ((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9'))
            out += static_cast<char>(ch);
    }
    return out;
}

std::optional<Column> columnOfTitle(std::string_view title) {
    struct Known {
        Column column;
        std::initializer_list<std::string_view> titles;
    };
    static const Known known[] = {
        {Inscription, {"inscricao", "cpf", "cnpj", "cpfcnpj", "cpfoucnpj", "documento"}},
        {Name, {"nome", "nomedocontratante", "contratante", "aluno", "formando"}},
        {Email, {"email", "correioeletronico"}},
        {Phone, {"telefone", "fone", "tel", "celular"}},
        {Adults, {"convitesadultos", "adultos", "conviteadulto", "qtconvadicadulto"}},
        {Children, {"convitescriancas", "criancas", "convitecrianca", "qtconvadiccrianca"}},
    };
    const std::string folded = fold(title);
    for (const Known& entry : known)
        for (std::string_view name : entry.titles)
            if (folded == name)
                return entry.column;
    return std::nullopt;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::vector<ClassListEntry> readClassList(std::string_view content) {
    const std::string text = decodeText(content);
    std::vector<Record> records = parseDelimited(text, detectDelimiter(text));
    if (records.empty())
        throw ClassListError("A lista está vazia.");

    std::array<int, ColumnCount> where = {0, 1, 2, 3, 4, 5};
    std::size_t first = 0;
    std::array<int, ColumnCount> named;
    named.fill(-1);
    bool header = false;
    for (std::size_t i = 0; i < records[0].cells.size(); ++i)
        if (const auto column = columnOfTitle(records[0].cells[i]); column && named[*column] < 0) {
            named[*column] = static_cast<int>(i);
            header = true;
        }
    if (header) {
        if (named[Inscription] < 0)
            throw ClassListError("A lista não tem a coluna de inscrição (CPF ou CNPJ).");
        where = named;
        first = 1;
    }

    std::vector<ClassListEntry> entries;
    for (std::size_t r = first; r < records.size(); ++r) {
        const Record& record = records[r];
        auto cell = [&](Column column) {
            const int at = where[column];
            return at >= 0 && static_cast<std::size_t>(at) < record.cells.size()
                       ? trimmed(record.cells[static_cast<std::size_t>(at)])
                       : std::string();
        };
        entries.push_back({record.line, cell(Inscription), cell(Name), cell(Email), cell(Phone),
                           cell(Adults), cell(Children)});
    }
    if (entries.empty())
        throw ClassListError("A lista não tem linhas depois dos títulos.");
    return entries;
}

std::vector<std::vector<std::string>> classListRows(const std::vector<ClassListEntry>& entries) {
    std::vector<std::vector<std::string>> rows;
    rows.emplace_back(classListTitles.begin(), classListTitles.end());
    for (const ClassListEntry& e : entries)
        rows.push_back({e.inscription, e.name, e.email, e.phone, e.adults, e.children});
    return rows;
}

} // namespace ct::classlist
