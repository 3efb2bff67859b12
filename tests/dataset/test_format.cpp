#include "platform/dataset/dataset_error.h"
#include "platform/dataset/format.h"
#include "text/byte_words.h"
#include "text/utf8.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

TEST(Format, DisplayPatterns) {
    EXPECT_EQ(formatNumber(1234.56, "#,##0.00"), "1.234,56");
    EXPECT_EQ(formatNumber(1234567.891, "#,##0.00"), "1.234.567,89");
    EXPECT_EQ(formatNumber(0, "#,##0.00"), "0,00");
    EXPECT_EQ(formatNumber(-1050, "#,##0.00"), "-1.050,00");
    EXPECT_EQ(formatNumber(999.999, "#,##0.00"), "1.000,00");
    EXPECT_EQ(formatNumber(1234.56, "0.00"), "1234,56");
    EXPECT_EQ(formatNumber(25, "#0.00 %"), "25,00 %");
    EXPECT_EQ(formatNumber(33.335, "#0.00 %"), "33,34 %");
    EXPECT_EQ(formatNumber(1234.5, "#,##0"), "1.235");
    EXPECT_EQ(formatNumber(12, "0"), "12");
    EXPECT_EQ(formatNumber(-0.001, "#,##0.00"), "0,00"); // no negative zero
    EXPECT_EQ(formatNumber(1.5, "#,##0.##"), "1,5");
}

TEST(Format, ShortestFormWithoutPattern) {
    EXPECT_EQ(formatNumber(1234.5), "1234,5");
    EXPECT_EQ(formatNumber(0.1 + 0.2), "0,3");
    EXPECT_EQ(formatNumber(-3), "-3");
    EXPECT_EQ(formatFixed(1234.5, 2, true), "1.234,50");
    EXPECT_EQ(formatFixed(-2.5, 0), "-3");
    EXPECT_EQ(formatInteger(1234567, true), "1.234.567");
    EXPECT_EQ(formatInteger(-42), "-42");
}

TEST(Format, RoundsHalfAwayFromZeroOnTheDecimalValue) {
    EXPECT_DOUBLE_EQ(roundDecimal(2.675, 2), 2.68);
    EXPECT_DOUBLE_EQ(roundDecimal(1.005, 2), 1.01);
    EXPECT_DOUBLE_EQ(roundDecimal(-0.125, 2), -0.13);
    EXPECT_DOUBLE_EQ(roundDecimal(2.674999, 2), 2.67);
    EXPECT_DOUBLE_EQ(roundDecimal(0.5, 0), 1.0);
    EXPECT_DOUBLE_EQ(roundDecimal(-0.5, 0), -1.0);
    EXPECT_DOUBLE_EQ(roundDecimal(99.995, 2), 100.0);
    EXPECT_DOUBLE_EQ(roundDecimal(1e-9, 2), 0.0);
}

TEST(Format, ParsesBrazilianNumbers) {
    EXPECT_DOUBLE_EQ(parseNumber("1.234,56"), 1234.56);
    EXPECT_DOUBLE_EQ(parseNumber("1234,5"), 1234.5);
    EXPECT_DOUBLE_EQ(parseNumber("-3"), -3);
    EXPECT_DOUBLE_EQ(parseNumber(" 25,00 % "), 25);
    EXPECT_DOUBLE_EQ(parseNumber("1.234.567"), 1234567);
    EXPECT_DOUBLE_EQ(parseNumber(",5"), 0.5);
    EXPECT_DOUBLE_EQ(parseNumber("+7"), 7);
}

TEST(Format, RefusesBadNumbersWithAClearMessage) {
    for (const char* bad : {"", "abc", "1,2,3", "12.34", "1.2345", "1e5", "--1", "1 234", ",", "-"})
        EXPECT_FALSE(tryParseNumber(bad).has_value()) << bad;
    try {
        parseNumber("12a");
        FAIL() << "no error";
    } catch (const DataSetError& e) {
        EXPECT_NE(std::string(e.what()).find("'12a'"), std::string::npos);
    }
}

