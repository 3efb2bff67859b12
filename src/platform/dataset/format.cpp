#include "platform/dataset/format.h"

#include "money/round_dec.h"
#include "platform/dataset/dataset_error.h"

#include <array>
#include <charconv>
#include <cmath>
#include <fmt/format.h>

namespace ct {
namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string groupThousands(const std::string& integer) {
    std::string out;
    int count = 0;
    for (auto it = integer.rbegin(); it != integer.rend(); ++it) {
        if (count > 0 && count % 3 == 0)
            out.insert(out.begin(), '.');
        out.insert(out.begin(), *it);
        ++count;
    }
    return out;
}

struct NumberPattern {
    std::string prefix, suffix;
    bool thousands = false;
    int minInteger = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
};

NumberPattern readPattern(std::string_view pattern) {
    NumberPattern p;
    if (auto semi = pattern.find(';'); semi != std::string_view::npos)
        pattern = pattern.substr(0, semi);
    auto isDigitChar = [](char c) { return c == '#' || c == '0' || c == ',' || c == '.'; };
    std::size_t begin = 0;
    while (begin < pattern.size() && !isDigitChar(pattern[begin]))
        ++begin;
    std::size_t end = begin;
    while (end < pattern.size() && isDigitChar(pattern[end]))
        ++end;
    p.prefix = std::string(pattern.substr(0, begin));
    p.suffix = std::string(pattern.substr(end));
    bool afterDot = false;
    for (char c : pattern.substr(begin, end - begin)) {
        if (c == '.')
            afterDot = true;
        else if (c == ',' && !afterDot)
            p.thousands = true;
        else if (afterDot && (c == '0' || c == '#')) {
            ++p.maxDecimals;
            if (c == '0')
                p.minDecimals = p.maxDecimals;
        } else if (!afterDot && c == '0')
            ++p.minInteger;
    }
    return p;
}

[[noreturn]] void badNumber(std::string_view text) {
    throw DataSetError(fmt::format("'{}' não é um número válido", text));
}

[[noreturn]] void badDate(std::string_view text) {
    throw DataSetError(fmt::format("'{}' não é uma data válida", text));
}

// Reads 1 to `maxWidth` digits at `pos`.
std::optional<int> readDigits(std::string_view text, std::size_t& pos, std::size_t minWidth,
                              std::size_t maxWidth) {
    std::size_t start = pos;
    int value = 0;
    while (pos < text.size() && pos - start < maxWidth && text[pos] >= '0' && text[pos] <= '9')
        value = value * 10 + (text[pos++] - '0');
    if (pos - start < minWidth)
        return std::nullopt;
    return value;
}

} // namespace

double roundDecimal(double value, int decimals) {
    return RoundDec(value, decimals);
}

std::string formatFixed(double value, int decimals, bool thousands) {
    const DecimalDigits d = roundedDigits(value, decimals);
    std::string out = d.negative ? "-" : "";
    out += thousands ? groupThousands(d.integer) : d.integer;
    if (decimals > 0)
        out += "," + d.fraction;
    return out;
}

std::string formatInteger(std::int64_t value, bool thousands) {
    std::string digits =
        std::to_string(value < 0 ? -(value + 1) + 1ull : static_cast<unsigned long long>(value));
    return (value < 0 ? "-" : "") + (thousands ? groupThousands(digits) : digits);
}

std::string formatNumber(double value, std::string_view pattern) {
    if (!std::isfinite(value))
        return {};
    if (trim(pattern).empty()) {
        std::string text = fmt::format("{:.15g}", value);
        for (char& c : text)
            if (c == '.')
                c = ',';
        return text == "-0" ? "0" : text;
    }
    NumberPattern p = readPattern(pattern);
    DecimalDigits d = roundedDigits(value, p.maxDecimals);
    while (static_cast<int>(d.fraction.size()) > p.minDecimals && d.fraction.back() == '0')
        d.fraction.pop_back();
    std::string integer = d.integer;
    if (integer == "0" && p.minInteger == 0 && !d.fraction.empty())
        integer.clear();
    while (static_cast<int>(integer.size()) < p.minInteger)
        integer.insert(integer.begin(), '0');
    std::string out = d.negative ? "-" : "";
    out += p.prefix;
    out += p.thousands ? groupThousands(integer) : integer;
    if (!d.fraction.empty())
        out += "," + d.fraction;
    out += p.suffix;
    return out;
}

