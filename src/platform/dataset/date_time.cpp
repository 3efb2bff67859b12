#include "platform/dataset/date_time.h"

#include "platform/dataset/dataset_error.h"

#include <charconv>
#include <ctime>
#include <fmt/format.h>

namespace ct {
namespace {

std::chrono::year_month_day ymd(std::int64_t days) {
    return std::chrono::year_month_day{std::chrono::sys_days{std::chrono::days{days}}};
}

// Reads exactly `width` digits at `pos`.
std::optional<int> digits(std::string_view text, std::size_t pos, std::size_t width) {
    if (pos + width > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = pos; i < pos + width; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::tm localNow() {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    return parts;
}

} // namespace

std::optional<DateTime> DateTime::tryFromParts(int year, int month, int day, int hour, int minute,
                                               int second) {
    if (year < 1 || year > 9999 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59)
        return std::nullopt;
    std::chrono::year_month_day date{std::chrono::year{year},
                                     std::chrono::month{static_cast<unsigned>(month)},
                                     std::chrono::day{static_cast<unsigned>(day)}};
    if (month < 1 || month > 12 || day < 1 || !date.ok())
        return std::nullopt;
    DateTime result;
    result.days_ = std::chrono::sys_days{date}.time_since_epoch().count();
    result.secondsOfDay_ = hour * 3600 + minute * 60 + second;
    return result;
}

DateTime DateTime::fromParts(int year, int month, int day, int hour, int minute, int second) {
    if (auto result = tryFromParts(year, month, day, hour, minute, second))
        return *result;
    throw DataSetError(fmt::format("Data inválida: {:02}/{:02}/{:04} {:02}:{:02}:{:02}", day, month,
                                   year, hour, minute, second));
}

DateTime DateTime::fromEpochSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    DateTime out = fromDays(days);
    out.secondsOfDay_ = static_cast<std::int32_t>(rest);
    return out;
}

DateTime DateTime::fromDays(std::int64_t days) {
    DateTime result;
    result.days_ = days;
    return result;
}

DateTime DateTime::fromSysDays(std::chrono::sys_days day) {
    return fromDays(day.time_since_epoch().count());
}

DateTime DateTime::today() {
    std::tm parts = localNow();
    return fromParts(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
}

DateTime DateTime::now() {
    std::tm parts = localNow();
    return fromParts(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                     parts.tm_min, parts.tm_sec > 59 ? 59 : parts.tm_sec);
}

std::optional<DateTime> DateTime::parseIso(std::string_view text) {
    if (!text.empty() && (text.back() == 'Z' || text.back() == 'z'))
        text.remove_suffix(1);
    auto year = digits(text, 0, 4);
    auto month = digits(text, 5, 2);
    auto day = digits(text, 8, 2);
    if (!year || !month || !day || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    int hour = 0, minute = 0, second = 0;
    if (text.size() > 10) {
        if (text[10] != 'T' && text[10] != ' ')
            return std::nullopt;
        auto h = digits(text, 11, 2);
        auto m = digits(text, 14, 2);
        if (!h || !m || text[13] != ':')
            return std::nullopt;
        hour = *h;
        minute = *m;
        std::size_t end = 16;
        if (text.size() > 16) {
            auto s = digits(text, 17, 2);
            if (!s || text[16] != ':')
                return std::nullopt;
            second = *s;
            end = 19;
            if (text.size() > 19) {
                if (text[19] != '.' || text.size() == 20)
                    return std::nullopt;
                for (std::size_t i = 20; i < text.size(); ++i)
                    if (text[i] < '0' || text[i] > '9')
                        return std::nullopt;
                end = text.size();
            }
        }
        if (end != text.size())
            return std::nullopt;
    }
    return tryFromParts(*year, *month, *day, hour, minute, second);
}

std::string DateTime::iso() const {
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", year(), month(), day(), hour(),
                       minute(), second());
}

int DateTime::year() const {
    return static_cast<int>(ymd(days_).year());
}
int DateTime::month() const {
    return static_cast<int>(static_cast<unsigned>(ymd(days_).month()));
}
int DateTime::day() const {
    return static_cast<int>(static_cast<unsigned>(ymd(days_).day()));
}
int DateTime::hour() const {
    return secondsOfDay_ / 3600;
}
int DateTime::minute() const {
    return secondsOfDay_ / 60 % 60;
}
int DateTime::second() const {
    return secondsOfDay_ % 60;
}

DateTime DateTime::addDays(std::int64_t count) const {
    DateTime result = *this;
    result.days_ += count;
    return result;
}

} // namespace ct
