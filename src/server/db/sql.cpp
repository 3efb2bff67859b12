#include "server/db/sql.h"

#include "server/core/text.h"

#include <charconv>
#include <ctime>
#include <deque>
#include <fmt/format.h>
#include <soci/soci.h>

namespace ct::server {
namespace {

// Bound values live here until the statement has run; deques keep their addresses.
class Binder {
public:
    void bind(soci::statement& st, const SqlParams& params) {
        for (const auto& p : params) {
            indicators_.push_back(is_null(p.value) ? soci::i_null : soci::i_ok);
            soci::indicator& ind = indicators_.back();
            if (const auto* d = std::get_if<double>(&p.value)) {
                doubles_.push_back(*d);
                st.exchange(soci::use(doubles_.back(), ind, p.name));
            } else if (const auto* i = std::get_if<long long>(&p.value)) {
                integers_.push_back(*i);
                st.exchange(soci::use(integers_.back(), ind, p.name));
            } else {
                texts_.push_back(as_text(p.value));
                st.exchange(soci::use(texts_.back(), ind, p.name));
            }
        }
    }

private:
    std::deque<std::string> texts_;
    std::deque<double> doubles_;
    std::deque<long long> integers_;
    std::deque<soci::indicator> indicators_;
};

std::string tm_to_iso(const std::tm& t) {
    return fmt::format("{:04d}-{:02d}-{:02d}T{:02d}:{:02d}:{:02d}", t.tm_year + 1900, t.tm_mon + 1,
                       t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

SqlValue cell(const soci::row& row, std::size_t i) {
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

} // namespace

bool is_null(const SqlValue& value) {
    return std::holds_alternative<std::monostate>(value);
}

std::string as_text(const SqlValue& value) {
    if (const auto* s = std::get_if<std::string>(&value)) {
        return *s;
    }
    if (const auto* d = std::get_if<double>(&value)) {
        return fmt::format("{}", *d);
    }
    if (const auto* i = std::get_if<long long>(&value)) {
        return std::to_string(*i);
    }
    return {};
}

double as_double(const SqlValue& value, double fallback) {
    if (const auto* d = std::get_if<double>(&value)) {
        return *d;
    }
    if (const auto* i = std::get_if<long long>(&value)) {
        return static_cast<double>(*i);
    }
    if (const auto* s = std::get_if<std::string>(&value)) {
        const std::string t = trim(*s);
        double out = 0;
        auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
        if (ec == std::errc() && end == t.data() + t.size() && !t.empty()) {
            return out;
        }
    }
    return fallback;
}

long long as_integer(const SqlValue& value, long long fallback) {
    if (const auto* i = std::get_if<long long>(&value)) {
        return *i;
    }
    if (std::holds_alternative<std::monostate>(value)) {
        return fallback;
    }
    const double d = as_double(value, static_cast<double>(fallback));
    return static_cast<long long>(d);
}

int ResultSet::column(std::string_view name) const {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (iequals(columns[i], name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const SqlValue& ResultSet::at(std::size_t row, std::string_view name) const {
    const int c = column(name);
    if (c < 0) {
        throw std::out_of_range(fmt::format("no column {} in the result", name));
    }
    return rows.at(row).at(static_cast<std::size_t>(c));
}

std::string ResultSet::text(std::size_t row, std::string_view name) const {
    return as_text(at(row, name));
}

double ResultSet::number(std::size_t row, std::string_view name) const {
    return as_double(at(row, name));
}

long long Sql::exec(std::string_view query, const SqlParams& params) {
    Binder binder;
    soci::statement st(session_);
    binder.bind(st, params);
    st.alloc();
    st.prepare(std::string(query), soci::details::st_one_time_query);
    st.define_and_bind();
    st.execute(true);
    return st.get_affected_rows();
}

ResultSet Sql::query(std::string_view query, const SqlParams& params) {
    Binder binder;
    soci::row row;
    soci::statement st(session_);
    binder.bind(st, params);
    st.exchange(soci::into(row));
    st.alloc();
    st.prepare(std::string(query), soci::details::st_one_time_query);
    st.define_and_bind();
    ResultSet out;
    bool have = st.execute(true);
    bool first = true;
    while (have) {
        if (first) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                out.columns.push_back(upper_ascii(row.get_properties(i).get_name()));
            }
            first = false;
        }
        std::vector<SqlValue> cells;
        cells.reserve(row.size());
        for (std::size_t i = 0; i < row.size(); ++i) {
            cells.push_back(cell(row, i));
        }
        out.rows.push_back(std::move(cells));
        have = st.fetch();
    }
    return out;
}

std::optional<SqlValue> Sql::scalar(std::string_view query, const SqlParams& params) {
    ResultSet rs = this->query(query, params);
    if (rs.empty() || rs.rows.front().empty()) {
        return std::nullopt;
    }
    return rs.rows.front().front();
}

} // namespace ct::server
