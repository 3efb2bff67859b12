#include "platform/ui/edits.h"

#include "platform/dataset/format.h"
#include "platform/ui/container.h"
#include "platform/ui/utf8.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace ct {
namespace {

bool isDigit(char32_t ch) {
    return ch >= U'0' && ch <= U'9';
}

char32_t toLower(char32_t ch) {
    if ((ch >= U'A' && ch <= U'Z') || (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7))
        return ch + 32;
    return ch;
}

} // namespace

// ----- Edit -----

Edit::Edit(Container& parent, std::string name)
    : Edit(parent, std::move(name), ControlKind::Edit) {}

Edit::Edit(Container& parent, std::string name, ControlKind kind)
    : Control(&parent, std::move(name), kind) {}

void Edit::setMaxLength(int maxLength) {
    if (maxLength_ == maxLength)
        return;
    maxLength_ = std::max(0, maxLength);
    notify(Property::MaxLength);
}

void Edit::setCharCase(CharCase charCase) {
    if (charCase_ == charCase)
        return;
    charCase_ = charCase;
    notify(Property::CharCase);
    changeText(applyCase(text()), false);
}

std::string Edit::applyCase(const std::string& text) const {
    if (charCase_ == CharCase::Upper)
        return utf8::toUpper(text);
    if (charCase_ == CharCase::Lower) {
        std::u32string chars = utf8::decode(text);
        for (char32_t& ch : chars)
            ch = toLower(ch);
        return utf8::encode(chars);
    }
    return text;
}

void Edit::setText(const std::string& text) {
    allSelected_ = false;
    changeText(applyCase(text), false);
}

void Edit::changeText(const std::string& text, bool typed) {
    if (text == this->text())
        return;
    setTextSilently(text);
    notify(Property::Text);
    textChanged(typed);
    if (onChange)
        onChange();
}

void Edit::selectAll() {
    allSelected_ = true;
}

bool Edit::acceptsChar(char32_t, const std::u32string&) const {
    return true;
}

void Edit::keyDown(int& key, ShiftState shift) {
    if (onKeyDown)
        onKeyDown(key, shift);
}

void Edit::keyPress(char32_t& key) {
    if (onKeyPress)
        onKeyPress(key);
    if (key == 0)
        return;
    if (key == 27) {
        escapePressed();
        return;
    }
    if (readOnly())
        return;
    std::u32string current = allSelected_ ? std::u32string{} : utf8::decode(text());
    if (key == 8) {
        if (!allSelected_ && current.empty())
            return;
        if (!beginTyping()) {
            key = 0;
            return;
        }
        if (!current.empty())
            current.pop_back();
        // Literals a mask put in go with the character before them.
        current = shapeTyped(current);
    } else if (key < 32) {
        return; // enter, tab and other control keys do not edit the text
    } else {
        char32_t ch = key;
        if (charCase_ == CharCase::Upper)
            ch = utf8::toUpper(ch);
        else if (charCase_ == CharCase::Lower)
            ch = toLower(ch);
        if (maxLength_ > 0 && static_cast<int>(current.size()) >= maxLength_) {
            key = 0;
            return;
        }
        if (!acceptsChar(ch, current)) {
            key = 0;
            return;
        }
        if (!beginTyping()) {
            key = 0;
            return;
        }
        current = shapeTyped(current + ch);
    }
    allSelected_ = false;
    changeText(utf8::encode(current), true);
}

// ----- MaskEdit -----

MaskEdit::MaskEdit(Container& parent, std::string name)
    : MaskEdit(parent, std::move(name), ControlKind::MaskEdit) {}

MaskEdit::MaskEdit(Container& parent, std::string name, ControlKind kind)
    : Edit(parent, std::move(name), kind) {}

void MaskEdit::setEditMask(std::string mask) {
    if (mask_.text() == mask)
        return;
    mask_ = EditMask(mask);
    notify(Property::EditMask);
}

bool MaskEdit::acceptsChar(char32_t ch, const std::u32string& current) const {
    if (!mask_.empty() && static_cast<int>(current.size()) >= mask_.length())
        return false;
    return mask_.accepts(ch, current);
}

std::u32string MaskEdit::shapeTyped(std::u32string typed) const {
    return mask_.shape(typed);
}

// ----- NumberEdit -----

NumberEdit::NumberEdit(Container& parent, std::string name, int decimals)
    : Edit(parent, std::move(name), ControlKind::NumberEdit)
    , decimals_(std::max(0, decimals)) {
    setTextSilently(format(0));
}

std::string NumberEdit::format(double number) const {
    if (!displayFormat_.empty())
        return formatNumber(number, displayFormat_);
    return formatFixed(number, decimals_, thousands_);
}

double NumberEdit::clamp(double number) const {
    if (min_ && number < *min_)
        return *min_;
    if (max_ && number > *max_)
        return *max_;
    return number;
}

