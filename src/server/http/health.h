#pragma once

#include "server/db/database.h"

#include <string>

namespace ct::server {

// GET /health, for monitoring: 200 and {"status":"ok","version":...,"database":"ok",
// "sign_in":...,"tls":...} when the database answers, 503 with "database":"unreachable" when not.
struct HealthAnswer {
    int status = 200;
    std::string body;
};
HealthAnswer health(Database& db, bool sign_in, bool tls);

// The program's version, as its packages carry it.
const char* server_version();

} // namespace ct::server
