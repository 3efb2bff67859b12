#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ct::db {

// SQL text with its ":NAME" parameters found. Each occurrence is replaced by a positional
// placeholder of its own (":p1", ":p2", ...), so a name used twice is bound twice. Quoted texts,
// quoted identifiers, comments and PostgreSQL "::" casts are left alone.
struct NamedParams {
    std::string positionalSql;
    std::vector<std::string> occurrences; // parameter name of each placeholder, in order
    std::vector<std::string> names;       // each name once, in order of first use

    static NamedParams parse(std::string_view sql);
};

// Names compare without regard to letter case.
bool sameName(std::string_view a, std::string_view b);

// True when the statement only reads (starts with SELECT or WITH, after comments).
bool isReadOnlyStatement(std::string_view sql);

} // namespace ct::db
