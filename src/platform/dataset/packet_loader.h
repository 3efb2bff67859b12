#pragma once

#include "platform/dataset/dataset.h"
#include "platform/dataset/packed_values.h"
#include "platform/dataset/row.h"

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace ct {

// One value of a packet row as read, whether from a document or from JSON text.
struct PacketScalar {
    enum class Kind { Null, Text, Integer, Unsigned, Float, Boolean, Other };
    Kind kind = Kind::Null;
    std::string text;
    std::int64_t integer = 0;
    std::uint64_t unsignedNumber = 0;
    double number = 0;
    bool flag = false;
    nlohmann::json other; // an array or object where a value belongs

    void setFromJson(const nlohmann::json& value);
    // The value as JSON text, for messages.
    std::string dump() const;
};

// Reads a data packet into a data set with the checks, messages and conversions of loadPacket,
// fed from a document (loadPacket) or value by value from JSON text (PacketReader). Nothing of
// the data set changes until commit(). Errors are DataSetError without the set's name.
class PacketLoader {
public:
    explicit PacketLoader(DataSet& target);
    ~PacketLoader();

    // The packet's field list (nullptr when the packet has none).
    void readFields(const nlohmann::json* fields);
    // The set's fields against the packet's: which packet value each one takes.
    void mapFields();
    // Values a row must hold.
    std::size_t width() const { return incoming_.size(); }

    // One row, its `count` values in the packet's field order; `isArray` false for a row that is
    // not an array (refused like a row of no values).
    void addRow(const PacketScalar* values, std::size_t count, bool isArray);

    // Replaces the set's content with the rows read: before-open, content, after-open events.
    void commit();
    // The answer the rows come from (DataSet::noteLoadedFrom), noted when they are committed.
    void setSourceTag(std::string tag) { sourceTag_ = std::move(tag); }

private:
    void convert(std::size_t target, const PacketScalar& value);

    DataSet& target_;
    bool adopt_;
    std::unique_ptr<DataSet> shape_; // the packet's own fields, for a set that takes them
    std::vector<FieldDef> incoming_;
    std::vector<int> source_; // per field of the set: its packet position, -1 for none
    std::vector<std::unique_ptr<Row>> rows_;
    PackedValues::Builder builder_;
    std::string sourceTag_;
};

} // namespace ct
