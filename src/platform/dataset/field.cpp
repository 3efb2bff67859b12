#include "platform/dataset/field.h"

#include "platform/dataset/dataset.h"
#include "platform/dataset/dataset_error.h"
#include "platform/dataset/format.h"
#include "platform/dataset/text_compare.h"
#include "text/utf8.h"

#include <cmath>
#include <fmt/format.h>

namespace ct {
namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::optional<bool> readBoolean(std::string_view text) {
    for (std::string_view yes : {"true", "t", "s", "sim", "1", "y", "yes"})
        if (sameName(text, yes))
            return true;
    for (std::string_view no : {"false", "f", "n", "nao", "não", "0", "no"})
        if (sameName(text, no))
            return false;
    return std::nullopt;
}

std::int64_t roundToInteger(double number) {
    double rounded = roundDecimal(number, 0);
    if (!(rounded >= -9.2e18 && rounded <= 9.2e18))
        throw DataSetError(fmt::format("O número {} está fora do limite de um inteiro", number));
    return static_cast<std::int64_t>(rounded);
}

} // namespace

Field::Field(DataSet& owner, FieldDef def, int index)
    : owner_(&owner)
    , def_(std::move(def))
    , index_(index) {}

bool Field::isText() const {
    return isTextType(def_.type);
}
bool Field::isNumeric() const {
    return isNumericType(def_.type);
}

int Field::displayWidth() const {
    if (def_.displayWidth > 0)
        return def_.displayWidth;
    return isText() && def_.size > 0 ? def_.size : 10;
}

Value Field::value() const {
    return owner_->currentValue(index_);
}
Value Field::oldValue() const {
    return owner_->oldValueOf(index_);
}

std::string Field::asString() const {
    Value v = value();
    if (v.isNull())
        return {};
    if (v.isString())
        return v.asString();
    if (v.isInteger())
        return std::to_string(v.asInteger());
    if (v.isDouble())
        return formatNumber(v.asDouble());
    if (v.isBool())
        return v.asBool() ? "True" : "False";
    return formatDateTimePattern(v.asDateTime(), {});
}

double Field::asFloat() const {
    Value v = value();
    if (v.isNull())
        return 0;
    if (v.isNumber())
        return v.asDouble();
    if (v.isBool())
        return v.asBool() ? 1 : 0;
    if (v.isString()) {
        if (trimmed(v.asString()).empty())
            return 0;
        return parseNumber(v.asString());
    }
    throw DataSetError(fmt::format("O campo {} não pode ser lido como número", name()));
}

std::int64_t Field::asInteger() const {
    Value v = value();
    if (v.isInteger())
        return v.asInteger();
    return roundToInteger(asFloat());
}

bool Field::asBoolean() const {
    Value v = value();
    if (v.isNull())
        return false;
    if (v.isBool())
        return v.asBool();
    if (v.isNumber())
        return v.asDouble() != 0;
    if (v.isString()) {
        if (auto b = readBoolean(trimmed(v.asString())))
            return *b;
        return false;
    }
    throw DataSetError(fmt::format("O campo {} não pode ser lido como valor lógico", name()));
}

DateTime Field::asDateTime() const {
    Value v = value();
    if (v.isNull())
        return DateTime();
    if (v.isDateTime())
        return v.asDateTime();
    if (v.isString())
        return parseDate(v.asString());
    throw DataSetError(fmt::format("O campo {} não pode ser lido como data", name()));
}

void Field::checkText(std::string_view text) const {
    if (!valid_utf8(text))
        throw DataSetError(fmt::format("Valor inválido para o campo {}: {}", name(),
                                       "texto com caracteres inválidos (UTF-8)"));
    // A text holds no more characters than bytes: only a longer one is counted.
    const auto size = static_cast<std::size_t>(def_.size);
    if (def_.size > 0 && text.size() > size && utf8_length(text) > size)
        throw DataSetError(
            fmt::format("O texto \"{}\" tem {} caracteres; o campo {} aceita no máximo {}", text,
                        utf8_length(text), name(), def_.size));
}

