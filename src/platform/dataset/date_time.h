#pragma once

#include <chrono>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ct {

// A calendar date with a time of day, to the second, without time zone (the suite's dates are
// local dates). Always holds a valid date.
class DateTime {
public:
    // 1899-12-30 00:00:00, the zero of the suite's dates.
    DateTime() = default;

    // Throws DataSetError when the parts do not form a valid date and time.
    static DateTime fromParts(int year, int month, int day, int hour = 0, int minute = 0,
                              int second = 0);
    static std::optional<DateTime> tryFromParts(int year, int month, int day, int hour = 0,
                                                int minute = 0, int second = 0);
    // Days since 1970-01-01 (negative before), at midnight.
    static DateTime fromDays(std::int64_t days);
    static DateTime fromSysDays(std::chrono::sys_days day);
    // Today's date (local clock) at midnight, and the current local date and time.
    static DateTime today();
    static DateTime now();

    // ISO 8601 "2027-01-15T00:00:00" (also accepts "2027-01-15", "2027-01-15 10:30",
    // fractions of a second and a trailing "Z").
    static std::optional<DateTime> parseIso(std::string_view text);
    std::string iso() const;

    int year() const;
    int month() const;
    int day() const;
    int hour() const;
    int minute() const;
    int second() const;
    bool hasTime() const { return secondsOfDay_ != 0; }

    std::int64_t days() const { return days_; }
    std::chrono::sys_days sysDays() const {
        return std::chrono::sys_days{std::chrono::days{days_}};
    }
    DateTime date() const { return fromDays(days_); }
    DateTime addDays(std::int64_t count) const;
    // Seconds since 1970-01-01 00:00:00 (negative before): the value in one number.
    std::int64_t epochSeconds() const { return days_ * 86400 + secondsOfDay_; }
    static DateTime fromEpochSeconds(std::int64_t seconds);
    // Whole days from this date to `other` (dates only, times ignored).
    std::int64_t daysUntil(const DateTime& other) const { return other.days_ - days_; }

    friend auto operator<=>(const DateTime&, const DateTime&) = default;
    friend bool operator==(const DateTime&, const DateTime&) = default;

private:
    std::int64_t days_ = -25569; // 1899-12-30
    std::int32_t secondsOfDay_ = 0;
};

} // namespace ct