double NumberEdit::number() const {
    if (typing_) {
        if (auto typed = tryParseNumber(text()))
            return clamp(*typed);
        return text().empty() || text() == "-" ? 0 : number_;
    }
    return number_;
}

void NumberEdit::setNumber(double number) {
    typing_ = false;
    const bool changed = number != number_;
    number_ = number;
    formatting_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{formatting_};
    Edit::setText(format(number_));
    if (changed)
        notify(Property::Value);
}

void NumberEdit::setDecimals(int decimals) {
    decimals_ = std::max(0, decimals);
    notify(Property::Range);
    if (!typing_)
        setNumber(number_);
}

void NumberEdit::setThousands(bool thousands) {
    thousands_ = thousands;
    if (!typing_)
        setNumber(number_);
}

void NumberEdit::setDisplayFormat(std::string pattern) {
    displayFormat_ = std::move(pattern);
    if (!typing_)
        setNumber(number_);
}

void NumberEdit::setRange(std::optional<double> min, std::optional<double> max) {
    min_ = min;
    max_ = max;
    notify(Property::Range);
}

bool NumberEdit::acceptsChar(char32_t ch, const std::u32string& current) const {
    if (isDigit(ch))
        return true;
    if (ch == U'-')
        return current.empty();
    if (ch == U',' || ch == U'.')
        return decimals_ > 0 && current.find(U',') == std::u32string::npos;
    return false;
}

void NumberEdit::textChanged(bool typed) {
    if (formatting_)
        return;
    if (typed) {
        typing_ = true;
        return;
    }
    // The program wrote text: read it as the number when it is one.
    if (auto parsed = tryParseNumber(text())) {
        number_ = *parsed;
        typing_ = false;
        notify(Property::Value);
    } else {
        typing_ = true;
    }
}

void NumberEdit::commitEdit() {
    if (!typing_)
        return;
    setNumber(number());
}

// ----- SpinEdit -----

SpinEdit::SpinEdit(Container& parent, std::string name, int minValue, int maxValue)
    : Edit(parent, std::move(name), ControlKind::SpinEdit)
    , value_(minValue)
    , min_(minValue)
    , max_(maxValue) {
    setTextSilently(std::to_string(value_));
}

int SpinEdit::clamp(long long value) const {
    // A range of 0 to 0 means none.
    if (min_ == 0 && max_ == 0)
        return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                      std::numeric_limits<int>::max()));
    return static_cast<int>(std::clamp<long long>(value, min_, max_));
}

int SpinEdit::value() const {
    if (!typing_)
        return value_;
    const std::string& t = text();
    if (t.empty() || t == "-")
        return clamp(min_);
    long long typed = 0;
    bool negative = false;
    for (char c : t) {
        if (c == '-') {
            negative = true;
            continue;
        }
        typed = typed * 10 + (c - '0');
        if (typed > std::numeric_limits<int>::max())
            break;
    }
    return clamp(negative ? -typed : typed);
}

void SpinEdit::setValue(int value) {
    typing_ = false;
    const bool changed = value != value_;
    value_ = value;
    formatting_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{formatting_};
    Edit::setText(std::to_string(value_));
    if (changed)
        notify(Property::Value);
}

void SpinEdit::setRange(int minValue, int maxValue) {
    min_ = minValue;
    max_ = maxValue;
    notify(Property::Range);
}

bool SpinEdit::acceptsChar(char32_t ch, const std::u32string& current) const {
    if (isDigit(ch))
        return true;
    return ch == U'-' && current.empty() && min_ < 0;
}

void SpinEdit::textChanged(bool typed) {
    if (formatting_)
        return;
    if (typed) {
        typing_ = true;
        return;
    }
    // The program wrote text: a number is taken as it is, anything else waits for a commit.
    const std::string& t = text();
    bool numeric = !t.empty();
    for (std::size_t i = 0; i < t.size(); ++i)
        if (!(std::isdigit(static_cast<unsigned char>(t[i])) ||
              (i == 0 && t[i] == '-' && t.size() > 1)))
            numeric = false;
    if (numeric && t.size() < 10) {
        value_ = std::stoi(t);
        typing_ = false;
        notify(Property::Value);
    } else {
        typing_ = true;
    }
}

void SpinEdit::keyDown(int& key, ShiftState shift) {
    Edit::keyDown(key, shift);
    if (readOnly() || (key != ct::keyArrowUp && key != ct::keyArrowDown))
        return;
    const int step = key == ct::keyArrowUp ? 1 : -1;
    key = keyNone;
    setValue(clamp(static_cast<long long>(value()) + step));
}

void SpinEdit::commitEdit() {
    if (!typing_)
        return;
    setValue(value());
}

} // namespace ct