Value Field::convert(const Value& value) const {
    if (value.isNull())
        return value;
    auto refuse = [&](std::string_view why) -> DataSetError {
        return DataSetError(fmt::format("Valor inválido para o campo {}: {}", name(), why));
    };
    switch (def_.type) {
    case FieldType::String:
    case FieldType::FixedString: {
        std::string text;
        if (value.isString())
            text = value.asString();
        else if (value.isInteger())
            text = std::to_string(value.asInteger());
        else if (value.isDouble())
            text = formatNumber(value.asDouble());
        else if (value.isBool())
            text = value.asBool() ? "True" : "False";
        else
            text = formatDateTimePattern(value.asDateTime(), {});
        checkText(text);
        return Value(std::move(text));
    }
    case FieldType::Float:
    case FieldType::Integer: {
        double number = 0;
        if (value.isNumber())
            number = value.asDouble();
        else if (value.isString()) {
            if (trimmed(value.asString()).empty())
                return Value();
            auto parsed = tryParseNumber(value.asString());
            if (!parsed)
                throw refuse(fmt::format("'{}' não é um número válido", value.asString()));
            number = *parsed;
        } else if (value.isBool())
            number = value.asBool() ? 1 : 0;
        else
            throw refuse("uma data não é um número");
        if (!std::isfinite(number))
            throw refuse("número não finito");
        if ((def_.maxValue && number > *def_.maxValue) ||
            (def_.minValue && number < *def_.minValue))
            throw DataSetError(fmt::format("O valor {} está fora dos limites do campo {} ({} a {})",
                                           formatNumber(number), name(),
                                           def_.minValue ? formatNumber(*def_.minValue) : "-",
                                           def_.maxValue ? formatNumber(*def_.maxValue) : "-"));
        if (def_.type == FieldType::Integer)
            return value.isInteger() ? value : Value(roundToInteger(number));
        return Value(number);
    }
    case FieldType::Boolean:
        if (value.isBool())
            return value;
        if (value.isNumber())
            return Value(value.asDouble() != 0);
        if (value.isString()) {
            auto text = trimmed(value.asString());
            if (text.empty())
                return Value();
            if (auto b = readBoolean(text))
                return Value(*b);
            throw refuse(fmt::format("'{}' não é um valor lógico", value.asString()));
        }
        throw refuse("uma data não é um valor lógico");
    case FieldType::DateTime:
        if (value.isDateTime())
            return value;
        if (value.isString()) {
            auto text = trimmed(value.asString());
            if (text.empty())
                return Value();
            if (auto d = tryParseDate(text))
                return Value(*d);
            if (auto d = DateTime::parseIso(text))
                return Value(*d);
            throw refuse(fmt::format("'{}' não é uma data válida", value.asString()));
        }
        throw refuse(fmt::format("{} não é uma data", value.toString()));
    }
    return value;
}

void Field::setValue(const Value& value) {
    owner_->writeValue(index_, convert(value));
}
void Field::setAsString(const std::string& text) {
    setValue(Value(text));
}
void Field::setAsFloat(double number) {
    setValue(Value(number));
}
void Field::setAsInteger(std::int64_t number) {
    setValue(Value(static_cast<long long>(number)));
}
void Field::setAsBoolean(bool flag) {
    setValue(Value(flag));
}
void Field::setAsDateTime(const DateTime& when) {
    setValue(Value(when));
}

std::string Field::defaultText(bool displayText) const {
    Value v = value();
    if (v.isNull())
        return {};
    const std::string& pattern =
        displayText || def_.editFormat.empty() ? def_.displayFormat : def_.editFormat;
    if (v.isString())
        return v.asString();
    if (v.isInteger() && pattern.empty())
        return std::to_string(v.asInteger());
    if (v.isNumber())
        return formatNumber(v.asDouble(), pattern);
    if (v.isBool())
        return v.asBool() ? "True" : "False";
    return formatDateTimePattern(v.asDateTime(), pattern);
}

std::string Field::text() const {
    std::string result = defaultText(false);
    if (onGetText)
        onGetText(const_cast<Field&>(*this), result, false);
    return result;
}

std::string Field::displayText() const {
    std::string result = defaultText(true);
    if (onGetText)
        onGetText(const_cast<Field&>(*this), result, true);
    return result;
}

void Field::setText(const std::string& text) {
    if (onSetText)
        onSetText(*this, text);
    else
        setDefaultText(text);
}

void Field::setDefaultText(const std::string& text) {
    if (!isText() && trimmed(text).empty())
        setValue(Value());
    else
        setValue(Value(text));
}

} // namespace ct
