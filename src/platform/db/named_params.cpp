#include "platform/db/named_params.h"

#include <algorithm>
#include <cctype>

namespace ct::db {
namespace {

bool isNameStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Index just past a quoted run that starts at `i` with `quote` (doubled quotes stay inside).
std::size_t skipQuoted(std::string_view sql, std::size_t i, char quote) {
    ++i;
    while (i < sql.size()) {
        if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

// Index just past a comment starting at `i`, or `i` when none starts there.
std::size_t skipComment(std::string_view sql, std::size_t i) {
    if (sql.substr(i, 2) == "--") {
        const auto end = sql.find('\n', i);
        return end == std::string_view::npos ? sql.size() : end + 1;
    }
    if (sql.substr(i, 2) == "/*") {
        const auto end = sql.find("*/", i + 2);
        return end == std::string_view::npos ? sql.size() : end + 2;
    }
    return i;
}

} // namespace

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

NamedParams NamedParams::parse(std::string_view sql) {
    NamedParams out;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            const std::size_t end = skipQuoted(sql, i, c);
            out.positionalSql.append(sql.substr(i, end - i));
            i = end;
            continue;
        }
        if (const std::size_t end = skipComment(sql, i); end != i) {
            out.positionalSql.append(sql.substr(i, end - i));
            i = end;
            continue;
        }
        if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
            out.positionalSql += "::";
            i += 2;
            continue;
        }
        if (c == ':' && i + 1 < sql.size() && isNameStart(sql[i + 1])) {
            std::size_t end = i + 1;
            while (end < sql.size() && isNameChar(sql[end]))
                ++end;
            std::string name(sql.substr(i + 1, end - i - 1));
            out.occurrences.push_back(name);
            if (std::none_of(out.names.begin(), out.names.end(),
                             [&](const std::string& known) { return sameName(known, name); }))
                out.names.push_back(name);
            out.positionalSql += ":p" + std::to_string(out.occurrences.size());
            i = end;
            continue;
        }
        out.positionalSql += c;
        ++i;
    }
    return out;
}

bool isReadOnlyStatement(std::string_view sql) {
    std::size_t i = 0;
    while (i < sql.size()) {
        if (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '(') {
            ++i;
            continue;
        }
        const std::size_t end = skipComment(sql, i);
        if (end == i)
            break;
        i = end;
    }
    std::size_t end = i;
    while (end < sql.size() && isNameChar(sql[end]))
        ++end;
    const std::string_view word = sql.substr(i, end - i);
    return sameName(word, "SELECT") || sameName(word, "WITH");
}

} // namespace ct::db
