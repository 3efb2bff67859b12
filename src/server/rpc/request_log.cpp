#include "server/rpc/request_log.h"

#include "server/core/errors.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/db/sql_script.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <fmt/format.h>

namespace ct::server {
namespace {

constexpr int kept_days = 2;

std::string timestamp(std::time_t when) {
    std::tm t{};
    gmtime_r(&when, &t);
    return fmt::format("{:04d}-{:02d}-{:02d}T{:02d}:{:02d}:{:02d}", t.tm_year + 1900, t.tm_mon + 1,
                       t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

void purge(Sql& sql) {
    sql.exec("DELETE FROM CHAMADAGRAVADA WHERE DTCHAMADA < :limite",
             {{"limite", timestamp(std::time(nullptr) - kept_days * 86400)}});
}

// Old keys go within the hour, by the writing call that finds the hour passed.
bool purge_due() {
    static std::atomic<long long> next{0};
    const long long now = std::time(nullptr);
    long long due = next.load();
    return now >= due && next.compare_exchange_strong(due, now + 3600);
}

} // namespace

std::optional<std::string> RequestLog::claim(Sql& sql, std::string_view key,
                                             std::string_view method, std::uint64_t fingerprint) {
    if (purge_due()) {
        purge(sql);
    }
    const std::string summary = fmt::format("{:016x}", fingerprint);
    const long long claimed = sql.exec(
        "INSERT INTO CHAMADAGRAVADA (IDCHAMADA, NMMETODO, CDRESUMO, DTCHAMADA) VALUES (:id, :met, "
        ":res, :dt) ON CONFLICT (IDCHAMADA) DO NOTHING",
        {{"id", std::string(key)},
         {"met", std::string(method)},
         {"res", summary},
         {"dt", timestamp(std::time(nullptr))}});
    if (claimed == 1) {
        return std::nullopt;
    }
    ResultSet first = sql.query(
        "SELECT NMMETODO, CDRESUMO, DSRESULTADO FROM CHAMADAGRAVADA WHERE IDCHAMADA = :id",
        {{"id", std::string(key)}});
    if (first.empty() || first.text(0, "NMMETODO") != method ||
        first.text(0, "CDRESUMO") != summary) {
        throw RpcError(rpc_code::invalid_request,
                       "a chave de requisição (Idempotency-Key) já foi usada por outra chamada");
    }
    return first.text(0, "DSRESULTADO");
}

void RequestLog::record(Sql& sql, std::string_view key, const std::string& result) {
    sql.exec("UPDATE CHAMADAGRAVADA SET DSRESULTADO = :r WHERE IDCHAMADA = :id",
             {{"r", result}, {"id", std::string(key)}});
}

void RequestLog::prepare(Database& db) {
    Database::Lease lease(db);
    Sql& sql = lease.sql();
    // With the table there and nothing old, nothing is written: a start never waits for another
    // user's save. Ordered by date, so that PostgreSQL's plan reads the date's index, not the
    // table.
    if (object_exists(sql, "CHAMADAGRAVADA") &&
        !sql.scalar("SELECT DTCHAMADA FROM CHAMADAGRAVADA WHERE DTCHAMADA < :limite ORDER BY "
                    "DTCHAMADA LIMIT 1",
                    {{"limite", timestamp(std::time(nullptr) - kept_days * 86400)}})) {
        return;
    }
    Transaction tx(sql, true);
    // The statements of the schema file that make the table, run again (they say IF NOT EXISTS).
    for (const auto& statement : split_sql_script(schema_script(sql.engine()))) {
        if (statement.find("CHAMADAGRAVADA") != std::string::npos) {
            sql.exec_once(statement);
        }
    }
    purge(sql);
    tx.commit();
}

} // namespace ct::server
