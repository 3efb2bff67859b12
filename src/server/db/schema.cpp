#include "server/db/schema.h"

#include "server/core/text.h"
#include "server/db/sql_script.h"

#include <stdexcept>

namespace ct::server {

namespace embedded {
extern const char* const schema_sqlite;
extern const char* const schema_postgresql;
extern const char* const demo;
} // namespace embedded

std::string_view schema_script(Engine engine) {
    return engine == Engine::sqlite ? embedded::schema_sqlite : embedded::schema_postgresql;
}

std::string_view demo_script() {
    return embedded::demo;
}

namespace {

long long count_tables(Sql& sql, std::string_view name_filter) {
    const bool all = name_filter.empty();
    std::optional<SqlValue> n;
    if (sql.engine() == Engine::sqlite) {
        n = all ? sql.scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'")
                : sql.scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND "
                             "UPPER(name) = :name",
                             {{"name", std::string(name_filter)}});
    } else {
        n = all ? sql.scalar("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema "
                             "= current_schema()")
                : sql.scalar("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema "
                             "= current_schema() AND UPPER(table_name) = :name",
                             {{"name", std::string(name_filter)}});
    }
    return n ? as_integer(*n) : 0;
}

} // namespace

bool database_is_empty(Sql& sql) {
    return count_tables(sql, "") == 0;
}

bool schema_present(Sql& sql) {
    return count_tables(sql, "ENDECONTORCA") > 0;
}

namespace {

void install(Database& db, bool demo) {
    Database::Lease lease(db);
    Sql& sql = lease.sql();
    Transaction tx(sql, true);
    if (!database_is_empty(sql)) {
        throw std::runtime_error(
            std::string(demo ? "--demo" : "init") +
            " needs an empty database, and this one already holds tables: " + db.url().display);
    }
    run_sql_script(sql, schema_script(sql.engine()));
    if (demo) {
        run_sql_script(sql, demo_script());
    }
    tx.commit();
}

} // namespace

void install_demo(Database& db) {
    install(db, true);
}

void install_schema(Database& db) {
    install(db, false);
}

namespace {

// Statements that may run again on a database that already has them: tables and indexes added
// after the first version, and storage settings.
bool runs_again(const std::string& statement) {
    const std::string text = upper_ascii(statement);
    return text.starts_with("CREATE TABLE IF NOT EXISTS") ||
           text.starts_with("CREATE INDEX IF NOT EXISTS") ||
           (text.starts_with("ALTER TABLE") && text.find(" SET (") != std::string::npos);
}

} // namespace

void upgrade_schema(Database& db) {
    Database::Lease lease(db);
    Sql& sql = lease.sql();
    Transaction tx(sql, true);
    for (const auto& statement : split_sql_script(schema_script(sql.engine()))) {
        if (runs_again(statement)) {
            sql.exec_once(statement);
        }
    }
    tx.commit();
}

} // namespace ct::server
