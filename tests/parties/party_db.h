#pragma once

#include "module/module_entry.h"
#include "platform/db/connection.h"
#include "server/db/database.h"

#include <string>

namespace ct::testing {

// Direct SQL on the test's demo database, behind the screen's back (another user, or a check of
// what the server stored).
inline server::ResultSet queryDemo(const std::string& sql, const server::SqlParams& params = {}) {
    server::Database db(server::DatabaseUrl::parse(databaseConnection().url()), 1);
    server::Database::Lease lease(db);
    return lease.sql().query(sql, params);
}

inline long long execDemo(const std::string& sql, const server::SqlParams& params = {}) {
    server::Database db(server::DatabaseUrl::parse(databaseConnection().url()), 1);
    server::Database::Lease lease(db);
    return lease.sql().exec(sql, params);
}

// A stored party of budget 0001/0000000100/00 by its number.
inline server::ResultSet storedParty(const std::string& number) {
    return queryDemo("SELECT * FROM ENDECONTORCA WHERE CDFILIAL = '0001' AND "
                     "NRORCAEVENTO = '0000000100' AND NRSEQORCAEVE = '00' AND "
                     "NRENDCLIORCEVE = :n",
                     {{"n", number}});
}

} // namespace ct::testing
