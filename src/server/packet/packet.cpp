#include "server/packet/packet.h"

#include "server/core/errors.h"
#include "server/core/text.h"

#include <cmath>
#include <fmt/format.h>

namespace ct::server {
namespace {

using nlohmann::json;

const json null_value = nullptr;

bool truthy(const SqlValue& v) {
    if (const auto* i = std::get_if<long long>(&v)) {
        return *i != 0;
    }
    if (const auto* d = std::get_if<double>(&v)) {
        return *d != 0.0;
    }
    const std::string t = upper_ascii(trim(as_text(v)));
    return t == "S" || t == "T" || t == "Y" || t == "1" || t == "TRUE";
}

std::string number_text(const SqlValue& v) {
    if (const auto* d = std::get_if<double>(&v)) {
        if (std::floor(*d) == *d && std::fabs(*d) < 1e15) {
            return std::to_string(static_cast<long long>(*d));
        }
    }
    return as_text(v);
}

bool valid_name(const std::string& name) {
    if (name.empty() || name.size() > 64) {
        return false;
    }
    for (char c : name) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_')) {
            return false;
        }
    }
    return true;
}

[[noreturn]] void bad(std::string_view what, const std::string& detail) {
    throw invalid_params(fmt::format("{}: {}", what, detail));
}

FieldList parse_fields(const json& j, const FieldList& known, std::string_view what) {
    if (!j.is_array()) {
        bad(what, "\"fields\" must be an array");
    }
    if (j.size() > 500) {
        bad(what, "too many fields");
    }
    FieldList out;
    for (const auto& f : j) {
        if (!f.is_object() || !f.contains("name") || !f["name"].is_string() ||
            !f.contains("type") || !f["type"].is_string()) {
            bad(what, "every field needs a name and a type");
        }
        FieldDef def;
        def.name = f["name"].get<std::string>();
        if (!valid_name(def.name)) {
            bad(what, fmt::format("bad field name \"{}\"", def.name));
        }
        if (find_field(out, def.name) >= 0) {
            bad(what, fmt::format("field {} given twice", def.name));
        }
        if (!parse_type(f["type"].get<std::string>(), def.type)) {
            bad(what, fmt::format("field {} has an unknown type", def.name));
        }
        if (is_text(def.type)) {
            if (!f.contains("size") || !f["size"].is_number_integer() ||
                f["size"].get<long long>() < 1 || f["size"].get<long long>() > 100000) {
                bad(what, fmt::format("text field {} needs a size from 1 to 100000", def.name));
            }
            def.size = f["size"].get<int>();
        }
        if (!known.empty()) {
            const int k = find_field(known, def.name);
            if (k < 0) {
                bad(what, fmt::format("unknown field {}", def.name));
            }
            const FieldDef& kd = known[static_cast<std::size_t>(k)];
            const bool both_text = is_text(kd.type) && is_text(def.type);
            const bool both_number =
                (kd.type == FieldType::float_ || kd.type == FieldType::integer) &&
                (def.type == FieldType::float_ || def.type == FieldType::integer);
            if (!both_text && !both_number && kd.type != def.type) {
                bad(what, fmt::format("field {} must be of type {}", def.name, type_name(kd.type)));
            }
            if (both_text && def.size > kd.size) {
                // Values are checked against the stored width below.
                def.size = kd.size;
            }
            def.name = kd.name;
        }
        out.push_back(std::move(def));
    }
    return out;
}

// Checks a value in place, leaving it in the stored form (whole numbers as integers, dates in
// their canonical text).
void check_value(json& v, const FieldDef& f, std::string_view what) {
    if (v.is_null()) {
        return;
    }
    switch (f.type) {
    case FieldType::string:
    case FieldType::fixedstring: {
        if (!v.is_string()) {
            bad(what, fmt::format("{} must be a text", f.name));
        }
        if (utf8_length(v.get_ref<const std::string&>()) > static_cast<std::size_t>(f.size)) {
            bad(what, fmt::format("{} is longer than {} characters", f.name, f.size));
        }
        return;
    }
    case FieldType::float_:
        if (!v.is_number() || !std::isfinite(v.get<double>())) {
            bad(what, fmt::format("{} must be a finite number", f.name));
        }
        return;
    case FieldType::integer:
        if (!v.is_number() || !std::isfinite(v.get<double>()) ||
            std::floor(v.get<double>()) != v.get<double>() || std::fabs(v.get<double>()) > 1e15) {
            bad(what, fmt::format("{} must be a whole number", f.name));
        }
        v = v.get<long long>();
        return;
    case FieldType::boolean:
        if (!v.is_boolean()) {
            bad(what, fmt::format("{} must be true or false", f.name));
        }
        return;
    case FieldType::datetime: {
        if (!v.is_string()) {
            bad(what, fmt::format("{} must be a date", f.name));
        }
        std::string norm = normalize_datetime(v.get_ref<const std::string&>());
        if (norm.empty()) {
            bad(what, fmt::format("{} is not a valid date: \"{}\"", f.name,
                                  v.get_ref<const std::string&>().substr(0, 40)));
        }
        v = std::move(norm);
        return;
    }
    }
}

// Takes the row's values out of the received document.
Row parse_row(json& j, const FieldList& fields, std::string_view what) {
    if (!j.is_array() || j.size() != fields.size()) {
        bad(what, fmt::format("every row must hold {} values", fields.size()));
    }
    Row row = std::move(j.get_ref<json::array_t&>());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        check_value(row[i], fields[i], what);
    }
    return row;
}

} // namespace

