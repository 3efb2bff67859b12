#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ct::server {

// One value of a received row, as JSON gave it: null, true/false, a whole number, a number with
// a fraction, a text, or something no field holds (an array or object where a value belongs).
class Cell {
public:
    enum class Kind : std::uint8_t { null, boolean, integer, real, text, other };

    Cell() = default;
    static Cell of_bool(bool value);
    static Cell of_integer(long long value);
    static Cell of_real(double value);
    static Cell of_text(std::string_view value);
    static Cell of_other();

    Kind kind() const { return kind_; }
    bool is_null() const { return kind_ == Kind::null; }
    bool is_boolean() const { return kind_ == Kind::boolean; }
    bool is_integer() const { return kind_ == Kind::integer; }
    bool is_number() const { return kind_ == Kind::integer || kind_ == Kind::real; }
    bool is_string() const { return kind_ == Kind::text; }

    bool boolean() const { return boolean_; }
    // Numbers as a double (whole numbers converted); 0 for anything else.
    double number() const;
    long long integer() const { return integer_; }
    std::string_view text() const { return text_; }

    // As JSON compares values: numbers by value whatever their kind, texts byte by byte.
    friend bool operator==(const Cell& a, const Cell& b);

private:
    Kind kind_ = Kind::null;
    bool boolean_ = false;
    long long integer_ = 0;
    double real_ = 0.0;
    std::string_view text_;
};

// The values of one received row in a single allocation: count, offsets, kinds, then numbers
// (whole numbers in as few bytes as they need) and texts. A delta of 20,000 parties holds 40,000
// rows of 54 values: a JSON document of them takes many times the text it came in, this about
// one and a half. An empty row allocates nothing.
class PackedRow {
public:
    PackedRow() = default;
    PackedRow(const PackedRow& other);
    PackedRow& operator=(const PackedRow& other);
    PackedRow(PackedRow&&) noexcept = default;
    PackedRow& operator=(PackedRow&&) noexcept = default;

    std::size_t size() const;
    bool empty() const { return size() == 0; }
    Cell operator[](std::size_t index) const;
    // Bytes held.
    std::size_t bytes() const;

    // Builds rows value by value; reusable from row to row.
    class Builder {
    public:
        void add(const Cell& cell);
        void add_null() { add(Cell()); }
        std::size_t size() const { return kinds_.size(); }
        // The row so far, the builder emptied for the next one.
        PackedRow take();

    private:
        std::vector<std::uint32_t> offsets_; // start of each value in payload_
        std::vector<Cell::Kind> kinds_;
        std::string payload_;
    };

    // The row with one value replaced (packed again: kept for the rare value that changes form).
    PackedRow with(std::size_t index, const Cell& cell) const;
    // Replaces a number in place by the whole number of the same value.
    void make_integer(std::size_t index, long long value);

private:
    std::unique_ptr<char[]> data_; // count, offsets (count + 1), kinds, payload
};

} // namespace ct::server
