#pragma once

#include "server/db/sql.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ct::server {

class Database;

// Writing calls committed under the client's request key (table CHAMADAGRAVADA), each with its
// answer. Inside the call's transaction: claim() before the method runs, record() before commit,
// so the key is stored if and only if the call's writes are. Two calls under one key at once:
// the second waits for the first (SQLite writers queue at BEGIN; PostgreSQL waits on the key's
// row) and then finds its answer.
class RequestLog {
public:
    // The first answer of a call already committed under this key, or nothing: the key is then
    // this call's. Refuses (RpcError -32600) a key used by another method or other arguments.
    static std::optional<std::string> claim(Sql& sql, std::string_view key, std::string_view method,
                                            std::uint64_t fingerprint);
    static void record(Sql& sql, std::string_view key, const std::string& result);

    // Creates the table on a database made before it, and drops what is older than two days;
    // writes nothing when neither is needed.
    static void prepare(Database& db);
};

} // namespace ct::server