std::optional<double> tryParseNumber(std::string_view text) {
    std::string_view t = trim(text);
    if (!t.empty() && t.back() == '%')
        t = trim(t.substr(0, t.size() - 1));
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    auto comma = t.find(',');
    std::string_view integer = t.substr(0, comma);
    std::string_view fraction =
        comma == std::string_view::npos ? std::string_view{} : t.substr(comma + 1);
    if (integer.empty() && fraction.empty())
        return std::nullopt;
    std::string digits;
    if (integer.find('.') != std::string_view::npos) {
        // thousands points: first group 1-3 digits, then groups of exactly 3
        std::size_t pos = 0;
        bool firstGroup = true;
        while (pos <= integer.size()) {
            auto next = integer.find('.', pos);
            std::string_view group = integer.substr(
                pos, next == std::string_view::npos ? std::string_view::npos : next - pos);
            if (group.empty() || group.size() > 3 || (!firstGroup && group.size() != 3))
                return std::nullopt;
            digits += group;
            firstGroup = false;
            if (next == std::string_view::npos)
                break;
            pos = next + 1;
        }
    } else {
        digits = integer;
    }
    for (char c : digits)
        if (c < '0' || c > '9')
            return std::nullopt;
    for (char c : fraction)
        if (c < '0' || c > '9')
            return std::nullopt;
    std::string plain =
        (digits.empty() ? "0" : digits) + "." + (fraction.empty() ? "0" : std::string(fraction));
    double value = 0;
    auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || ptr != plain.data() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

double parseNumber(std::string_view text) {
    if (auto value = tryParseNumber(text))
        return *value;
    badNumber(text);
}

std::string formatDate(const DateTime& when) {
    return fmt::format("{:02}/{:02}/{:04}", when.day(), when.month(), when.year());
}

std::string formatDateTime(const DateTime& when) {
    return fmt::format("{} {:02}:{:02}:{:02}", formatDate(when), when.hour(), when.minute(),
                       when.second());
}

std::string formatDateTimePattern(const DateTime& when, std::string_view pattern) {
    if (trim(pattern).empty())
        return when.hasTime() ? formatDateTime(when) : formatDate(when);
    std::string out;
    bool afterHour = false;
    std::size_t i = 0;
    auto run = [&](char c) {
        std::size_t n = 0;
        while (i + n < pattern.size() && (pattern[i + n] | 0x20) == c)
            ++n;
        return n;
    };
    while (i < pattern.size()) {
        char c = static_cast<char>(pattern[i] | 0x20);
        std::size_t n = (c >= 'a' && c <= 'z') ? run(c) : 0;
        if (c == 'd' && n > 0) {
            out += n >= 2 ? fmt::format("{:02}", when.day()) : std::to_string(when.day());
        } else if (c == 'y' && n > 0) {
            out += n >= 3 ? fmt::format("{:04}", when.year())
                          : fmt::format("{:02}", when.year() % 100);
        } else if (c == 'h' && n > 0) {
            out += n >= 2 ? fmt::format("{:02}", when.hour()) : std::to_string(when.hour());
            afterHour = true;
        } else if ((c == 'n' || (c == 'm' && afterHour)) && n > 0) {
            out += n >= 2 ? fmt::format("{:02}", when.minute()) : std::to_string(when.minute());
            afterHour = false;
        } else if (c == 'm' && n > 0) {
            out += n >= 2 ? fmt::format("{:02}", when.month()) : std::to_string(when.month());
        } else if (c == 's' && n > 0) {
            out += n >= 2 ? fmt::format("{:02}", when.second()) : std::to_string(when.second());
        } else {
            out += pattern[i];
            n = 1;
        }
        i += n;
    }
    return out;
}

std::optional<DateTime> tryParseDate(std::string_view text) {
    std::string_view t = trim(text);
    std::size_t pos = 0;
    auto day = readDigits(t, pos, 1, 2);
    if (!day || pos >= t.size() || t[pos++] != '/')
        return std::nullopt;
    auto month = readDigits(t, pos, 1, 2);
    if (!month || pos >= t.size() || t[pos++] != '/')
        return std::nullopt;
    std::size_t yearStart = pos;
    auto year = readDigits(t, pos, 2, 4);
    if (!year || pos - yearStart == 3)
        return std::nullopt;
    if (pos - yearStart == 2)
        *year += *year < 50 ? 2000 : 1900;
    int hour = 0, minute = 0, second = 0;
    if (pos < t.size()) {
        if (t[pos] != ' ')
            return std::nullopt;
        while (pos < t.size() && t[pos] == ' ')
            ++pos;
        auto h = readDigits(t, pos, 1, 2);
        if (!h || pos >= t.size() || t[pos++] != ':')
            return std::nullopt;
        auto m = readDigits(t, pos, 2, 2);
        if (!m)
            return std::nullopt;
        hour = *h;
        minute = *m;
        if (pos < t.size()) {
            if (t[pos++] != ':')
                return std::nullopt;
            auto s = readDigits(t, pos, 2, 2);
            if (!s || pos != t.size())
                return std::nullopt;
            second = *s;
        }
    }
    return DateTime::tryFromParts(*year, *month, *day, hour, minute, second);
}

DateTime parseDate(std::string_view text) {
    if (auto when = tryParseDate(text))
        return *when;
    badDate(text);
}

} // namespace ct
