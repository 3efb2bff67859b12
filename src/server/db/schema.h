#pragma once

#include "server/db/database.h"

#include <string_view>

namespace ct::server {

// The schema and demo data files of db/, built into the program.
std::string_view schema_script(Engine engine);
std::string_view demo_script();

// True when the database (its current schema on PostgreSQL) holds no table at all.
bool database_is_empty(Sql& sql);
// True when the server's tables are there.
bool schema_present(Sql& sql);

// Creates the schema and loads the demo data in one transaction; refuses (std::runtime_error) a
// database that holds anything.
void install_demo(Database& db);

} // namespace ct::server
