// The fast JSON reader against nlohmann-json's own: the same events, the same refusals, the same
// stop when the handler refuses an event.
#include "event_log.h"

#include "json/json_event_reader.h"
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string_view>

namespace {

using ct::testing::EventLog;
using nlohmann::json;

void expect_same_reading(std::string_view text, std::size_t refuse_at = 0) {
    EventLog ours(refuse_at);
    EventLog theirs(refuse_at);
    const bool our_result = ct::read_json_events(text, ours);
    const bool their_result = json::sax_parse(text.begin(), text.end(), &theirs);
    EXPECT_EQ(our_result, their_result) << "text: " << text;
    EXPECT_EQ(ours.text, theirs.text) << "text: " << text;
}

TEST(JsonEventReader, ReadsAndRefusesAsNlohmannDoes) {
    const std::string_view texts[] = {
        // Values and containers
        R"({"fields":[{"name":"CDFILIAL","type":"string","size":4}],"rows":[["0001",1500.5,null,true,false]]})",
        "[]", "{}", "[[[]]]", R"({"a":{"b":[{}]}})", " \t\r\n[ 1 , 2 ]\n ", "\xEF\xBB\xBF[1]",
        "\xEF\xBB[1]", "\xEF[1]",
        // Numbers: whole, negative, beyond 64 bits, reals, exponents, overflow and underflow
        "0", "-0", "-0.0", "7", "-7", "18446744073709551615", "18446744073709551616",
        "9223372036854775807", "9223372036854775808", "-9223372036854775808",
        "-9223372036854775809", "1.5", "0.1", "0.30000000000000004", "1e5", "1E+5", "1e-5",
        "2.5E-3", "1e400", "-1e400", "1e-400", "-1e-400", "1.7976931348623157e308",
        "1.7976931348623159e308", "2.4703282292062328e-324", "2.4703282292062327e-324",
        "0.000000000000000000000000000000000000001e-300", "123456789012345678901234567890",
        "1e99999999999999999999", "1e-99999999999999999999", "01", "-", "-a", "1.", "1.e3", ".5",
        "1e", "1e+", "+1", "1.5x", "[1,]", "[01]", "[-]", "0x10", "1 2", "NaN", "Infinity",
        // Strings: escapes, surrogates, UTF-8 well and ill formed, control characters
        R"("")", R"("abc")", R"("a\"b\\c\/d\b\f\n\r\t")", R"("\u0041\u00e9\u20AC")", R"("\u0000")",
        R"("\ud83d\ude00")", R"("\uD83D")", R"("\uD83Dx")", R"("\uD83D\u0041")", R"("\uDE00")",
        R"("\u12")", R"("\u12G4")", R"("\x")", R"("\)", "\"caf\xC3\xA9\"", "\"\xE2\x82\xAC\"",
        "\"\xF0\x9F\x98\x80\"", "\"\xC0\x80\"", "\"\xC3\"", "\"\xED\xA0\x80\"",
        "\"\xF4\x90\x80\x80\"", "\"\xE0\x80\x80\"", "\"\xF8\"", "\"\x80\"", "\"a\x01\"", "\"a\nb\"",
        "\"abc", std::string_view("\"a\0b\"", 5), std::string_view("[1]\0", 4),
        std::string_view("[1]\0x", 5), std::string_view("[1\0]", 5), std::string_view("\0", 1),
        // Literals and structure
        "true", "false", "null", "tru", "nul", "falsey", "truefalse", "[true false]", "{\"a\" 1}",
        R"({"a":})", R"({"a":1,})", R"({1:2})", R"({"a":1 "b":2})", "[1}", "{\"a\":1]", "[", "{",
        "]", "}", "", "   ", ",", ":", "[1,2", R"({"a")", R"({"a":)", "//c\n1", "[1]x", "x",
        "\x7f"};
    for (std::string_view text : texts)
        expect_same_reading(text);
}

