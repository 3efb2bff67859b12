#include "server/packet/packed_row.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace ct::server {

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

using packed_layout::Layout;

constexpr std::size_t header = sizeof(std::uint32_t); // the count

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

} // namespace

std::size_t PackedRow::bytes() const {
    if (!data_) {
        return 0;
    }
    const Layout at(data_.get());
    return static_cast<std::size_t>(at.payload - data_.get()) + at.offset(at.count);
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
