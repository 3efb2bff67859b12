#pragma once

#include "server/db/sql.h"
#include "server/packet/field.h"

#include <nlohmann/json.hpp>
#include <string>
#include <unordered_map>
#include <vector>

namespace ct::server {

using Row = std::vector<nlohmann::json>;

// Packets the server sends: declared fields, rows converted from query results by field name.
nlohmann::json empty_packet(const FieldList& fields);
nlohmann::json packet_from_result(const FieldList& fields, const ResultSet& result);
nlohmann::json packet_from_rows(const FieldList& fields, const std::vector<Row>& rows);
// One fetched cell as the field's JSON value (null stays null).
nlohmann::json cell_to_json(const FieldDef& field, const SqlValue& value);

struct DeltaChange {
    enum class Op { insert, modify, remove };
    Op op = Op::insert;
    Row old_row; // modify and remove
    Row new_row; // insert and modify
};

// A packet received from the screen, checked field by field: whole data (rows) or a delta.
class Packet {
public:
    FieldList fields;
    std::vector<Row> rows;
    std::vector<DeltaChange> delta;
    bool is_delta = false;

    // known: the fields the receiving data set may carry (empty list: anything goes).
    // Throws RpcError(-32602) naming what is wrong. The second form takes the values out of the
    // received document instead of copying them.
    static Packet parse(const nlohmann::json& json, const FieldList& known, std::string_view what);
    static Packet parse(nlohmann::json&& json, const FieldList& known, std::string_view what);

    int index(std::string_view name) const;
    bool has(std::string_view name) const { return index(name) >= 0; }
    // A row's value of a field; null when the packet lacks the field.
    const nlohmann::json& value(const Row& row, std::string_view name) const;
    std::string text(const Row& row, std::string_view name) const;
    // A value as text: texts as they are, numbers written out, anything else empty.
    static std::string text_of(const nlohmann::json& value);
    double number(const Row& row, std::string_view name) const;

private:
    std::unordered_map<std::string, int> by_name_; // upper-cased names of a parsed packet
};

} // namespace ct::server
