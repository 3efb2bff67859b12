// Brazilian numbers and dates as typed, ISO dates as packets carry them, and display patterns.
// Bad text is refused with DataSetError; what is read must come back the same through its
// written form.
#include "money/brazilian.h"
#include "money/round_dec.h"
#include "platform/dataset/dataset_error.h"
#include "platform/dataset/format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using namespace ct;

[[noreturn]] void fail(const char* what, std::string_view input, const std::string& written) {
    std::fprintf(stderr, "%s: [%.*s] -> [%s]\n", what, static_cast<int>(input.size()), input.data(),
                 written.c_str());
    std::abort();
}

void numbers(std::string_view text) {
    const std::optional<double> value = tryParseNumber(text);
    try {
        const double thrown = parseNumber(text);
        if (!value || !(thrown == *value || (std::isnan(thrown) && std::isnan(*value))))
            fail("parseNumber and tryParseNumber differ", text, std::to_string(thrown));
    } catch (const DataSetError&) {
        if (value)
            fail("parseNumber refused what tryParseNumber read", text, std::to_string(*value));
    }
    if (!value || !std::isfinite(*value))
        return;
    // Two decimals, as money is typed and shown.
    const double cents = RoundDec(*value, 2);
    for (const std::string& written : {formatFixed(*value, 2, true), formatFixed(*value, 2, false),
                                       money::brazilianMoney(*value)}) {
        const std::optional<double> back = tryParseNumber(written);
        if (!back || *back != cents)
            fail("a number does not read back from its written form", text, written);
    }
    (void)formatNumber(*value, "#,##0.00");
    (void)formatNumber(*value, "#0.00 %");
    (void)formatNumber(*value, "");
}

void dates(std::string_view text) {
    const std::optional<DateTime> when = tryParseDate(text);
    try {
        const DateTime thrown = parseDate(text);
        if (!when || thrown != *when)
            fail("parseDate and tryParseDate differ", text, formatDateTime(thrown));
    } catch (const DataSetError&) {
        if (when)
            fail("parseDate refused what tryParseDate read", text, formatDateTime(*when));
    }
    if (when) {
        const std::string written = formatDateTime(*when);
        if (tryParseDate(written) != *when)
            fail("a date does not read back from its written form", text, written);
        if (tryParseDate(formatDate(*when)) != when->date())
            fail("a day does not read back from its written form", text, formatDate(*when));
    }
    if (const std::optional<DateTime> iso = DateTime::parseIso(text)) {
        if (DateTime::parseIso(iso->iso()) != *iso)
            fail("an ISO date does not read back", text, iso->iso());
    }
}

// The text as a display pattern, for a number and a date.
void patterns(std::string_view text) {
    (void)formatNumber(-1234.565, text);
    (void)formatNumber(0.0, text);
    (void)formatDateTimePattern(DateTime::fromParts(2027, 1, 15, 9, 5, 7), text);
}

// Eight bytes as a double, shown as money.
void moneyFromBytes(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(double))
        return;
    double value;
    std::memcpy(&value, data, sizeof value);
    const std::string written = money::brazilianMoney(value);
    if (!std::isfinite(value))
        return;
    const std::optional<double> back = tryParseNumber(written);
    if (!back || *back != RoundDec(value, 2))
        fail("money does not read back from its written form", {}, written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    numbers(text);
    dates(text);
    patterns(text);
    moneyFromBytes(data, size);
    return 0;
}