TEST(JsonEventReader, StopsWhereTheHandlerRefuses) {
    const std::string_view text =
        R"({"op":"modify","old":[1,-2,3.5,"x",null,true,{}],"new":[[],{"a":"b"}]})";
    for (std::size_t refuse_at = 1; refuse_at <= 24; ++refuse_at)
        expect_same_reading(text, refuse_at);
}

// A string of 24 plain characters with an escape, a control character, DEL or a character of
// more than one byte at every place (the reader skips plain runs eight bytes at a time).
TEST(JsonEventReader, ReadsEveryPlaceOfALongString) {
    const std::string_view pieces[] = {
        R"(\n)", R"(\")",        R"(\u00e9)",        "\x01", "\x7F", "\xC3\xA9",
        "\xC3(", "\xED\xA0\x80", "\xF4\x8F\xBF\xBF", "\""};
    for (std::string_view piece : pieces) {
        for (std::size_t at = 0; at <= 24; ++at) {
            const std::string text = "[\"" + std::string(at, 'a') + std::string(piece) +
                                     std::string(24 - at, 'a') + "\"]";
            expect_same_reading(text);
        }
    }
}

// Texts of JSON's own characters in random order, and a valid packet with random bytes changed:
// most are malformed somewhere, which is where readers differ.
TEST(JsonEventReader, AgreesOnRandomTexts) {
    std::string alphabet = "[]{},:\"\\u0019-+.eEtrunlfasD8C \n\t\x01\xC3\xA9\xED\xA0\x80\xF4";
    alphabet += '\0';
    const std::string sample =
        R"({"delta":[{"op":"modify","old":["0001",1500.25,null,"S\u00e3o Paulo"],)"
        R"("new":["0001",-1e-2,true,"caf\u00e9"]}]})";
    std::mt19937 random(20261207);
    for (int i = 0; i < 20'000; ++i) {
        std::string text;
        const std::size_t length = random() % 24;
        for (std::size_t c = 0; c < length; ++c)
            text += alphabet[random() % alphabet.size()];
        expect_same_reading(text);

        std::string changed = sample;
        for (int k = 0, n = 1 + static_cast<int>(random() % 3); k < n; ++k)
            changed[random() % changed.size()] = static_cast<char>(random() % 256);
        expect_same_reading(changed);
    }
}

// A text read with the rest of an array handed over at each of its offsets, the elements read
// by a reader of their own: the same events and the same outcome as read whole, whether the
// offset is an element's start (handed over), elsewhere (never asked), or the elements there
// cannot be read on their own (read whole after all).
TEST(JsonEventReader, ReadsAnArraysRestHandedOverAsWhole) {
    const std::string_view texts[] = {
        R"({"delta":[{"op":"modify","old":["0001",1.5,null],"new":["0001",2,true]},)"
        R"({"op":"insert","new":["a},{b",[],{"k":"],["}]},{"op":"delete","old":[-1e2]}],"x":[]})",
        R"([[1,2],[3,[4,5]],"s",{},[],null])",
        R"([ 1 , [ 2 ] , { "a" : [ 3 , 4 ] } ])",
        R"([[1],[2,]])",
        R"([[1],[2],)",
        R"([[1],[2]})",
        R"([[1],[2] 3])",
        R"([[1],"\x"])",
        R"([[1],{"a":1 "b":2}])",
        R"({"a":[1,2],"b":[3,4})"};
    for (std::string_view text : texts) {
        EventLog whole;
        const bool whole_result = ct::read_json_events(text, whole);
        for (std::size_t at = 0; at <= text.size(); ++at) {
            EventLog ours;
            const ct::JsonHandover handover{at, [&]() -> std::optional<std::size_t> {
                                                EventLog rest;
                                                const std::optional<std::size_t> end =
                                                    ct::read_json_elements(text, at, rest);
                                                if (end) {
                                                    EXPECT_EQ(text[*end], ']');
                                                    ours.text += rest.text;
                                                }
                                                return end;
                                            }};
            EXPECT_EQ(ct::read_json_events(text, ours, handover), whole_result)
                << "text: " << text << " at " << at;
            EXPECT_EQ(ours.text, whole.text) << "text: " << text << " at " << at;
        }
    }
}

} // namespace
