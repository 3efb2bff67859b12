#include "platform/db/connection.h"

#include "platform/db/db_error.h"
#include "platform/db/pg_url.h"

#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

namespace ct::db {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// SOCI reads "key=value" pairs; a value with blanks or quotes must be quoted.
std::string quotedValue(std::string_view value) {
    std::string out = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

} // namespace

Connection::Connection() = default;

Connection::Connection(const std::string& url) {
    open(url);
}

Connection::~Connection() = default;

void Connection::open(const std::string& url) {
    close();
    try {
        if (startsWith(url, "sqlite:") || startsWith(url, "sqlite3:")) {
            const std::string path = url.substr(url.find(':') + 1);
            if (path.empty())
                throw DbError("Endereço de banco de dados sem o caminho do arquivo: " + url);
            session_ = std::make_unique<soci::session>(soci::sqlite3,
                                                       "db=" + quotedValue(path) + " readonly=1");
        } else if (startsWith(url, "postgresql://") || startsWith(url, "postgres://")) {
            // SOCI would mangle a URL; libpq keywords pass through it intact.
            session_ = std::make_unique<soci::session>(soci::postgresql, postgresKeywords(url));
            *session_ << "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY";
        } else {
            throw DbError("Endereço de banco de dados não reconhecido: " + url +
                          " (use sqlite:CAMINHO ou postgresql://usuario@servidor:porta/banco).");
        }
    } catch (const DbError&) {
        session_.reset();
        throw;
    } catch (const std::exception& e) {
        session_.reset();
        throw DbError("Não foi possível abrir o banco de dados " + url + ": " + e.what());
    }
    url_ = url;
}

void Connection::close() {
    session_.reset();
    url_.clear();
}

soci::session& Connection::session() {
    if (!session_)
        throw DbError("A conexão com o banco de dados não está aberta.");
    return *session_;
}

Connection& sharedConnection() {
    static Connection shared;
    return shared;
}

} // namespace ct::db
