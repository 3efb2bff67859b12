#include "floors.h"

#include <chrono>
#include <cstdio>
#include <httplib.h>
#include <libpq-fe.h>
#include <map>
#include <sqlite3.h>
#include <stdexcept>
#include <thread>

namespace ct::bench {

EmptyServer::EmptyServer()
    : http_(std::make_unique<httplib::Server>()) {
    http_->set_tcp_nodelay(true);
    http_->set_keep_alive_max_count(1000000);
    http_->Post(".*", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"id":1,"jsonrpc":"2.0","result":{"byref":{},"value":null}})",
                        "application/json");
    });
    port_ = http_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { http_->listen_after_bind(); });
    while (!http_->is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

EmptyServer::~EmptyServer() {
    http_->stop();
    thread_.join();
}

namespace {

class RawSqlite final : public RawEngine {
public:
    explicit RawSqlite(const std::string& path) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
            throw std::runtime_error("cannot open " + path);
        }
        exec("PRAGMA busy_timeout = 15000");
        exec("PRAGMA journal_mode = WAL");
        exec("PRAGMA synchronous = FULL"); // as the server commits
    }
    ~RawSqlite() override {
        for (sqlite3_stmt* st : statements_) {
            sqlite3_finalize(st);
        }
        sqlite3_close(db_);
    }

    int prepare(const std::string& text) override {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, text.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            throw std::runtime_error(sqlite3_errmsg(db_));
        }
        statements_.push_back(st);
        return static_cast<int>(statements_.size() - 1);
    }

    std::size_t run(int statement, const server::SqlParams& params) override {
        sqlite3_stmt* st = statements_.at(static_cast<std::size_t>(statement));
        sqlite3_reset(st);
        for (const auto& p : params) {
            const int i = sqlite3_bind_parameter_index(st, (":" + p.name).c_str());
            if (const auto* d = std::get_if<double>(&p.value)) {
                sqlite3_bind_double(st, i, *d);
            } else if (const auto* n = std::get_if<long long>(&p.value)) {
                sqlite3_bind_int64(st, i, *n);
            } else if (const auto* s = std::get_if<std::string>(&p.value)) {
                sqlite3_bind_text(st, i, s->data(), static_cast<int>(s->size()), SQLITE_STATIC);
            } else {
                sqlite3_bind_null(st, i);
            }
        }
        std::size_t rows = 0;
        int rc = 0;
        volatile std::size_t touched = 0;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            ++rows;
            const int columns = sqlite3_column_count(st);
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(st, c)) {
                case SQLITE_INTEGER:
                    touched = touched + static_cast<std::size_t>(sqlite3_column_int64(st, c));
                    break;
                case SQLITE_FLOAT:
                    touched = touched + static_cast<std::size_t>(sqlite3_column_double(st, c));
                    break;
                case SQLITE_NULL:
                    break;
                default:
                    sqlite3_column_text(st, c);
                    touched = touched + static_cast<std::size_t>(sqlite3_column_bytes(st, c));
                }
            }
        }
        if (rc != SQLITE_DONE) {
            throw std::runtime_error(sqlite3_errmsg(db_));
        }
        sqlite3_reset(st);
        return rows;
    }

    void exec(const std::string& text) override {
        char* error = nullptr;
        if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            std::string message = error ? error : "sqlite3_exec failed";
            sqlite3_free(error);
            throw std::runtime_error(message);
        }
    }

private:
    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> statements_;
};

class RawPostgres final : public RawEngine {
public:
    explicit RawPostgres(const std::string& connect_string)
        : conn_(PQconnectdb(connect_string.c_str())) {
        if (PQstatus(conn_) != CONNECTION_OK) {
            const std::string message = PQerrorMessage(conn_);
            PQfinish(conn_);
            throw std::runtime_error(message);
        }
        exec("SET plan_cache_mode TO force_generic_plan"); // a reused plan, as the server's
    }
    ~RawPostgres() override { PQfinish(conn_); }

