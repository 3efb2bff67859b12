#include "platform/dataset/packed_values.h"

#include <cstring>

namespace ct {
namespace {

std::uint64_t textSlot(std::size_t offset, std::size_t length) {
    return (static_cast<std::uint64_t>(offset) << 32) | static_cast<std::uint32_t>(length);
}
std::size_t textOffset(std::uint64_t slot) {
    return static_cast<std::size_t>(slot >> 32);
}
std::size_t textLength(std::uint64_t slot) {
    return static_cast<std::size_t>(slot & 0xFFFFFFFFu);
}

std::uint64_t doubleSlot(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
double slotDouble(std::uint64_t slot) {
    double value = 0;
    std::memcpy(&value, &slot, sizeof value);
    return value;
}

} // namespace

// ---- builder ----

void PackedValues::Builder::reset(std::size_t count) {
    kinds_.assign(count, Null);
    slots_.assign(count, 0);
    texts_.clear();
}

void PackedValues::Builder::setNull(std::size_t index) {
    kinds_[index] = Null;
    slots_[index] = 0;
}

void PackedValues::Builder::setText(std::size_t index, std::string_view text) {
    kinds_[index] = Text;
    slots_[index] = textSlot(texts_.size(), text.size());
    texts_.append(text);
}

void PackedValues::Builder::setDouble(std::size_t index, double value) {
    kinds_[index] = Double;
    slots_[index] = doubleSlot(value);
}

void PackedValues::Builder::setInteger(std::size_t index, std::int64_t value) {
    kinds_[index] = Integer;
    slots_[index] = static_cast<std::uint64_t>(value);
}

void PackedValues::Builder::setBool(std::size_t index, bool value) {
    kinds_[index] = Bool;
    slots_[index] = value ? 1 : 0;
}

void PackedValues::Builder::setDateTime(std::size_t index, const DateTime& value) {
    kinds_[index] = Date;
    slots_[index] = static_cast<std::uint64_t>(value.epochSeconds());
}

void PackedValues::Builder::set(std::size_t index, const Value& value) {
    const Value::Storage& v = value.storage();
    if (const auto* s = std::get_if<std::string>(&v))
        setText(index, *s);
    else if (const auto* d = std::get_if<double>(&v))
        setDouble(index, *d);
    else if (const auto* i = std::get_if<std::int64_t>(&v))
        setInteger(index, *i);
    else if (const auto* b = std::get_if<bool>(&v))
        setBool(index, *b);
    else if (const auto* t = std::get_if<DateTime>(&v))
        setDateTime(index, *t);
    else
        setNull(index);
}

PackedValues PackedValues::Builder::build() const {
    const std::size_t count = kinds_.size();
    std::size_t textBytes = 0;
    for (std::size_t i = 0; i < count; ++i)
        if (kinds_[i] == Text)
            textBytes += textLength(slots_[i]);
    PackedValues out;
    out.count_ = static_cast<std::uint32_t>(count);
    out.words_ = static_cast<std::uint32_t>(count + (count + textBytes + 7) / 8);
    if (count == 0)
        return out;
    out.data_ = std::make_unique<std::uint64_t[]>(out.words_);
    std::uint64_t* slots = out.data_.get();
    auto* kinds = reinterpret_cast<std::uint8_t*>(slots + count);
    char* texts = reinterpret_cast<char*>(kinds + count);
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        kinds[i] = kinds_[i];
        if (kinds_[i] != Text) {
            slots[i] = slots_[i];
            continue;
        }
        // Texts in slot order, whatever order they were set in: equal rows pack equally.
        const std::size_t length = textLength(slots_[i]);
        std::memcpy(texts + at, texts_.data() + textOffset(slots_[i]), length);
        slots[i] = textSlot(at, length);
        at += length;
    }
    return out;
}

// ---- packed values ----

PackedValues::PackedValues(const std::vector<Value>& values) {
    Builder builder;
    builder.reset(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        builder.set(i, values[i]);
    *this = builder.build();
}

PackedValues::PackedValues(const PackedValues& other)
    : count_(other.count_)
    , words_(other.words_) {
    if (other.data_) {
        data_ = std::make_unique<std::uint64_t[]>(words_);
        std::memcpy(data_.get(), other.data_.get(), words_ * sizeof(std::uint64_t));
    }
}

PackedValues& PackedValues::operator=(const PackedValues& other) {
    if (this != &other)
        *this = PackedValues(other);
    return *this;
}

void PackedValues::clear() {
    data_.reset();
    count_ = 0;
    words_ = 0;
}

const std::uint8_t* PackedValues::kinds() const {
    return reinterpret_cast<const std::uint8_t*>(data_.get() + count_);
}

const char* PackedValues::texts() const {
    return reinterpret_cast<const char*>(kinds() + count_);
}

bool PackedValues::isNull(std::size_t index) const {
    return kinds()[index] == Null;
}

std::string_view PackedValues::text(std::size_t index) const {
    if (kinds()[index] != Text)
        return {};
    const std::uint64_t slot = slots()[index];
    return {texts() + textOffset(slot), textLength(slot)};
}

Value PackedValues::get(std::size_t index) const {
    const std::uint64_t slot = slots()[index];
    switch (kinds()[index]) {
    case Text:
        return Value(std::string(text(index)));
    case Double:
        return Value(slotDouble(slot));
    case Integer:
        return Value(static_cast<long long>(slot));
    case Bool:
        return Value(slot != 0);
    case Date:
        return Value(DateTime::fromEpochSeconds(static_cast<std::int64_t>(slot)));
    default:
        return Value();
    }
}

std::vector<Value> PackedValues::unpack() const {
    std::vector<Value> out;
    out.reserve(count_);
    for (std::size_t i = 0; i < count_; ++i)
        out.push_back(get(i));
    return out;
}

void PackedValues::set(std::size_t index, const Value& value) {
    Builder builder;
    builder.reset(count_);
    for (std::size_t i = 0; i < count_; ++i) {
        if (i == index)
            builder.set(i, value);
        else if (kinds()[i] == Text)
            builder.setText(i, text(i));
        else {
            builder.kinds_[i] = kinds()[i];
            builder.slots_[i] = slots()[i];
        }
    }
    *this = builder.build();
}

bool PackedValues::sameAt(std::size_t index, const PackedValues& other) const {
    const std::uint8_t kind = kinds()[index];
    if (kind != other.kinds()[index])
        return false;
    switch (kind) {
    case Null:
        return true;
    case Text:
        return text(index) == other.text(index);
    case Double:
        return slotDouble(slots()[index]) == slotDouble(other.slots()[index]);
    default:
        return slots()[index] == other.slots()[index];
    }
}

} // namespace ct
