#include "server/db/schema.h"

#include "server/core/text.h"
#include "server/db/sql_script.h"

#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

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

// PostgreSQL: a relation of the current schema, as the server's statements name them unqualified.
const std::string in_current_schema =
    " AND relnamespace = (SELECT oid FROM pg_namespace WHERE nspname = current_schema())";

// Tables (and views) of the database, of one name (upper case) or all. PostgreSQL's catalog is
// read directly: information_schema's views cost milliseconds to plan on a new session, at every
// start of the program.
long long count_tables(Sql& sql, std::string_view name_filter) {
    const bool all = name_filter.empty();
    std::optional<SqlValue> n;
    if (sql.engine() == Engine::sqlite) {
        n = all ? sql.scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'")
                : sql.scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND "
                             "UPPER(name) = :name",
                             {{"name", std::string(name_filter)}});
    } else {
        static const std::string tables =
            "SELECT COUNT(*) FROM pg_class WHERE relkind IN ('r', 'p', 'v', 'm', 'f')" +
            in_current_schema;
        n = all ? sql.scalar(tables)
                : sql.scalar(tables + " AND UPPER(relname) = :name",
                             {{"name", std::string(name_filter)}});
    }
    return n ? as_integer(*n) : 0;
}

} // namespace

bool database_is_empty(Sql& sql) {
    return count_tables(sql, "") == 0;
}

bool object_exists(Sql& sql, const std::string& name) {
    static const std::string postgresql =
        "SELECT COUNT(*) FROM pg_class WHERE UPPER(relname) = UPPER(:name)" + in_current_schema;
    const std::string_view query =
        sql.engine() == Engine::sqlite
            ? "SELECT COUNT(*) FROM sqlite_master WHERE UPPER(name) = UPPER(:name)"
            : std::string_view(postgresql);
    const std::optional<SqlValue> n = sql.scalar(query, {{"name", name}});
    return n && as_integer(*n) > 0;
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
// after the first version, indexes given up since, and storage settings.
bool runs_again(const std::string& statement) {
    const std::string text = upper_ascii(statement);
    return text.starts_with("CREATE TABLE IF NOT EXISTS") ||
           text.starts_with("CREATE INDEX IF NOT EXISTS") ||
           text.starts_with("DROP INDEX IF EXISTS") ||
           (text.starts_with("ALTER TABLE") && (text.find(" SET (") != std::string::npos ||
                                                text.find(" ADD COLUMN ") != std::string::npos));
}

// The word of `text` (upper case) that starts at `at`, ending at a blank or a parenthesis.
std::string word_at(const std::string& text, std::size_t at) {
    const std::size_t end = text.find_first_of(" \t\r\n(", at);
    return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// The table has the column (both upper case) already.
bool column_exists(Sql& sql, const std::string& table, const std::string& column) {
    static const std::string postgresql =
        "SELECT COUNT(*) FROM pg_attribute WHERE UPPER(attname) = :col AND attnum > 0 AND NOT "
        "attisdropped AND attrelid = (SELECT oid FROM pg_class WHERE UPPER(relname) = :tab" +
        in_current_schema + ")";
    const std::string_view query =
        sql.engine() == Engine::sqlite
            ? "SELECT COUNT(*) FROM pragma_table_info(:tab) WHERE UPPER(name) = :col"
            : std::string_view(postgresql);
    const std::optional<SqlValue> n = sql.scalar(query, {{"tab", table}, {"col", column}});
    return n && as_integer(*n) > 0;
}

// PostgreSQL: every "name=value" of the "SET (...)" of an ALTER TABLE is the table's already.
bool settings_in_effect(Sql& sql, const std::string& text) {
    const std::string table = word_at(text, std::string_view("ALTER TABLE ").size());
    const std::size_t open = text.find(" SET (");
    const std::size_t close = text.find(')', open);
    if (sql.engine() != Engine::postgresql || close == std::string::npos) {
        return false;
    }
    std::string list = text.substr(open + 6, close - open - 6);
    std::size_t from = 0;
    while (from <= list.size()) {
        std::size_t comma = list.find(',', from);
        if (comma == std::string::npos) {
            comma = list.size();
        }
        std::string setting;
        for (char c : list.substr(from, comma - from)) {
            if (c != ' ') {
                setting += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            }
        }
        static const std::string query =
            "SELECT COUNT(*) FROM pg_class WHERE UPPER(relname) = :name AND :setting = "
            "ANY(reloptions)" +
            in_current_schema;
        const std::optional<SqlValue> n =
            sql.scalar(query, {{"name", table}, {"setting", setting}});
        if (!n || as_integer(*n) == 0) {
            return false;
        }
        from = comma + 1;
    }
    return true;
}

// What the statement makes is there already. Run again, it would still lock its table (and an
// ALTER rewrites the table's catalog row, so that every session plans its statements on the
// table again) at each start of a server or of the program, among users at work.
bool in_effect(Sql& sql, const std::string& statement) {
    const std::string text = upper_ascii(trim(statement));
    for (std::string_view create : {"CREATE TABLE IF NOT EXISTS ", "CREATE INDEX IF NOT EXISTS "}) {
        if (text.starts_with(create)) {
            return object_exists(sql, word_at(text, create.size()));
        }
    }
    if (constexpr std::string_view drop = "DROP INDEX IF EXISTS "; text.starts_with(drop)) {
        return !object_exists(sql, word_at(text, drop.size()));
    }
    constexpr std::string_view add = " ADD COLUMN ";
    if (const std::size_t at = text.find(add); at != std::string::npos) {
        return column_exists(sql, word_at(text, std::string_view("ALTER TABLE ").size()),
                             word_at(text, at + add.size()));
    }
    return settings_in_effect(sql, text);
}

} // namespace

void upgrade_schema(Database& db) {
    Database::Lease lease(db);
    Sql& sql = lease.sql();
    std::vector<std::string> due;
    for (auto& statement : split_sql_script(schema_script(sql.engine()))) {
        if (runs_again(statement) && !in_effect(sql, statement)) {
            due.push_back(std::move(statement));
        }
    }
    if (due.empty()) {
        return; // nothing written, no lock taken
    }
    Transaction tx(sql, true);
    for (const auto& statement : due) {
        sql.exec_once(statement);
    }
    tx.commit();
}

} // namespace ct::server