TEST(Format, Dates) {
    DateTime d = DateTime::fromParts(2027, 1, 5);
    EXPECT_EQ(formatDate(d), "05/01/2027");
    EXPECT_EQ(formatDateTimePattern(d, ""), "05/01/2027");
    DateTime t = DateTime::fromParts(2027, 1, 5, 14, 3, 9);
    EXPECT_EQ(formatDateTimePattern(t, ""), "05/01/2027 14:03:09");
    EXPECT_EQ(formatDateTimePattern(t, "dd/mm/yy hh:nn"), "05/01/27 14:03");
    EXPECT_EQ(formatDateTimePattern(t, "hh:mm"), "14:03");

    EXPECT_EQ(parseDate("05/01/2027"), d);
    EXPECT_EQ(parseDate("5/1/27"), d);
    EXPECT_EQ(parseDate("05/01/2027 14:03:09"), t);
    EXPECT_EQ(parseDate("29/02/2028").day(), 29);
    for (const char* bad : {"", "31/02/2027", "00/01/2027", "05-01-2027", "05/13/2027", "05/01/202",
                            "05/01/2027 25:00", "5/1", "__/__/____"})
        EXPECT_FALSE(tryParseDate(bad).has_value()) << bad;
    EXPECT_THROW(parseDate("32/01/2027"), DataSetError);
}

TEST(Format, IsoDates) {
    auto d = DateTime::parseIso("2027-01-15T00:00:00");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->iso(), "2027-01-15T00:00:00");
    EXPECT_FALSE(d->hasTime());
    EXPECT_EQ(DateTime::parseIso("2027-01-15")->iso(), "2027-01-15T00:00:00");
    EXPECT_EQ(DateTime::parseIso("2027-01-15T10:30:05.250Z")->second(), 5);
    for (const char* bad : {"2027-02-30", "2027/01/15", "2027-01-15T24:00:00", "2027-01-15X", "x"})
        EXPECT_FALSE(DateTime::parseIso(bad).has_value()) << bad;
    EXPECT_EQ(DateTime::fromParts(2027, 1, 1).daysUntil(DateTime::fromParts(2027, 3, 1)), 59);
    EXPECT_EQ(DateTime::fromDays(0).iso(), "1970-01-01T00:00:00");
    EXPECT_EQ(DateTime().iso(), "1899-12-30T00:00:00");
}

TEST(Format, Utf8) {
    EXPECT_EQ(utf8_length("São Paulo"), 9u);
    EXPECT_EQ(utf8_length("Criança"), 7u);
    EXPECT_TRUE(valid_utf8("ação"));
    EXPECT_FALSE(valid_utf8("\xC3"));
    EXPECT_FALSE(valid_utf8("a\xFF"));
    EXPECT_FALSE(valid_utf8("\xC0\xAF")); // overlong
}

// The word-at-a-time paths: a byte of each kind at every place of a text of 24, across the
// words' edges, against what a reading one byte at a time finds.
TEST(Format, Utf8EightBytesAtATime) {
    struct Piece {
        std::string bytes;
        bool valid;
        std::size_t characters;
        bool plain;
    };
    const Piece pieces[] = {{"b", true, 1, true},
                            {"\"", true, 1, false},
                            {"\\", true, 1, false},
                            {"\x1F", true, 1, false},
                            {std::string(1, '\0'), true, 1, false},
                            {"\x7F", true, 1, false},
                            {"\xC3\xA7", true, 1, false},
                            {"\xE2\x82\xAC", true, 1, false},
                            {"\xFF", false, 1, false},
                            {"\xC3", false, 1, false}};
    for (const Piece& piece : pieces) {
        for (std::size_t at = 0; at <= 24; ++at) {
            const std::string text = std::string(at, 'a') + piece.bytes + std::string(24 - at, 'a');
            const char* end = text.data() + text.size();
            SCOPED_TRACE(testing::Message()
                         << "piece " << static_cast<int>(piece.bytes[0] & 0xFF) << " at " << at);
            EXPECT_EQ(valid_utf8(text), piece.valid);
            EXPECT_EQ(utf8_length(text), 24 + piece.characters);
            EXPECT_EQ(plain_ascii_end(text.data(), end) - text.data(),
                      static_cast<std::ptrdiff_t>(piece.plain ? text.size() : at));
        }
    }
}

} // namespace
} // namespace ct
