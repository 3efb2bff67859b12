#include "server/db/prepared_statement.h"

#include "server/core/text.h"
#include "server/db/pg_statement.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <fmt/format.h>
#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <utility>

namespace ct::server {

std::optional<ReadKind> sqlite_column_kind(const char* declared) {
    if (declared == nullptr) {
        return ReadKind::text;
    }
    // "NUMERIC(15, 2)" and "DOUBLE PRECISION" are looked up as "numeric" and "doubleprecision".
    std::string name;
    for (const char* c = declared; *c != '\0'; ++c) {
        const auto ch = static_cast<unsigned char>(*c);
        if (std::isspace(ch)) {
            continue;
        }
        if (!std::isalnum(ch)) {
            break;
        }
        name += static_cast<char>(std::tolower(ch));
    }
    struct Named {
        const char* name;
        ReadKind kind;
    };
    // Only the names whose reading by SOCI was checked; dates and the rest stay with SOCI.
    static constexpr Named known[] = {
        {"text", ReadKind::text},       {"varchar", ReadKind::text},
        {"char", ReadKind::text},       {"character", ReadKind::text},
        {"nvarchar", ReadKind::text},   {"nchar", ReadKind::text},
        {"clob", ReadKind::text},       {"numeric", ReadKind::real},
        {"decimal", ReadKind::real},    {"real", ReadKind::real},
        {"double", ReadKind::real},     {"doubleprecision", ReadKind::real},
        {"float", ReadKind::real},      {"number", ReadKind::real},
        {"int", ReadKind::int32},       {"integer", ReadKind::int32},
        {"smallint", ReadKind::int32},  {"tinyint", ReadKind::int32},
        {"mediumint", ReadKind::int32}, {"int2", ReadKind::int32},
        {"boolean", ReadKind::int32},   {"bigint", ReadKind::int64},
        {"int8", ReadKind::int64},
    };
    const auto* found = std::find_if(std::begin(known), std::end(known),
                                     [&](const Named& n) { return name == n.name; });
    if (found == std::end(known)) {
        return std::nullopt;
    }
    return found->kind;
}

struct PreparedStatement::Slot {
    char kind = 's'; // 's' text (or null), 'd' double, 'i' integer
    std::string text;
    double number = 0.0;
    long long integer = 0;
    soci::indicator indicator = soci::i_ok;
};

// A statement prepared on the SQLite connection under the session, each parameter bound by name
// as SOCI binds it (":name"), errors thrown as SOCI's so that they are told apart alike. A query's
// columns are read as SOCI reads them (by their declared type); one with a declared type SOCI
// would read otherwise (a date) leaves the statement to SOCI.
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
    // The kind of every column of the result; false when one is not read here.
    bool read_columns();
    void bind(int at, const Slot& slot);
    bool step() {
        const int rc = sqlite_api::sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc != SQLITE_DONE) {
            const std::string message = sqlite_api::sqlite3_errmsg(db);
            sqlite_api::sqlite3_reset(stmt);
            throw soci::sqlite3_soci_error("sqlite3_step: " + message, rc);
        }
        return false;
    }
    void read(std::vector<SqlValue>& cells) const;

    sqlite_api::sqlite3* db = nullptr;
    sqlite_api::sqlite3_stmt* stmt = nullptr;
    std::vector<int> index;      // per slot
    std::vector<ReadKind> kinds; // per column of a query
};

bool PreparedStatement::SqliteStatement::read_columns() {
    const int count = sqlite_api::sqlite3_column_count(stmt);
    kinds.resize(static_cast<std::size_t>(count));
    for (int c = 0; c < count; ++c) {
        const std::optional<ReadKind> kind =
            sqlite_column_kind(sqlite_api::sqlite3_column_decltype(stmt, c));
        if (!kind) {
            return false;
        }
        kinds[static_cast<std::size_t>(c)] = *kind;
    }
    return true;
}

void PreparedStatement::SqliteStatement::read(std::vector<SqlValue>& cells) const {
    cells.resize(kinds.size());
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const int c = static_cast<int>(i);
        SqlValue& cell = cells[i];
        if (sqlite_api::sqlite3_column_type(stmt, c) == SQLITE_NULL) {
            cell = std::monostate{};
            continue;
        }
        switch (kinds[i]) {
        case ReadKind::text: {
            const auto* text =
                reinterpret_cast<const char*>(sqlite_api::sqlite3_column_text(stmt, c));
            const auto size = static_cast<std::size_t>(sqlite_api::sqlite3_column_bytes(stmt, c));
            if (auto* held = std::get_if<std::string>(&cell)) {
                held->assign(text, size); // keeps the capacity of the row before
            } else {
                cell.emplace<std::string>(text, size);
            }
            break;
        }
        case ReadKind::real:
            cell = sqlite_api::sqlite3_column_double(stmt, c);
            break;
        case ReadKind::int32:
            cell = static_cast<long long>(sqlite_api::sqlite3_column_int(stmt, c));
            break;
        case ReadKind::int64:
            cell = static_cast<long long>(sqlite_api::sqlite3_column_int64(stmt, c));
            break;
        }
    }
}

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

