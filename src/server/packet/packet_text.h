#pragma once

#include "server/db/sql.h"
#include "server/packet/field.h"

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace ct::server {

class Packet;

// The fields of a written packet with their JSON text, worked out once (keep it static).
struct WrittenFields {
    explicit WrittenFields(FieldList list);
    FieldList fields;
    std::string text;
};

// A packet written as JSON text straight from a query's rows, for packets of thousands of rows:
// they never exist as a document. The text travels inside the method's result as a value of its
// own (see written_json) and goes into the answer as it is. Cells convert as in packet_from_result.
// `first_row`: given, it gets the query's columns and first row as read (values of other columns
// that ride along with the rows; no rows, no row).
nlohmann::json written_packet(Sql& sql, const WrittenFields& fields, std::string_view query,
                              const SqlParams& params, ResultSet* first_row = nullptr);

// A packet written row by row, for rows gathered from more than one statement. The cells of
// every row follow `columns`, matched to the fields as written_packet matches a query's columns.
class WrittenRows {
public:
    WrittenRows(const WrittenFields& fields, const std::vector<std::string>& columns);
    ~WrittenRows();
    WrittenRows(const WrittenRows&) = delete;
    WrittenRows& operator=(const WrittenRows&) = delete;
    void add(const std::vector<SqlValue>& cells);
    // The packet, as written_packet returns it.
    nlohmann::json take();

private:
    struct Text;
    const FieldList& fields_;
    std::vector<int> source_;
    std::unique_ptr<Text> text_;
    bool first_ = true;
};

// A received packet written back as text (a by-reference packet goes back as it came, checked).
nlohmann::json written_packet(const Packet& packet);

// JSON text carried in a document: a result, or an element of a result array, written ahead.
nlohmann::json written_json(std::vector<std::uint8_t> text);
bool is_written_json(const nlohmann::json& value);
// Appends the JSON text of a value; written values go in as they are, at any depth.
void write_json(std::string& out, const nlohmann::json& value);
// Bytes of the text written ahead within a value: room to reserve before writing it, so that an
// answer of megabytes is not copied as it grows.
std::size_t written_bytes(const nlohmann::json& value);

} // namespace ct::server
