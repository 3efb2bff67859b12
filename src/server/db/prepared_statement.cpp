#include "server/db/prepared_statement.h"

#include "server/core/text.h"

#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <utility>

namespace ct::server {

struct PreparedStatement::Slot {
    char kind = 's'; // 's' text (or null), 'd' double, 'i' integer
    std::string text;
    double number = 0.0;
    long long integer = 0;
    soci::indicator indicator = soci::i_ok;
};

// A writing statement prepared on the SQLite connection under the session, each parameter bound
// by name as SOCI binds it (":name"), errors thrown as SOCI's so that they are told apart alike.
struct PreparedStatement::SqliteStatement {
    SqliteStatement(soci::session& session, std::string_view text) {
        db = static_cast<soci::sqlite3_session_backend*>(session.get_backend())->conn_;
        const int rc = sqlite_api::sqlite3_prepare_v2(
            db, text.data(), static_cast<int>(text.size()), &stmt, nullptr);
        if (rc != SQLITE_OK) {
            throw soci::sqlite3_soci_error(
                std::string("sqlite3_prepare: ") + sqlite_api::sqlite3_errmsg(db), rc);
        }
    }
    ~SqliteStatement() { sqlite_api::sqlite3_finalize(stmt); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    int index_of(const std::string& name) const {
        const int at = sqlite_api::sqlite3_bind_parameter_index(stmt, (":" + name).c_str());
        if (at == 0) {
            throw soci::soci_error("Cannot bind to (by name) :" + name);
        }
        return at;
    }
    void bind(int at, const Slot& slot);
    void run() {
        const int rc = sqlite_api::sqlite3_step(stmt);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
            const std::string message = sqlite_api::sqlite3_errmsg(db);
            sqlite_api::sqlite3_reset(stmt);
            throw soci::sqlite3_soci_error("sqlite3_step: " + message, rc);
        }
        sqlite_api::sqlite3_reset(stmt); // what it read or locked is let go at once
    }

    sqlite_api::sqlite3* db = nullptr;
    sqlite_api::sqlite3_stmt* stmt = nullptr;
    std::vector<int> index; // per slot
};

void PreparedStatement::SqliteStatement::bind(int at, const Slot& slot) {
    int rc = SQLITE_OK;
    if (slot.indicator == soci::i_null) {
        rc = sqlite_api::sqlite3_bind_null(stmt, at);
    } else if (slot.kind == 'd') {
        rc = sqlite_api::sqlite3_bind_double(stmt, at, slot.number);
    } else if (slot.kind == 'i') {
        rc = sqlite_api::sqlite3_bind_int64(stmt, at, slot.integer);
    } else {
        // The slot keeps its text until the next run binds again.
        rc = sqlite_api::sqlite3_bind_text(stmt, at, slot.text.data(),
                                           static_cast<int>(slot.text.size()), SQLITE_STATIC);
    }
    if (rc != SQLITE_OK) {
        throw soci::sqlite3_soci_error(
            std::string("sqlite3_bind: ") + sqlite_api::sqlite3_errmsg(db), rc);
    }
}

namespace {

char kind_of(const SqlValue& value) {
    if (std::holds_alternative<double>(value)) {
        return 'd';
    }
    if (std::holds_alternative<long long>(value)) {
        return 'i';
    }
    return 's';
}

} // namespace

void PreparedStatement::append_shape(std::string& out, const SqlParams& params) {
    for (const auto& p : params) {
        out += kind_of(p.value);
        out += p.name;
        out += ',';
    }
}

PreparedStatement::PreparedStatement(soci::session& session, Engine engine, Kind kind,
                                     std::string_view text, const SqlParams& params)
    : engine_(engine)
    , kind_(kind)
    , slots_(params.size()) {
    if (engine == Engine::sqlite && kind == Kind::exec) {
        sqlite_ = std::make_unique<SqliteStatement>(session, text);
        for (std::size_t i = 0; i < params.size(); ++i) {
            slots_[i].kind = kind_of(params[i].value);
            sqlite_->index.push_back(sqlite_->index_of(params[i].name));
        }
        return;
    }
    row_ = std::make_unique<soci::row>();
    statement_ = std::make_unique<soci::statement>(session);
    for (std::size_t i = 0; i < params.size(); ++i) {
        Slot& slot = slots_[i];
        slot.kind = kind_of(params[i].value);
        const std::string& name = params[i].name;
        if (slot.kind == 'd') {
            statement_->exchange(soci::use(slot.number, slot.indicator, name));
        } else if (slot.kind == 'i') {
            statement_->exchange(soci::use(slot.integer, slot.indicator, name));
        } else {
            statement_->exchange(soci::use(slot.text, slot.indicator, name));
        }
    }
    if (kind_ == Kind::query) {
        statement_->exchange(soci::into(*row_));
    }
    statement_->alloc();
    statement_->prepare(std::string(text), soci::details::st_repeatable_query);
    statement_->define_and_bind();
}

PreparedStatement::~PreparedStatement() = default;

template <typename Params> void PreparedStatement::bind_values(Params&& params) {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Slot& slot = slots_[i];
        auto& value = params[i].value;
        if (is_null(value)) {
            slot.indicator = soci::i_null;
            continue;
        }
        slot.indicator = soci::i_ok;
        if (slot.kind == 'd') {
            slot.number = std::get<double>(value);
        } else if (slot.kind == 'i') {
            slot.integer = std::get<long long>(value);
        } else if constexpr (std::is_const_v<std::remove_reference_t<Params>>) {
            slot.text = std::get<std::string>(value);
        } else {
            slot.text = std::move(std::get<std::string>(value));
        }
    }
}

bool PreparedStatement::run(const SqlParams& params) {
    bind_values(params);
    return execute();
}

bool PreparedStatement::run(SqlParams&& params) {
    bind_values(params);
    return execute();
}

bool PreparedStatement::execute() {
    if (sqlite_) {
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            sqlite_->bind(sqlite_->index[i], slots_[i]);
        }
        sqlite_->run();
        return false;
    }
    return statement_->execute(true);
}

bool PreparedStatement::fetch() {
    return statement_->fetch();
}

const std::vector<std::string>& PreparedStatement::columns() {
    if (columns_.empty()) {
        columns_.reserve(row_->size());
        for (std::size_t i = 0; i < row_->size(); ++i) {
            columns_.push_back(upper_ascii(row_->get_properties(i).get_name()));
        }
    }
    return columns_;
}

void PreparedStatement::release_result() {
    if (engine_ == Engine::postgresql) {
        static_cast<soci::postgresql_statement_backend*>(statement_->get_backend())
            ->result_.reset();
    }
}

long long PreparedStatement::affected_rows() {
    if (sqlite_) {
        return sqlite_api::sqlite3_changes(sqlite_->db);
    }
    return statement_->get_affected_rows();
}

} // namespace ct::server
