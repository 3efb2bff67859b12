#include "platform/db/query.h"

#include "platform/db/connection.h"
#include "platform/db/db_error.h"
#include "platform/db/named_params.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <ctime>
#include <fmt/format.h>
#include <soci/soci.h>
#include <utility>

namespace ct::db {
namespace {

// Characters (code points) of UTF-8 text.
std::size_t codePoints(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string cutToSize(std::string text, int size) {
    if (size <= 0)
        return text;
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 &&
            ++count > static_cast<std::size_t>(size)) {
            text.resize(i);
            break;
        }
    }
    return text;
}

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string numberText(double value) {
    // Whole numbers as integers, others in their shortest form.
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return std::to_string(static_cast<long long>(value));
    return fmt::format("{}", value);
}

// The text of one column of a fetched row; nullopt for null.
std::optional<std::string> columnText(const soci::row& row, std::size_t i) {
    if (row.get_indicator(i) == soci::i_null)
        return std::nullopt;
    switch (row.get_properties(i).get_data_type()) {
    case soci::dt_string:
    case soci::dt_blob:
    case soci::dt_xml:
        return row.get<std::string>(i);
    case soci::dt_double:
        return numberText(row.get<double>(i));
    case soci::dt_integer:
        return std::to_string(row.get<int>(i));
    case soci::dt_long_long:
        return std::to_string(row.get<long long>(i));
    case soci::dt_unsigned_long_long:
        return std::to_string(row.get<unsigned long long>(i));
    case soci::dt_date: {
        const std::tm when = row.get<std::tm>(i);
        return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", when.tm_year + 1900,
                           when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
    }
    }
    return std::nullopt;
}

// A column's text as the packet value of its field: numbers read back from the database's own
// form, text cut to the field's size; a number that does not read is null.
nlohmann::json packetValue(const FieldDef& def, const std::string& text) {
    if (isNumericType(def.type)) {
        double number = 0.0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (ec != std::errc() || end != text.data() + text.size())
            return nullptr;
        return number;
    }
    if (def.type == FieldType::Boolean)
        return text == "1" || text == "T" || text == "S" || text == "true";
    return cutToSize(text, def.size);
}

} // namespace

Query::Query(std::string name, Connection* connection)
    : connection_(connection)
    , result_(std::move(name)) {}

void Query::setSql(std::string sql) {
    close();
    sql_ = std::move(sql);
    names_ = NamedParams::parse(sql_).names;
    std::vector<Param> params;
    for (const std::string& name : names_) {
        const Param* old = findParam(name);
        params.push_back({name, old ? old->value : std::nullopt});
    }
    params_ = std::move(params);
}

Query::Param* Query::findParam(std::string_view name) {
    auto it = std::find_if(params_.begin(), params_.end(),
                           [&](const Param& p) { return sameName(p.name, name); });
    return it == params_.end() ? nullptr : &*it;
}

const Query::Param* Query::findParam(std::string_view name) const {
    return const_cast<Query*>(this)->findParam(name);
}

void Query::setParam(std::string_view name, std::string value) {
    Param* p = findParam(name);
    if (!p)
        throw DbError(
            fmt::format("Parâmetro '{}' não encontrado na consulta {}.", name, result_.name()));
    p->value = std::move(value);
}

void Query::clearParam(std::string_view name) {
    if (Param* p = findParam(name))
        p->value.reset();
}

std::optional<std::string> Query::param(std::string_view name) const {
    const Param* p = findParam(name);
    return p ? p->value : std::nullopt;
}

void Query::setFieldDefs(std::vector<FieldDef> defs) {
    close();
    defs_ = std::move(defs);
}

void Query::setActive(bool active) {
    if (active)
        open();
    else
        close();
}

void Query::close() {
    result_.close();
}

void Query::open() {
    if (active())
        return;
    if (!isReadOnlyStatement(sql_))
        throw DbError(fmt::format("A consulta {} não é uma consulta de leitura.", result_.name()));

    const NamedParams parsed = NamedParams::parse(sql_);
    Connection& connection = connection_ ? *connection_ : sharedConnection();

    std::vector<std::string> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
    try {
        soci::session& session = connection.session();
        // Bound values must stay put until the statement is done.
        std::vector<std::string> values(parsed.occurrences.size());
        std::vector<soci::indicator> indicators(parsed.occurrences.size(), soci::i_ok);
        soci::row row;
        soci::statement st(session);
        st.exchange(soci::into(row));
        for (std::size_t i = 0; i < parsed.occurrences.size(); ++i) {
            const Param* p = findParam(parsed.occurrences[i]);
            if (p && p->value)
                values[i] = *p->value;
            else
                indicators[i] = soci::i_null;
            st.exchange(soci::use(values[i], indicators[i]));
        }
        st.alloc();
        st.prepare(parsed.positionalSql);
        st.define_and_bind();
        bool more = st.execute(true);
        for (std::size_t i = 0; i < row.size(); ++i)
            columns.push_back(row.get_properties(i).get_name());
        while (more) {
            std::vector<std::optional<std::string>> texts;
            texts.reserve(row.size());
            for (std::size_t i = 0; i < row.size(); ++i)
                texts.push_back(columnText(row, i));
            rows.push_back(std::move(texts));
            more = st.fetch();
        }
    } catch (const DbError&) {
        throw;
    } catch (const std::exception& e) {
        throw DbError(
            fmt::format("Erro ao consultar o banco de dados ({}): {}", result_.name(), e.what()));
    }

    // Which result column feeds each field.
    std::vector<FieldDef> defs = defs_;
    if (defs.empty()) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            int longest = 1;
            for (const auto& r : rows)
                if (r[c])
                    longest = std::max(longest, static_cast<int>(codePoints(*r[c])));
            defs.push_back(FieldDef::string(upper(columns[c]), longest));
        }
    }
    std::vector<int> source;
    for (const FieldDef& def : defs) {
        auto it = std::find_if(columns.begin(), columns.end(),
                               [&](const std::string& col) { return sameName(col, def.name); });
        source.push_back(it == columns.end() ? -1 : static_cast<int>(it - columns.begin()));
    }

    nlohmann::json fields = nlohmann::json::array();
    for (const FieldDef& def : defs)
        fields.push_back(
            {{"name", def.name}, {"type", fieldTypeName(def.type)}, {"size", def.size}});
    nlohmann::json packetRows = nlohmann::json::array();
    for (const auto& r : rows) {
        nlohmann::json out = nlohmann::json::array();
        for (std::size_t f = 0; f < defs.size(); ++f) {
            const int c = source[f];
            if (c < 0 || !r[static_cast<std::size_t>(c)])
                out.push_back(nullptr);
            else
                out.push_back(packetValue(defs[f], *r[static_cast<std::size_t>(c)]));
        }
        packetRows.push_back(std::move(out));
    }

    try {
        result_.close();
        result_.setFieldDefs(defs);
        result_.loadPacket({{"fields", std::move(fields)}, {"rows", std::move(packetRows)}});
    } catch (const std::exception& e) {
        result_.close();
        throw DbError(fmt::format("Erro ao carregar o resultado da consulta {}: {}", result_.name(),
                                  e.what()));
    }
}

} // namespace ct::db
