#include "server/db/sql_script.h"

#include "server/core/text.h"

namespace ct::server {

std::vector<std::string> split_sql_script(std::string_view script) {
    std::vector<std::string> out;
    std::string current;
    bool in_quote = false;
    for (std::size_t i = 0; i < script.size(); ++i) {
        const char c = script[i];
        if (in_quote) {
            current += c;
            if (c == '\'') {
                in_quote = false; // a doubled quote reopens at the next character
            }
            continue;
        }
        if (c == '\'') {
            in_quote = true;
            current += c;
        } else if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
            while (i < script.size() && script[i] != '\n') {
                ++i;
            }
            current += '\n';
        } else if (c == ';') {
            if (!trim(current).empty()) {
                out.push_back(trim(current));
            }
            current.clear();
        } else {
            current += c;
        }
    }
    if (!trim(current).empty()) {
        out.push_back(trim(current));
    }
    return out;
}

void run_sql_script(Sql& sql, std::string_view script) {
    for (const auto& statement : split_sql_script(script)) {
        sql.exec_once(statement);
    }
}

} // namespace ct::server
