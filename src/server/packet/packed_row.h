#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
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
    static Cell of_bool(bool value) {
        Cell c;
        c.kind_ = Kind::boolean;
        c.boolean_ = value;
        return c;
    }
    static Cell of_integer(long long value) {
        Cell c;
        c.kind_ = Kind::integer;
        c.integer_ = value;
        return c;
    }
    static Cell of_real(double value) {
        Cell c;
        c.kind_ = Kind::real;
        c.real_ = value;
        return c;
    }
    static Cell of_text(std::string_view value) {
        Cell c;
        c.kind_ = Kind::text;
        c.text_ = value;
        return c;
    }
    static Cell of_other() {
        Cell c;
        c.kind_ = Kind::other;
        return c;
    }

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

// The parts of a packed row: count, offsets (count + 1), kinds, payload.
namespace packed_layout {

inline std::uint32_t read_u32(const char* at) {
    std::uint32_t v = 0;
    std::memcpy(&v, at, sizeof v);
    return v;
}

// A whole number stored in 1, 2, 4 or 8 bytes.
inline long long read_integer(const char* at, std::size_t width) {
    switch (width) {
    case 1:
        return static_cast<std::int8_t>(*at);
    case 2: {
        std::int16_t v = 0;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    case 4: {
        std::int32_t v = 0;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    default: {
        std::int64_t v = 0;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    }
}

struct Layout {
    std::size_t count;
    const char* offsets;
    const char* kinds;
    const char* payload;

    explicit Layout(const char* data)
        : count(read_u32(data))
        , offsets(data + sizeof(std::uint32_t))
        , kinds(offsets + (count + 1) * sizeof(std::uint32_t))
        , payload(kinds + count) {}

    std::uint32_t offset(std::size_t i) const {
        return read_u32(offsets + i * sizeof(std::uint32_t));
    }
};

} // namespace packed_layout

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

    std::size_t size() const { return data_ ? packed_layout::read_u32(data_.get()) : 0; }
    bool empty() const { return size() == 0; }
    // In the header: the values of a big delta are read millions of times.
    Cell operator[](std::size_t index) const;
    // Whether two rows hold the same value at `index`, as Cell's == says: mostly told by their
    // bytes, without reading either value.
    static bool same_at(const PackedRow& a, const PackedRow& b, std::size_t index);
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

inline Cell PackedRow::operator[](std::size_t index) const {
    if (index >= size()) {
        throw std::out_of_range("no such value in the row");
    }
    const packed_layout::Layout layout(data_.get());
    const std::uint32_t begin = layout.offset(index);
    const std::uint32_t end = layout.offset(index + 1);
    const char* at = layout.payload + begin;
    switch (static_cast<Cell::Kind>(layout.kinds[index])) {
    case Cell::Kind::null:
        return Cell();
    case Cell::Kind::boolean:
        return Cell::of_bool(*at != 0);
    case Cell::Kind::integer:
        return Cell::of_integer(packed_layout::read_integer(at, end - begin));
    case Cell::Kind::real: {
        double v = 0;
        std::memcpy(&v, at, sizeof v);
        return Cell::of_real(v);
    }
    case Cell::Kind::text:
        return Cell::of_text(std::string_view(at, end - begin));
    case Cell::Kind::other:
        return Cell::of_other();
    }
    return Cell();
}

inline bool PackedRow::same_at(const PackedRow& a, const PackedRow& b, std::size_t index) {
    if (index < a.size() && index < b.size()) {
        const packed_layout::Layout x(a.data_.get());
        const packed_layout::Layout y(b.data_.get());
        const std::uint32_t x_begin = x.offset(index);
        const std::uint32_t y_begin = y.offset(index);
        const std::uint32_t size = x.offset(index + 1) - x_begin;
        if (x.kinds[index] == y.kinds[index] && size == y.offset(index + 1) - y_begin &&
            std::memcmp(x.payload + x_begin, y.payload + y_begin, size) == 0) {
            return true;
        }
    }
    return a[index] == b[index]; // 2 and 2.0, or a value one row lacks
}

} // namespace ct::server
