#include "classlist/import_plan.h"

#include <map>

namespace ct::classlist {
namespace {

// A count of invitations: empty is none; a whole number, "2" or "2,0" as spreadsheets write it.
std::optional<int> readCount(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return 0;
    std::string digits = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (const auto comma = digits.find_first_of(",."); comma != std::string::npos) {
        if (digits.find_first_not_of('0', comma + 1) != std::string::npos)
            return std::nullopt;
        digits.resize(comma);
    }
    if (digits.empty() || digits.size() > 4 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(digits);
}

} // namespace

std::string PlannedParty::clientCode() const {
    return client ? client->code : inscription.personType + inscription.digits;
}

std::string PlannedParty::problemText() const {
    switch (problem) {
    case RowProblem::None:
        return {};
    case RowProblem::NoInscription:
        return "CPF/CNPJ não informado";
    case RowProblem::InvalidInscription:
        return "CPF/CNPJ inválido";
    case RowProblem::InvalidCount:
        return "Quantidade de convites inválida";
    case RowProblem::RepeatedInList:
        return "Repetido na lista (linha " + std::to_string(firstLine) + ")";
    case RowProblem::AlreadyParty:
        return "Já é contratante do orçamento";
    case RowProblem::NoName:
        return "Nome não informado (cliente não cadastrado)";
    }
    return {};
}

int ImportPlan::acceptedCount() const {
    int count = 0;
    for (const PlannedParty& row : rows)
        count += row.accepted();
    return count;
}

ImportPlan planImport(const std::vector<ClassListEntry>& entries, ImportLookups& lookups) {
    ImportPlan plan;
    std::map<std::string, int> firstLines; // inscription digits -> line
    for (const ClassListEntry& entry : entries) {
        PlannedParty row;
        row.entry = entry;
        const auto adults = readCount(entry.adults);
        const auto children = readCount(entry.children);
        const auto inscription = readInscription(entry.inscription);
        if (entry.inscription.empty()) {
            row.problem = RowProblem::NoInscription;
        } else if (!inscription) {
            row.problem = RowProblem::InvalidInscription;
        } else if (!adults || !children) {
            row.problem = RowProblem::InvalidCount;
        } else if (const auto [at, fresh] = firstLines.emplace(inscription->digits, entry.line);
                   !fresh) {
            row.problem = RowProblem::RepeatedInList;
            row.firstLine = at->second;
        }
        if (inscription)
            row.inscription = *inscription;
        row.adults = adults.value_or(0);
        row.children = children.value_or(0);
        if (row.accepted()) {
            row.client = lookups.registeredClient(row.inscription);
            if (lookups.alreadyParty(row.inscription, row.clientCode()))
                row.problem = RowProblem::AlreadyParty;
            else if (!row.client && row.entry.name.empty())
                row.problem = RowProblem::NoName;
        }
        plan.rows.push_back(std::move(row));
    }
    return plan;
}

RowReview importReview(const ImportPlan& plan) {
    RowReview review;
    review.title = "Importar Lista";
    review.columns = {"Inscrição", "Nome", "E-mail", "Telefone", "Adultos", "Crianças"};
    for (const PlannedParty& row : plan.rows) {
        ReviewRow shown;
        shown.line = row.entry.line;
        shown.cells = {row.accepted() ? maskedInscription(row.inscription) : row.entry.inscription,
                       row.accepted() ? row.name() : row.entry.name,
                       row.entry.email,
                       row.entry.phone,
                       row.entry.adults,
                       row.entry.children};
        shown.problem = row.problemText();
        if (row.accepted())
            shown.note = row.client ? "Cliente cadastrado" : "Cliente novo";
        review.rows.push_back(std::move(shown));
    }
    const int accepted = plan.acceptedCount();
    const int refused = plan.refusedCount();
    review.summary = std::to_string(accepted) + (accepted == 1 ? " contratante será incluído"
                                                               : " contratantes serão incluídos");
    if (refused > 0)
        review.summary += "; " + std::to_string(refused) +
                          (refused == 1 ? " linha com problema fica de fora"
                                        : " linhas com problema ficam de fora");
    review.summary += ".";
    review.acceptCaption = "Importar";
    return review;
}

} // namespace ct::classlist
