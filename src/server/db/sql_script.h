#pragma once

#include "server/db/sql.h"

#include <string>
#include <string_view>
#include <vector>

namespace ct::server {

// Statements of a script separated by ";" (outside quotes), "--" comments removed.
std::vector<std::string> split_sql_script(std::string_view script);
void run_sql_script(Sql& sql, std::string_view script);

} // namespace ct::server
