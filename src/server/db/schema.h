#pragma once

#include "server/db/database.h"

#include <string>
#include <string_view>

namespace ct::server {

// The schema and demo data files of db/, built into the program.
std::string_view schema_script(Engine engine);
std::string_view demo_script();

// True when the database (its current schema on PostgreSQL) holds no table at all.
bool database_is_empty(Sql& sql);
// True when the server's tables are there.
bool schema_present(Sql& sql);
// True when the database (its current schema on PostgreSQL) holds a table or index of this name.
bool object_exists(Sql& sql, const std::string& name);

// Creates the schema and loads the demo data in one transaction; refuses (std::runtime_error) a
// database that holds anything.
void install_demo(Database& db);
// Creates the schema alone (a database of the office's own data), with the same refusal.
void install_schema(Database& db);
// Adds to a database made by an earlier version the tables it lacks: the schema's statements
// written "IF NOT EXISTS" run again (operators, sessions, audit), and storage settings it lacks are
// set. A database that lacks nothing is not written to.
void upgrade_schema(Database& db);

} // namespace ct::server
