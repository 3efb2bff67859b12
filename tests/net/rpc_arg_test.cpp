#include "platform/net/rpc_arg.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

// What the argument puts in "params", read back.
nlohmann::json sent(const RpcArg& arg) {
    std::string out;
    arg.writeJson(out);
    return nlohmann::json::parse(out);
}

TEST(RpcArg, ValuesTravelAsTheirJsonKinds) {
    EXPECT_EQ(sent(RpcArg("0001")), nlohmann::json("0001"));
    EXPECT_EQ(sent(RpcArg(std::string("x"))), nlohmann::json("x"));
    EXPECT_EQ(sent(RpcArg(1500.5)), nlohmann::json(1500.5));
    EXPECT_EQ(sent(RpcArg(3)), nlohmann::json(3.0));
    EXPECT_EQ(sent(RpcArg(true)), nlohmann::json(true));
    EXPECT_TRUE(sent(RpcArg(nullptr)).is_null());
    const nlohmann::json packet = {{"fields", nlohmann::json::array()},
                                   {"rows", nlohmann::json::array()}};
    EXPECT_EQ(sent(RpcArg::packet(packet)), packet);
    EXPECT_EQ(sent(RpcArg::jsonText(R"({"a":[1,"b"]})")),
              nlohmann::json::parse(R"({"a":[1,"b"]})"));
    EXPECT_FALSE(RpcArg("x").byRef());
}

TEST(RpcArg, ReferencesSendTheVariableAndReceiveIntoIt) {
    std::string seq = "01";
    double value = 10.0;
    nlohmann::json packet = {{"a", 1}};
    const RpcArg s = RpcArg::ref(seq), d = RpcArg::ref(value), p = RpcArg::ref(packet);
    EXPECT_TRUE(s.byRef());
    EXPECT_EQ(sent(s), nlohmann::json("01"));
    seq = "02"; // read at the moment of the call, not of the construction
    EXPECT_EQ(sent(s), nlohmann::json("02"));

    EXPECT_TRUE(s.receive("00"));
    EXPECT_EQ(seq, "00");
    EXPECT_TRUE(d.receive(12.5));
    EXPECT_EQ(value, 12.5);
    EXPECT_TRUE(p.receive(nlohmann::json::array({1, 2})));
    EXPECT_EQ(packet, nlohmann::json::array({1, 2}));

    // Null reads as empty or zero.
    EXPECT_TRUE(s.receive(nullptr));
    EXPECT_EQ(seq, "");
    EXPECT_TRUE(d.receive(nullptr));
    EXPECT_EQ(value, 0.0);
}

// A text that is not UTF-8 goes out with U+FFFD in place of the bad byte, whatever holds it,
// rather than failing the call.
TEST(RpcArg, TextsThatAreNotUtf8GoOutReplaced) {
    std::string bad = "caf\xE9";
    nlohmann::json packet = {{"rows", {{bad}}}};
    const std::pair<RpcArg, const char*> cases[] = {
        {RpcArg(bad), "\"caf\xEF\xBF\xBD\""},
        {RpcArg::ref(bad), "\"caf\xEF\xBF\xBD\""},
        {RpcArg::ref(packet), "{\"rows\":[[\"caf\xEF\xBF\xBD\"]]}"},
        {RpcArg::packet(packet), "{\"rows\":[[\"caf\xEF\xBF\xBD\"]]}"},
    };
    for (const auto& [arg, expected] : cases) {
        std::string out;
        arg.writeJson(out);
        EXPECT_EQ(out, expected);
    }
}

TEST(RpcArg, WrongKindsLeaveTheVariable) {
    std::string text = "keep";
    double number = 7.0;
    const RpcArg s = RpcArg::ref(text), d = RpcArg::ref(number);
    EXPECT_FALSE(s.accepts(5));
    EXPECT_FALSE(s.receive(5));
    EXPECT_FALSE(s.receive(nlohmann::json::object()));
    EXPECT_EQ(text, "keep");
    EXPECT_FALSE(d.accepts("1,5"));
    EXPECT_FALSE(d.receive("1,5"));
    EXPECT_FALSE(d.receive(true));
    EXPECT_EQ(number, 7.0);
}

} // namespace
} // namespace ct