json cell_to_json(const FieldDef& field, const SqlValue& value) {
    if (is_null(value)) {
        return nullptr;
    }
    switch (field.type) {
    case FieldType::string:
    case FieldType::fixedstring:
        return std::holds_alternative<std::string>(value) ? as_text(value) : number_text(value);
    case FieldType::float_:
        return as_double(value);
    case FieldType::integer:
        return as_integer(value);
    case FieldType::boolean:
        return truthy(value);
    case FieldType::datetime: {
        std::string norm = normalize_datetime(as_text(value));
        return norm.empty() ? json(nullptr) : json(norm);
    }
    }
    return nullptr;
}

json empty_packet(const FieldList& fields) {
    return {{"fields", fields_json(fields)}, {"rows", json::array()}};
}

json packet_from_result(const FieldList& fields, const ResultSet& result) {
    std::vector<int> columns;
    for (const auto& f : fields) {
        columns.push_back(result.column(f.name));
    }
    json rows = json::array();
    for (const auto& r : result.rows) {
        json row = json::array();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            row.push_back(columns[i] < 0
                              ? json(nullptr)
                              : cell_to_json(fields[i], r[static_cast<std::size_t>(columns[i])]));
        }
        rows.push_back(std::move(row));
    }
    return {{"fields", fields_json(fields)}, {"rows", std::move(rows)}};
}

json packet_from_rows(const FieldList& fields, const std::vector<Row>& rows) {
    json out = empty_packet(fields);
    for (const auto& r : rows) {
        out["rows"].push_back(r);
    }
    return out;
}

Packet Packet::parse(const json& j, const FieldList& known, std::string_view what) {
    json copy = j;
    return parse(std::move(copy), known, what);
}

Packet Packet::parse(json&& j, const FieldList& known, std::string_view what) {
    if (!j.is_object() || !j.contains("fields")) {
        bad(what, "a data packet must be an object with \"fields\"");
    }
    Packet p;
    p.fields = parse_fields(j["fields"], known, what);
    for (std::size_t i = 0; i < p.fields.size(); ++i) {
        p.by_name_.emplace(upper_ascii(p.fields[i].name), static_cast<int>(i));
    }
    const auto rows = j.find("rows");
    const auto delta = j.find("delta");
    if ((rows == j.end()) == (delta == j.end())) {
        bad(what, "a data packet holds either \"rows\" or \"delta\"");
    }
    if (rows != j.end()) {
        if (!rows->is_array()) {
            bad(what, "\"rows\" must be an array");
        }
        p.rows.reserve(rows->size());
        for (auto& r : *rows) {
            p.rows.push_back(parse_row(r, p.fields, what));
        }
        return p;
    }
    p.is_delta = true;
    if (!delta->is_array()) {
        bad(what, "\"delta\" must be an array");
    }
    p.delta.reserve(delta->size());
    for (auto& c : *delta) {
        if (!c.is_object() || !c.contains("op") || !c["op"].is_string()) {
            bad(what, "every change needs an \"op\"");
        }
        const std::string& op = c["op"].get_ref<const std::string&>();
        DeltaChange change;
        if (op == "insert") {
            change.op = DeltaChange::Op::insert;
        } else if (op == "modify") {
            change.op = DeltaChange::Op::modify;
        } else if (op == "delete") {
            change.op = DeltaChange::Op::remove;
        } else {
            bad(what, fmt::format("unknown change \"{}\"", op.substr(0, 20)));
        }
        const bool needs_old = change.op != DeltaChange::Op::insert;
        const bool needs_new = change.op != DeltaChange::Op::remove;
        const auto old_row = c.find("old");
        const auto new_row = c.find("new");
        if (needs_old != (old_row != c.end()) || needs_new != (new_row != c.end())) {
            bad(what, fmt::format("a change \"{}\" carries {}", op,
                                  change.op == DeltaChange::Op::insert   ? "only \"new\""
                                  : change.op == DeltaChange::Op::modify ? "\"old\" and \"new\""
                                                                         : "only \"old\""));
        }
        if (needs_old) {
            change.old_row = parse_row(*old_row, p.fields, what);
        }
        if (needs_new) {
            change.new_row = parse_row(*new_row, p.fields, what);
        }
        p.delta.push_back(std::move(change));
    }
    return p;
}

int Packet::index(std::string_view name) const {
    if (by_name_.size() != fields.size()) {
        return find_field(fields, name); // fields set by hand
    }
    auto it = by_name_.find(upper_ascii(name));
    return it == by_name_.end() ? -1 : it->second;
}

const json& Packet::value(const Row& row, std::string_view name) const {
    const int i = index(name);
    if (i < 0 || static_cast<std::size_t>(i) >= row.size()) {
        return null_value;
    }
    return row[static_cast<std::size_t>(i)];
}

std::string Packet::text(const Row& row, std::string_view name) const {
    return text_of(value(row, name));
}

std::string Packet::text_of(const json& v) {
    if (v.is_string()) {
        return v.get<std::string>();
    }
    if (v.is_number_integer()) {
        return std::to_string(v.get<long long>());
    }
    if (v.is_number()) {
        return fmt::format("{}", v.get<double>());
    }
    return {};
}

double Packet::number(const Row& row, std::string_view name) const {
    const json& v = value(row, name);
    return v.is_number() ? v.get<double>() : 0.0;
}

} // namespace ct::server
