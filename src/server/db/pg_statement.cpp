#include "server/db/pg_statement.h"

#include <atomic>
#include <charconv>
#include <fmt/format.h>
#include <libpq-fe.h>
#include <soci/postgresql/soci-postgresql.h>
#include <utility>

namespace ct::server {
namespace {

// Type numbers of PostgreSQL's catalogue (pg_type).
constexpr Oid name_oid = 19;
constexpr Oid int8_oid = 20;
constexpr Oid int2_oid = 21;
constexpr Oid int4_oid = 23;
constexpr Oid text_oid = 25;
constexpr Oid float4_oid = 700;
constexpr Oid float8_oid = 701;
constexpr Oid unknown_oid = 705;
constexpr Oid bpchar_oid = 1042;
constexpr Oid varchar_oid = 1043;
constexpr Oid date_oid = 1082;
constexpr Oid timestamp_oid = 1114;
constexpr Oid numeric_oid = 1700;

// A failure as SOCI reports one, with the engine's code for it (none when the session is gone).
[[noreturn]] void fail(pg_conn* conn, PGresult* result, std::string_view doing) {
    std::string message = result ? PQresultErrorMessage(result) : PQerrorMessage(conn);
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    std::string code = state && std::string_view(state).size() == 5 ? state : "XX000";
    PQclear(result);
    throw soci::postgresql_soci_error(fmt::format("{}: {}", doing, message), code.c_str());
}

bool ok(PGresult* result, ExecStatusType expected) {
    return result && PQresultStatus(result) == expected;
}

bool name_start(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool name_char(char c) {
    return name_start(c) || (c >= '0' && c <= '9');
}

} // namespace

std::string positional_text(std::string_view text, std::vector<std::string>& used) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    auto copy_until = [&](char end) { // a quoted text or name, its closing mark included
        out += text[i++];
        while (i < text.size()) {
            const char c = text[i++];
            out += c;
            if (c == end) {
                if (i < text.size() && text[i] == end) { // a doubled mark stands for itself
                    out += text[i++];
                    continue;
                }
                return;
            }
        }
    };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            copy_until(c);
        } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
            const std::size_t end = text.find('\n', i);
            const std::size_t stop = end == std::string_view::npos ? text.size() : end;
            out.append(text.substr(i, stop - i));
            i = stop;
        } else if (c == ':' && i + 1 < text.size() && text[i + 1] == ':') {
            out += "::";
            i += 2;
        } else if (c == ':' && i + 1 < text.size() && name_start(text[i + 1])) {
            std::size_t end = i + 1;
            while (end < text.size() && name_char(text[end])) {
                ++end;
            }
            const std::string name(text.substr(i + 1, end - i - 1));
            std::size_t n = 0;
            while (n < used.size() && used[n] != name) {
                ++n;
            }
            if (n == used.size()) {
                used.push_back(name);
            }
            out += fmt::format("${}", n + 1);
            i = end;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

PgStatement::PgStatement(pg_conn* conn, std::string name)
    : conn_(conn)
    , name_(std::move(name)) {}

PgStatement::PgStatement(PgStatement&& other) noexcept
    : conn_(other.conn_)
    , name_(std::move(other.name_))
    , slot_of_param_(std::move(other.slot_of_param_))
    , kinds_(std::move(other.kinds_))
    , result_(std::exchange(other.result_, nullptr))
    , row_(other.row_)
    , rows_(other.rows_)
    , under_way_(std::exchange(other.under_way_, false)) {
    other.name_.clear();
}

PgStatement::~PgStatement() {
    release();
    // Let go of it on the server while the session can still take a statement: not in a
    // transaction a failure ended (the session is opened again or the transaction rolled back,
    // and the name is never used again), nor on a session that is gone.
    if (!name_.empty() && PQstatus(conn_) == CONNECTION_OK &&
        (PQtransactionStatus(conn_) == PQTRANS_IDLE ||
         PQtransactionStatus(conn_) == PQTRANS_INTRANS)) {
        PQclear(PQexec(conn_, ("DEALLOCATE " + name_).c_str()));
    }
}

std::optional<PgStatement> PgStatement::prepare(pg_conn* conn, std::string_view text,
                                                const std::vector<std::string>& names) {
    static std::atomic<unsigned long long> counter{0};
    PgStatement st(conn, fmt::format("ct_q{}", ++counter));
    std::vector<std::string> used;
    const std::string sql = positional_text(text, used);
    for (const std::string& name : used) {
        std::size_t at = 0;
        while (at < names.size() && names[at] != name) {
            ++at;
        }
        if (at == names.size()) {
            st.name_.clear(); // nothing prepared yet
            throw soci::soci_error("Missing use element for bind by name (" + name + ")");
        }
        st.slot_of_param_.push_back(static_cast<int>(at));
    }
    PGresult* prepared =
        PQprepare(conn, st.name_.c_str(), sql.c_str(), static_cast<int>(used.size()), nullptr);
    if (!ok(prepared, PGRES_COMMAND_OK)) {
        st.name_.clear();
        fail(conn, prepared, "Cannot prepare statement");
    }
    PQclear(prepared);
    PGresult* described = PQdescribePrepared(conn, st.name_.c_str());
    if (!ok(described, PGRES_COMMAND_OK)) {
        fail(conn, described, "Cannot describe statement");
    }
    bool read_here = true;
    for (int c = 0; c < PQnfields(described) && read_here; ++c) {
        switch (PQftype(described, c)) {
        case text_oid:
        case varchar_oid:
        case bpchar_oid:
        case name_oid:
        case unknown_oid:
            st.kinds_.push_back(Kind::text);
            break;
        case numeric_oid:
        case float8_oid:
        case float4_oid:
            st.kinds_.push_back(Kind::number);
            break;
        case int2_oid:
        case int4_oid:
        case int8_oid:
            st.kinds_.push_back(Kind::integer);
            break;
        case date_oid:
            st.kinds_.push_back(Kind::date);
            break;
        case timestamp_oid:
            st.kinds_.push_back(Kind::timestamp);
            break;
        default:
            read_here = false;
        }
    }
    PQclear(described);
    if (!read_here) {
        return std::nullopt; // deallocated by the destructor
    }
    return std::optional<PgStatement>(std::move(st));
}

bool PgStatement::run(const std::vector<Value>& values) {
    release();
    std::vector<const char*> params(slot_of_param_.size());
    for (std::size_t n = 0; n < params.size(); ++n) {
        const Value& v = values[static_cast<std::size_t>(slot_of_param_[n])];
        params[n] = v ? v->c_str() : nullptr;
    }
    if (!PQsendQueryPrepared(conn_, name_.c_str(), static_cast<int>(params.size()), params.data(),
                             nullptr, nullptr, 0)) {
        fail(conn_, nullptr, "Cannot execute query");
    }
    under_way_ = true;
    // Row by row: the caller works on a row while the server sends the next ones. Refused, the
    // rows come whole and are read the same way.
    PQsetSingleRowMode(conn_);
    return take_result();
}

bool PgStatement::next() {
    if (result_ && ++row_ < rows_) {
        return true;
    }
    return under_way_ && take_result();
}

bool PgStatement::take_result() {
    PQclear(result_);
    result_ = nullptr;
    rows_ = 0;
    row_ = 0;
    PGresult* result = PQgetResult(conn_);
    if (!result) {
        under_way_ = false;
        return false;
    }
    switch (PQresultStatus(result)) {
    case PGRES_SINGLE_TUPLE:
        result_ = result;
        rows_ = 1;
        return true;
    case PGRES_TUPLES_OK:
    case PGRES_COMMAND_OK:
        finish();         // the session takes statements again
        result_ = result; // kept for the rows it may hold and the count of rows touched
        rows_ = PQntuples(result);
        return rows_ > 0;
    default:
        finish();
        fail(conn_, result, "Cannot execute query");
    }
}

void PgStatement::finish() {
    while (PGresult* rest = PQgetResult(conn_)) {
        PQclear(rest);
    }
    under_way_ = false;
}

void PgStatement::read(std::vector<SqlValue>& cells) const {
    cells.resize(kinds_.size());
    for (std::size_t i = 0; i < kinds_.size(); ++i) {
        const int c = static_cast<int>(i);
        SqlValue& cell = cells[i];
        if (PQgetisnull(result_, row_, c)) {
            cell = std::monostate{};
            continue;
        }
        const char* text = PQgetvalue(result_, row_, c);
        const auto size = static_cast<std::size_t>(PQgetlength(result_, row_, c));
        switch (kinds_[i]) {
        case Kind::text:
            if (auto* held = std::get_if<std::string>(&cell)) {
                held->assign(text, size); // keeps the capacity of the row before
            } else {
                cell.emplace<std::string>(text, size);
            }
            break;
        case Kind::number: {
            double value = 0.0;
            std::from_chars(text, text + size, value);
            cell = value;
            break;
        }
        case Kind::integer: {
            long long value = 0;
            std::from_chars(text, text + size, value);
            cell = value;
            break;
        }
        case Kind::date:
        case Kind::timestamp: {
            // ISO text, as SOCI's date gives it: whole seconds, "T" between date and time.
            std::string iso(text, size);
            if (kinds_[i] == Kind::date && size == 10) {
                iso += "T00:00:00";
            } else if (size >= 19 && text[10] == ' ') {
                iso.resize(19);
                iso[10] = 'T';
            }
            cell = std::move(iso);
            break;
        }
        }
    }
}

std::vector<std::string> PgStatement::column_names() const {
    std::vector<std::string> out;
    for (int c = 0; result_ && c < PQnfields(result_); ++c) {
        out.emplace_back(PQfname(result_, c));
    }
    return out;
}

void PgStatement::release() {
    PQclear(result_);
    result_ = nullptr;
    if (under_way_) {
        finish(); // rows nobody read: the session cannot run anything before they are taken
    }
    rows_ = 0;
    row_ = 0;
}

long long PgStatement::affected_rows() const {
    if (!result_) {
        return 0;
    }
    long long n = 0;
    const std::string_view text = PQcmdTuples(result_);
    std::from_chars(text.data(), text.data() + text.size(), n);
    return n;
}

} // namespace ct::server