std::string tm_to_iso(const std::tm& t) {
    return fmt::format("{:04d}-{:02d}-{:02d}T{:02d}:{:02d}:{:02d}", t.tm_year + 1900, t.tm_mon + 1,
                       t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

} // namespace

SqlValue soci_cell(const soci::row& row, std::size_t i) {
    if (row.get_indicator(i) == soci::i_null) {
        return std::monostate{};
    }
    switch (row.get_properties(i).get_data_type()) {
    case soci::dt_string:
        return row.get<std::string>(i);
    case soci::dt_double:
        return row.get<double>(i);
    case soci::dt_integer:
        return static_cast<long long>(row.get<int>(i));
    case soci::dt_long_long:
        return row.get<long long>(i);
    case soci::dt_unsigned_long_long:
        return static_cast<long long>(row.get<unsigned long long>(i));
    case soci::dt_date:
        return tm_to_iso(row.get<std::tm>(i));
    default:
        return std::monostate{};
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
    if (engine == Engine::sqlite) {
        sqlite_ = std::make_unique<SqliteStatement>(session, text);
        if (kind == Kind::exec || sqlite_->read_columns()) {
            for (std::size_t i = 0; i < params.size(); ++i) {
                slots_[i].kind = kind_of(params[i].value);
                sqlite_->index.push_back(sqlite_->index_of(params[i].name));
            }
            return;
        }
        sqlite_.reset();
    }
    if (engine == Engine::postgresql && kind == Kind::query) {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < params.size(); ++i) {
            slots_[i].kind = kind_of(params[i].value);
            names.push_back(params[i].name);
        }
        auto* backend = static_cast<soci::postgresql_session_backend*>(session.get_backend());
        if (std::optional<PgStatement> st = PgStatement::prepare(backend->conn_, text, names)) {
            pg_ = std::make_unique<PgStatement>(std::move(*st));
            return;
        }
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
        sqlite_api::sqlite3_reset(sqlite_->stmt); // a query left before its end
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            sqlite_->bind(sqlite_->index[i], slots_[i]);
        }
        const bool row = sqlite_->step();
        if (kind_ == Kind::exec) {
            sqlite_api::sqlite3_reset(sqlite_->stmt); // what it read or locked is let go at once
            return false;
        }
        return row;
    }
    if (pg_) {
        pg_values_.resize(slots_.size());
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            const Slot& slot = slots_[i];
            if (slot.indicator == soci::i_null) {
                pg_values_[i].reset();
            } else if (slot.kind == 'd') {
                pg_values_[i] = fmt::format("{}", slot.number);
            } else if (slot.kind == 'i') {
                pg_values_[i] = fmt::format("{}", slot.integer);
            } else {
                pg_values_[i] = slot.text;
            }
        }
        return pg_->run(pg_values_);
    }
    return statement_->execute(true);
}

bool PreparedStatement::fetch() {
    if (sqlite_) {
        return sqlite_->step();
    }
    if (pg_) {
        return pg_->next();
    }
    return statement_->fetch();
}

void PreparedStatement::read(std::vector<SqlValue>& cells) const {
    if (sqlite_) {
        sqlite_->read(cells);
        return;
    }
    if (pg_) {
        pg_->read(cells);
        return;
    }
    cells.resize(row_->size());
    for (std::size_t i = 0; i < row_->size(); ++i) {
        cells[i] = soci_cell(*row_, i);
    }
}

const std::vector<std::string>& PreparedStatement::columns() {
    if (columns_.empty() && sqlite_) {
        for (int c = 0; c < sqlite_api::sqlite3_column_count(sqlite_->stmt); ++c) {
            columns_.push_back(upper_ascii(sqlite_api::sqlite3_column_name(sqlite_->stmt, c)));
        }
    } else if (columns_.empty() && pg_) {
        for (const std::string& name : pg_->column_names()) {
            columns_.push_back(upper_ascii(name));
        }
    } else if (columns_.empty()) {
        columns_.reserve(row_->size());
        for (std::size_t i = 0; i < row_->size(); ++i) {
            columns_.push_back(upper_ascii(row_->get_properties(i).get_name()));
        }
    }
    return columns_;
}

void PreparedStatement::release_result() {
    if (sqlite_) {
        sqlite_api::sqlite3_reset(sqlite_->stmt);
    } else if (pg_) {
        pg_->release();
    } else if (engine_ == Engine::postgresql) {
        static_cast<soci::postgresql_statement_backend*>(statement_->get_backend())
            ->result_.reset();
    }
}

void PreparedStatement::session_ending() {
    if (pg_) {
        pg_->session_ending();
    }
}

long long PreparedStatement::affected_rows() {
    if (sqlite_) {
        return sqlite_api::sqlite3_changes(sqlite_->db);
    }
    if (pg_) {
        return pg_->affected_rows();
    }
    return statement_->get_affected_rows();
}

} // namespace ct::server