    int prepare(const std::string& text) override {
        // ":name" to "$n", in order of first appearance (names in our texts are unique).
        std::string sql;
        std::vector<std::string> names;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == ':' && i + 1 < text.size() && std::isalpha(text[i + 1])) {
                std::size_t j = i + 1;
                while (j < text.size() && (std::isalnum(text[j]) || text[j] == '_')) {
                    ++j;
                }
                names.push_back(text.substr(i + 1, j - i - 1));
                sql += "$" + std::to_string(names.size());
                i = j - 1;
            } else {
                sql += text[i];
            }
        }
        const std::string name = "floor_" + std::to_string(names_.size());
        PGresult* r =
            PQprepare(conn_, name.c_str(), sql.c_str(), static_cast<int>(names.size()), nullptr);
        check(r, PGRES_COMMAND_OK);
        names_.push_back(name);
        params_.push_back(std::move(names));
        return static_cast<int>(names_.size() - 1);
    }

    std::size_t run(int statement, const server::SqlParams& params) override {
        const auto s = static_cast<std::size_t>(statement);
        std::vector<std::string> texts;
        std::vector<const char*> values;
        texts.reserve(params_[s].size());
        for (const std::string& name : params_[s]) {
            const server::SqlParam* found = nullptr;
            for (const auto& p : params) {
                if (p.name == name) {
                    found = &p;
                }
            }
            texts.push_back(found ? server::as_text(found->value) : std::string());
            values.push_back(found && !server::is_null(found->value) ? texts.back().c_str()
                                                                     : nullptr);
        }
        // texts never reallocates after the reserve above: the pointers stay valid
        PGresult* r = PQexecPrepared(conn_, names_[s].c_str(), static_cast<int>(values.size()),
                                     values.data(), nullptr, nullptr, 0);
        const ExecStatusType status = PQresultStatus(r);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            check(r, PGRES_TUPLES_OK);
        }
        const int rows = PQntuples(r);
        const int columns = PQnfields(r);
        volatile std::size_t touched = 0;
        for (int i = 0; i < rows; ++i) {
            for (int c = 0; c < columns; ++c) {
                if (!PQgetisnull(r, i, c)) {
                    touched = touched + static_cast<std::size_t>(PQgetlength(r, i, c)) +
                              static_cast<unsigned char>(*PQgetvalue(r, i, c));
                }
            }
        }
        PQclear(r);
        return static_cast<std::size_t>(rows);
    }

    void exec(const std::string& text) override {
        check(PQexec(conn_, text.c_str()), PGRES_COMMAND_OK);
    }

private:
    void check(PGresult* r, ExecStatusType wanted) {
        if (PQresultStatus(r) != wanted) {
            const std::string message = PQresultErrorMessage(r);
            PQclear(r);
            throw std::runtime_error(message);
        }
        PQclear(r);
    }

    PGconn* conn_;
    std::vector<std::string> names_;
    std::vector<std::vector<std::string>> params_;
};

} // namespace

std::unique_ptr<RawEngine> RawEngine::open(const server::DatabaseUrl& url) {
    if (url.engine == server::Engine::sqlite) {
        return std::make_unique<RawSqlite>(url.path);
    }
    return std::make_unique<RawPostgres>(url.connect_string);
}

KeyedUpdates::KeyedUpdates(RawEngine& raw, bool sqlite, std::string budget, int parties)
    : raw_(raw)
    , begin_(sqlite ? "BEGIN IMMEDIATE" : "BEGIN")
    , budget_(std::move(budget))
    , parties_(parties)
    , statement_(raw.prepare("UPDATE ENDECONTORCA SET VRRECECONTOREV = :vr WHERE CDFILIAL = "
                             "'0001' AND NRORCAEVENTO = :orc AND NRSEQORCAEVE = '00' AND "
                             "NRENDCLIORCEVE = :nr")) {}

double KeyedUpdates::run(double value) {
    server::SqlParams params = {{"vr", value}, {"orc", budget_}, {"nr", std::string()}};
    char number[16];
    const auto start = std::chrono::steady_clock::now();
    raw_.exec(begin_);
    for (int i = 1; i <= parties_; ++i) {
        std::snprintf(number, sizeof number, "%010d", i);
        params.back().value = std::string(number);
        raw_.run(statement_, params);
    }
    raw_.exec("COMMIT");
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace ct::bench
