#include "server/packet/packed_row.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace ct::server {

Cell Cell::of_bool(bool value) {
    Cell c;
    c.kind_ = Kind::boolean;
    c.boolean_ = value;
    return c;
}

Cell Cell::of_integer(long long value) {
    Cell c;
    c.kind_ = Kind::integer;
    c.integer_ = value;
    return c;
}

Cell Cell::of_real(double value) {
    Cell c;
    c.kind_ = Kind::real;
    c.real_ = value;
    return c;
}

Cell Cell::of_text(std::string_view value) {
    Cell c;
    c.kind_ = Kind::text;
    c.text_ = value;
    return c;
}

Cell Cell::of_other() {
    Cell c;
    c.kind_ = Kind::other;
    return c;
}

double Cell::number() const {
    if (kind_ == Kind::integer) {
        return static_cast<double>(integer_);
    }
    return kind_ == Kind::real ? real_ : 0.0;
}

bool operator==(const Cell& a, const Cell& b) {
    if (a.is_number() && b.is_number()) {
        if (a.kind_ == Cell::Kind::integer && b.kind_ == Cell::Kind::integer) {
            return a.integer_ == b.integer_;
        }
        return a.number() == b.number();
    }
    if (a.kind_ != b.kind_) {
        return false;
    }
    switch (a.kind_) {
    case Cell::Kind::boolean:
        return a.boolean_ == b.boolean_;
    case Cell::Kind::text:
        return a.text_ == b.text_;
    default:
        return true; // null, other
    }
}

namespace {

constexpr std::size_t header = sizeof(std::uint32_t);

std::uint32_t read_u32(const char* at) {
    std::uint32_t v = 0;
    std::memcpy(&v, at, sizeof v);
    return v;
}

// A whole number in the fewest of 1, 2, 4 or 8 bytes that give it back.
std::size_t integer_width(long long v) {
    if (v >= INT8_MIN && v <= INT8_MAX) {
        return 1;
    }
    if (v >= INT16_MIN && v <= INT16_MAX) {
        return 2;
    }
    if (v >= INT32_MIN && v <= INT32_MAX) {
        return 4;
    }
    return 8;
}

long long read_integer(const char* at, std::size_t width) {
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

void append_integer(std::string& out, long long v) {
    switch (integer_width(v)) {
    case 1:
        out.push_back(static_cast<char>(static_cast<std::int8_t>(v)));
        return;
    case 2: {
        const auto n = static_cast<std::int16_t>(v);
        out.append(reinterpret_cast<const char*>(&n), sizeof n);
        return;
    }
    case 4: {
        const auto n = static_cast<std::int32_t>(v);
        out.append(reinterpret_cast<const char*>(&n), sizeof n);
        return;
    }
    default: {
        const auto n = static_cast<std::int64_t>(v);
        out.append(reinterpret_cast<const char*>(&n), sizeof n);
        return;
    }
    }
}

// Where the parts of a packed row lie.
struct Layout {
    std::size_t count;
    const char* offsets;
    const char* kinds;
    const char* payload;

    explicit Layout(const char* data)
        : count(read_u32(data))
        , offsets(data + header)
        , kinds(offsets + (count + 1) * sizeof(std::uint32_t))
        , payload(kinds + count) {}

    std::uint32_t offset(std::size_t i) const {
        return read_u32(offsets + i * sizeof(std::uint32_t));
    }
};

} // namespace

std::size_t PackedRow::size() const {
    return data_ ? read_u32(data_.get()) : 0;
}

std::size_t PackedRow::bytes() const {
    if (!data_) {
        return 0;
    }
    const Layout at(data_.get());
    return static_cast<std::size_t>(at.payload - data_.get()) + at.offset(at.count);
}

Cell PackedRow::operator[](std::size_t index) const {
    if (index >= size()) {
        throw std::out_of_range("no such value in the row");
    }
    const Layout layout(data_.get());
    const std::uint32_t begin = layout.offset(index);
    const std::uint32_t end = layout.offset(index + 1);
    const char* at = layout.payload + begin;
    switch (static_cast<Cell::Kind>(layout.kinds[index])) {
    case Cell::Kind::null:
        return Cell();
    case Cell::Kind::boolean:
        return Cell::of_bool(*at != 0);
    case Cell::Kind::integer:
        return Cell::of_integer(read_integer(at, end - begin));
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

PackedRow::PackedRow(const PackedRow& other) {
    if (other.data_) {
        const std::size_t n = other.bytes();
        data_ = std::make_unique_for_overwrite<char[]>(n);
        std::memcpy(data_.get(), other.data_.get(), n);
    }
}

PackedRow& PackedRow::operator=(const PackedRow& other) {
    if (this != &other) {
        PackedRow copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void PackedRow::Builder::add(const Cell& cell) {
    if (payload_.size() > std::numeric_limits<std::uint32_t>::max() / 2) {
        throw std::length_error("row too large");
    }
    offsets_.push_back(static_cast<std::uint32_t>(payload_.size()));
    kinds_.push_back(cell.kind());
    switch (cell.kind()) {
    case Cell::Kind::boolean:
        payload_.push_back(cell.boolean() ? 1 : 0);
        break;
    case Cell::Kind::integer:
        append_integer(payload_, cell.integer());
        break;
    case Cell::Kind::real: {
        const double v = cell.number();
        payload_.append(reinterpret_cast<const char*>(&v), sizeof v);
        break;
    }
    case Cell::Kind::text:
        payload_.append(cell.text());
        break;
    default:
        break;
    }
}

PackedRow PackedRow::Builder::take() {
    const std::size_t count = kinds_.size();
    PackedRow row;
    if (count == 0) {
        payload_.clear();
        return row;
    }
    const std::size_t bytes =
        header + (count + 1) * sizeof(std::uint32_t) + count + payload_.size();
    row.data_ = std::make_unique_for_overwrite<char[]>(bytes);
    char* at = row.data_.get();
    const auto count32 = static_cast<std::uint32_t>(count);
    std::memcpy(at, &count32, sizeof count32);
    at += header;
    offsets_.push_back(static_cast<std::uint32_t>(payload_.size()));
    std::memcpy(at, offsets_.data(), offsets_.size() * sizeof(std::uint32_t));
    at += offsets_.size() * sizeof(std::uint32_t);
    std::memcpy(at, kinds_.data(), count);
    at += count;
    std::memcpy(at, payload_.data(), payload_.size());
    offsets_.clear();
    kinds_.clear();
    payload_.clear();
    return row;
}

PackedRow PackedRow::with(std::size_t index, const Cell& cell) const {
    Builder builder;
    for (std::size_t i = 0; i < size(); ++i) {
        builder.add(i == index ? cell : (*this)[i]);
    }
    return builder.take();
}

void PackedRow::make_integer(std::size_t index, long long value) {
    if (index >= size() || !(*this)[index].is_number() ||
        (*this)[index].kind() != Cell::Kind::real) {
        throw std::logic_error("only a number with a fraction becomes a whole number in place");
    }
    const Layout layout(data_.get());
    char* kinds = data_.get() + (layout.kinds - data_.get());
    kinds[index] = static_cast<char>(Cell::Kind::integer);
    // The eight bytes of the double hold the whole number; its width is read from the offsets.
    const auto v = static_cast<std::int64_t>(value);
    std::memcpy(kinds + layout.count + layout.offset(index), &v, sizeof v);
}

} // namespace ct::server
