#pragma once

#include "platform/dataset/date_time.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ct {

// Brazilian presentation of numbers and dates: decimal comma, thousands point.

// `value` rounded to `decimals` places, half away from zero on the decimal value as written
// (2.675 gives 2.68, 1.005 gives 1.01, -0.125 gives -0.13).
double roundDecimal(double value, int decimals);

// Formats with a display pattern: "#,##0.00" -> "1.234,56", "0.00" -> "1234,56",
// "#0.00 %" -> "25,00 %", "#,##0" and "0" -> no decimals. Text before and after the
// digit pattern is kept as literal; "" gives the shortest form ("1234,5").
std::string formatNumber(double value, std::string_view pattern = {});
// Plain Brazilian form with the given number of decimals, optionally with thousands points.
std::string formatFixed(double value, int decimals, bool thousands = false);
std::string formatInteger(std::int64_t value, bool thousands = false);

// Reads typed text: "1.234,56", "1234,5", "-3", " 25,00 % ". Thousands points must group
// three digits. Throws DataSetError with a clear message for anything else (empty included).
double parseNumber(std::string_view text);
std::optional<double> tryParseNumber(std::string_view text);

// "dd/mm/yyyy"; with `withTime`, "dd/mm/yyyy hh:nn:ss".
std::string formatDate(const DateTime& when);
std::string formatDateTime(const DateTime& when);
// Display formats for dates: "dd/mm/yyyy", "dd/mm/yy", "hh:nn", "hh:nn:ss" and combinations;
// "" gives the date, with the time only when it is not midnight.
std::string formatDateTimePattern(const DateTime& when, std::string_view pattern);
// Reads "dd/mm/yyyy", "d/m/yy" (two-digit years: 00-49 -> 2000s, 50-99 -> 1900s), optionally
// followed by "hh:nn" or "hh:nn:ss". Throws DataSetError for anything else.
DateTime parseDate(std::string_view text);
std::optional<DateTime> tryParseDate(std::string_view text);

} // namespace ct
