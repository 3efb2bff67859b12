#pragma once

#include "platform/dataset/value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ct {

// The values of one row in a single allocation: an 8-byte slot and a kind byte per value, the
// texts after them. A data set holds thousands of rows; a vector of Value per row would cost
// five times the memory and one allocation per text.
class PackedValues {
public:
    PackedValues() = default;
    explicit PackedValues(const std::vector<Value>& values);
    PackedValues(const PackedValues& other);
    PackedValues& operator=(const PackedValues& other);
    PackedValues(PackedValues&&) noexcept = default;
    PackedValues& operator=(PackedValues&&) noexcept = default;

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    void clear();

    Value get(std::size_t index) const;
    bool isNull(std::size_t index) const;
    // Text of a text value without a copy.
    std::string_view text(std::size_t index) const;
    std::vector<Value> unpack() const;
    // Replaces one value (the row is packed again).
    void set(std::size_t index, const Value& value);
    // The same as get(index) == other.get(index), without building the values.
    bool sameAt(std::size_t index, const PackedValues& other) const;

    // Packs rows value by value with one allocation per row; reusable from row to row.
    class Builder {
    public:
        void reset(std::size_t count); // all null
        void setNull(std::size_t index);
        void setText(std::size_t index, std::string_view text);
        void setDouble(std::size_t index, double value);
        void setInteger(std::size_t index, std::int64_t value);
        void setBool(std::size_t index, bool value);
        void setDateTime(std::size_t index, const DateTime& value);
        void set(std::size_t index, const Value& value);
        PackedValues build() const;

    private:
        friend class PackedValues;
        std::vector<std::uint8_t> kinds_;
        std::vector<std::uint64_t> slots_; // texts: offset in texts_ and length
        std::string texts_;
    };

private:
    enum Kind : std::uint8_t { Null, Text, Double, Integer, Bool, Date };
    const std::uint64_t* slots() const { return data_.get(); }
    const std::uint8_t* kinds() const;
    const char* texts() const;

    std::unique_ptr<std::uint64_t[]> data_; // slots, kinds, texts
    std::uint32_t count_ = 0;
    std::uint32_t words_ = 0; // size of data_ in 8-byte words
};

} // namespace ct
