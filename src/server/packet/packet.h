#pragma once

#include "server/db/sql.h"
#include "server/packet/field.h"
#include "server/packet/packed_row.h"

#include <nlohmann/json.hpp>
#include <string>
#include <unordered_map>
#include <vector>

namespace ct::server {

// A row the server sends, built as a document (small packets; see packet_text for large ones).
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
    PackedRow old_row; // modify and remove
    PackedRow new_row; // insert and modify
};

// A packet as read from a request, before it is checked against the fields its data set may
// carry: members may come in any order (a delta's changes before its fields), so the checks wait
// for the whole packet. Faults of its shape are noted as they are met and reported by the check.
struct PacketDraft {
    struct FieldDraft {
        std::string name;
        std::string type;
        long long size = 0;
        bool object = true; // the field is an object
        bool named = false; // "name" is a text
        bool typed = false; // "type" is a text
        bool sized = false; // "size" is a whole number
    };
    enum class Fault {
        none,
        fields_not_list,
        too_many_fields,
        rows_not_list,
        delta_not_list,
        member_twice,
        row_shape,
        change_shape // the detail holds the whole message
    };

    std::vector<FieldDraft> fields;
    bool has_fields = false;
    bool has_rows = false;
    bool has_delta = false;
    std::vector<PackedRow> rows;
    std::vector<DeltaChange> delta;
    Fault fault = Fault::none; // the first one met
    std::string fault_detail;

    void note(Fault what, std::string detail = {});
};

// A packet received from the screen, checked field by field: whole data (rows) or a delta.
class Packet {
public:
    FieldList fields;
    std::vector<PackedRow> rows;
    std::vector<DeltaChange> delta;
    bool is_delta = false;

    // known: the fields the receiving data set may carry (empty list: anything goes). Throws
    // RpcError(-32602) naming what is wrong. Rows are taken over, never copied; values are left
    // in their stored form (whole numbers as integers, dates in their canonical text).
    static Packet check(PacketDraft&& draft, const FieldList& known, std::string_view what);
    // A packet given as a document or as text, read as a request's packet is.
    static Packet parse(const nlohmann::json& json, const FieldList& known, std::string_view what);
    static Packet parse_text(std::string_view text, const FieldList& known, std::string_view what);

    int index(std::string_view name) const;
    bool has(std::string_view name) const { return index(name) >= 0; }
    // A row's value of a field; null when the packet lacks the field.
    Cell value(const PackedRow& row, std::string_view name) const;
    std::string text(const PackedRow& row, std::string_view name) const;
    // A value as text: texts as they are, numbers written out, anything else empty.
    static std::string text_of(const Cell& value);
    double number(const PackedRow& row, std::string_view name) const;

private:
    std::unordered_map<std::string, int> by_name_; // upper-cased names of a checked packet
};

// One value of a received row as a document.
nlohmann::json cell_json(const Cell& cell);

} // namespace ct::server
