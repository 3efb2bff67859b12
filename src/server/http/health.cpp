#include "server/http/health.h"

#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>

namespace ct::server {

const char* server_version() {
    return CT_VERSION;
}

HealthAnswer health(Database& db, bool sign_in, bool tls) {
    bool reachable = false;
    try {
        Database::Lease lease(db);
        Sql& sql = lease.sql();
        try {
            reachable = sql.scalar("SELECT 1").has_value();
        } catch (const std::exception&) {
            // A session lost with a restarted database is opened again once.
            reachable = sql.reopen_if_lost() && sql.scalar("SELECT 1").has_value();
        }
    } catch (const std::exception& e) {
        spdlog::warn("health: the database does not answer: {}", e.what());
    }
    const nlohmann::json body = {{"status", reachable ? "ok" : "failing"},
                                 {"version", server_version()},
                                 {"database", reachable ? "ok" : "unreachable"},
                                 {"sign_in", sign_in},
                                 {"tls", tls}};
    return {reachable ? 200 : 503, body.dump()};
}

} // namespace ct::server
