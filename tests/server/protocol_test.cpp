// The JSON-RPC endpoint: protocol faults, argument checks, transactions, concurrency.
#include "server/core/errors.h"
#include "server/methods/method_groups.h"
#include "server_fixture.h"

#include <atomic>
#include <fmt/format.h>
#include <httplib.h>
#include <thread>

namespace ct::server::testing {
namespace {

class ProtocolTest : public ServerTest {
protected:
    MethodRegistry methods() override {
        MethodRegistry r = all_methods();
        r.add({"TestNumber", {arg::number("n")}, false, [](CallContext& c) {
                   return json(c.number(0) * 2);
               }});
        r.add(
            {"TestPacket",
             {arg::packet("p", {str("A", 5), num("B"), datetime("C"), integer("D"), boolean("E")})},
             false,
             [](CallContext& c) {
                 const Packet& p = c.packet(0);
                 return json(p.is_delta ? p.delta.size() : p.rows.size());
             }});
        r.add({"TestByRef",
               {arg::text_ref("s", 5), arg::number_ref("d"), arg::text("t", 5)},
               false,
               [](CallContext& c) {
                   c.set_byref(0, "novo");
                   return json(nullptr);
               }});
        auto write_country = [](CallContext& c) {
            c.sql().exec("INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES (:c, 'Teste')",
                         {{"c", c.text(0)}});
        };
        r.add({"TestWriteThenRefuse", {arg::text("c", 4)}, true, [=](CallContext& c) -> json {
                   write_country(c);
                   throw AppError("Operação recusada.");
               }});
        r.add({"TestWriteThenFail", {arg::text("c", 4)}, true, [=](CallContext& c) -> json {
                   write_country(c);
                   throw std::runtime_error("disk on fire");
               }});
        r.add({"TestWrite", {arg::text("c", 4)}, true, [=](CallContext& c) -> json {
                   write_country(c);
                   return nullptr;
               }});
        return r;
    }

    int code_of(const std::string& body) {
        auto [status, answer] = post(body);
        EXPECT_EQ(status, 200) << body;
        if (!answer.is_object() || !answer.contains("error")) {
            ADD_FAILURE() << "no error for " << body.substr(0, 80) << ": " << answer.dump();
            return 0;
        }
        return answer["error"]["code"].get<int>();
    }

    json packet(const json& rows) {
        return {{"fields",
                 {{{"name", "A"}, {"type", "string"}, {"size", 5}},
                  {{"name", "B"}, {"type", "float"}},
                  {{"name", "C"}, {"type", "datetime"}},
                  {{"name", "D"}, {"type", "integer"}},
                  {{"name", "E"}, {"type", "boolean"}}}},
                {"rows", rows}};
    }
};

TEST_P(ProtocolTest, MalformedRequestsGetTheirJsonRpcCodes) {
    EXPECT_EQ(code_of("{not json"), -32700);
    EXPECT_EQ(code_of(""), -32700);
    EXPECT_EQ(code_of("[1,2,3]"), -32600);
    EXPECT_EQ(code_of("42"), -32600);
    EXPECT_EQ(code_of(R"({"id":1,"method":"GetCliente","params":[]})"), -32600);
    EXPECT_EQ(code_of(R"({"jsonrpc":"1.0","id":1,"method":"GetCliente","params":[]})"), -32600);
    EXPECT_EQ(code_of(R"({"jsonrpc":"2.0","id":1,"method":7,"params":[]})"), -32600);
    EXPECT_EQ(code_of(R"({"jsonrpc":"2.0","id":{},"method":"GetCliente","params":[]})"), -32600);
    EXPECT_EQ(code_of(R"({"jsonrpc":"2.0","id":1,"method":"GetCliente","params":{"a":1}})"),
              -32602);
    EXPECT_EQ(code_of(R"({"jsonrpc":"2.0","id":1,"method":"NoSuchMethod","params":[]})"), -32601);
    // Method names are exact.
    EXPECT_EQ(code_of(R"({"jsonrpc":"2.0","id":1,"method":"getcliente","params":[]})"), -32601);
}

TEST_P(ProtocolTest, AnswersCarryTheRequestId) {
    auto [status, answer] =
        post(R"({"jsonrpc":"2.0","id":"abc","method":"GetParamOrca","params":[]})");
    EXPECT_EQ(status, 200);
    EXPECT_EQ(answer["id"], "abc");
    EXPECT_EQ(answer["jsonrpc"], "2.0");
    EXPECT_TRUE(answer["result"].contains("byref"));
    auto [s2, refused] =
        post(R"({"jsonrpc":"2.0","id":9,"method":"GetVrTotal","params":["0001"]})");
    EXPECT_EQ(s2, 200);
    EXPECT_EQ(refused["id"], 9);
}

TEST_P(ProtocolTest, ArgumentsAreCheckedByCountKindAndSize) {
    EXPECT_EQ(error_code("GetVrTotal", {"0001", "0000000100"}), -32602);
    EXPECT_EQ(error_code("GetVrTotal", {"0001", "0000000100", "00", "x"}), -32602);
    EXPECT_EQ(error_code("GetVrTotal", {"0001", 100, "00"}), -32602);
    EXPECT_EQ(error_code("GetVrTotal", {"0001", nullptr, "00"}), -32602);
    EXPECT_EQ(error_code("GetVrTotal", {"00001", "0000000100", "00"}), -32602);
    EXPECT_EQ(error_code("GetVrTotal", {"0001", "00000001000", "00"}), -32602);
    EXPECT_EQ(error_code("TestNumber", {"1"}), -32602);
    EXPECT_EQ(error_code("TestNumber", {true}), -32602);
    EXPECT_EQ(error_code("TestPacket", {"{}"}), -32602);
    EXPECT_EQ(error_code("TestPacket", {nullptr}), -32602);
    // Sizes count characters, not bytes.
    EXPECT_EQ(error_code("TestByRef", {"ããããã", 1.0, "ééééé"}), 0);
    EXPECT_EQ(error_code("TestByRef", {"ãããããã", 1.0, "x"}), -32602);
    auto answer = call("GetVrTotal", {"0001", "0000000100"});
    EXPECT_NE(answer["error"]["message"].get<std::string>().find("3 argumentos"),
              std::string::npos);
}

TEST_P(ProtocolTest, NonFiniteNumbersAreRefused) {
    EXPECT_EQ(value("TestNumber", {21}), 42.0);
    // JSON has no NaN or infinity; an overflowing literal must not slip through as one.
    const int code = code_of(R"({"jsonrpc":"2.0","id":1,"method":"TestNumber","params":[1e999]})");
    EXPECT_TRUE(code == -32700 || code == -32602) << code;
    json p = packet({{"a", 1e308, nullptr, 1, true}});
    std::string body =
        json{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "TestPacket"}, {"params", {p}}}.dump();
    body.replace(body.find("1e+308"), 6, "1e999");
    const int packet_code = code_of(body);
    EXPECT_TRUE(packet_code == -32700 || packet_code == -32602) << packet_code;
}

TEST_P(ProtocolTest, ByReferenceArgumentsComeBack) {
    json answer = call("TestByRef", {"velho", 2.5, "x"});
    ASSERT_TRUE(answer.contains("result")) << answer.dump();
    EXPECT_EQ(answer["result"]["byref"], (json{{"0", "novo"}, {"1", 2.5}}));
    EXPECT_EQ(byref("GetVrTotal", {"0001", "0000000100", "01"}), (json{{"2", "01"}}));
}

TEST_P(ProtocolTest, PacketsAreCheckedFieldByField) {
    EXPECT_EQ(
        value("TestPacket", json::array({packet({{"abc", 1.5, "2027-01-15T00:00:00", 3, false},
                                                 {nullptr, nullptr, nullptr, nullptr, nullptr}})})),
        2);
    EXPECT_EQ(value("TestPacket", json::array({packet({{"abc", 1.5, "2024-02-29", 3, false}})})),
              1);
    const std::vector<json> bad_rows = {
        {{"abcdef", 1.5, nullptr, 1, true}},          // too long
        {{1, 1.5, nullptr, 1, true}},                 // number in a text
        {{"a", "1.5", nullptr, 1, true}},             // text in a number
        {{"a", 1.5, "2027-02-30T00:00:00", 1, true}}, // no such day
        {{"a", 1.5, "2023-02-29", 1, true}},          // not a leap year
        {{"a", 1.5, "15/01/2027", 1, true}},          // not ISO
        {{"a", 1.5, "2027-01-15T25:00:00", 1, true}}, // no such hour
        {{"a", 1.5, nullptr, 1.5, true}},             // fraction in an integer
        {{"a", 1.5, nullptr, 1, "S"}},                // text in a boolean
        {{"a", 1.5, nullptr, 1}},                     // row too short
        {{"a", 1.5, nullptr, 1, true, 2}},            // row too long
        {json("row")},                                // not a row
    };
    for (const auto& rows : bad_rows) {
        EXPECT_EQ(error_code("TestPacket", json::array({packet(rows)})), -32602) << rows.dump();
    }
    json unknown = packet(json::array());
    unknown["fields"].push_back({{"name", "ZZ"}, {"type", "string"}, {"size", 3}});
    EXPECT_EQ(error_code("TestPacket", json::array({unknown})), -32602);
    json wrong_type = packet(json::array());
    wrong_type["fields"][1]["type"] = "boolean";
    EXPECT_EQ(error_code("TestPacket", json::array({wrong_type})), -32602);
    json twice = packet(json::array());
    twice["fields"].push_back(twice["fields"][0]);
    EXPECT_EQ(error_code("TestPacket", json::array({twice})), -32602);
    json both = packet(json::array());
    both["delta"] = json::array();
    EXPECT_EQ(error_code("TestPacket", json::array({both})), -32602);
    json no_size = packet(json::array());
    no_size["fields"][0].erase("size");
    EXPECT_EQ(error_code("TestPacket", json::array({no_size})), -32602);
}

TEST_P(ProtocolTest, DeltasAreCheckedChangeByChange) {
    json d = packet(json::array());
    d.erase("rows");
    d["delta"] = {{{"op", "insert"}, {"new", {"a", 1.0, nullptr, 1, true}}},
                  {{"op", "modify"},
                   {"old", {"a", 1.0, nullptr, 1, true}},
                   {"new", {"b", 2.0, nullptr, 1, true}}},
                  {{"op", "delete"}, {"old", {"b", 2.0, nullptr, 1, true}}}};
    EXPECT_EQ(value("TestPacket", json::array({d})), 3);
    json bad_op = d;
    bad_op["delta"][0]["op"] = "upsert";
    EXPECT_EQ(error_code("TestPacket", json::array({bad_op})), -32602);
    json no_old = d;
    no_old["delta"][1].erase("old");
    EXPECT_EQ(error_code("TestPacket", json::array({no_old})), -32602);
    json delete_with_new = d;
    delete_with_new["delta"][2]["new"] = {"b", 2.0, nullptr, 1, true};
    EXPECT_EQ(error_code("TestPacket", json::array({delete_with_new})), -32602);
    json bad_date = d;
    bad_date["delta"][1]["new"][2] = "2027-13-01";
    EXPECT_EQ(error_code("TestPacket", json::array({bad_date})), -32602);
}

TEST_P(ProtocolTest, RefusedOrFailedCallsWriteNothing) {
    EXPECT_EQ(refusal("TestWriteThenRefuse", {"9991"}), "Operação recusada.");
    EXPECT_EQ(error_code("TestWriteThenFail", {"9992"}), -32603);
    EXPECT_EQ(count("SELECT COUNT(*) FROM PAIS WHERE CDPAIS IN ('9991', '9992')"), 0);
    EXPECT_EQ(error_code("TestWrite", {"9993"}), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM PAIS WHERE CDPAIS = '9993'"), 1);
    // A key that exists is refused, naming the table and its key, and leaves the data as it was.
    EXPECT_EQ(refusal("TestWrite", {"9993"}), "Já existe país com a mesma chave (PAIS: CDPAIS).");
    EXPECT_EQ(count("SELECT COUNT(*) FROM PAIS WHERE CDPAIS = '9993'"), 1);
}

TEST_P(ProtocolTest, HugeBodiesAreRefusedAndTheServerGoesOn) {
    std::string body(65u * 1024u * 1024u, ' ');
    auto [status, answer] = post(body);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(answer["error"]["code"], -32600);
    EXPECT_EQ(value("GetParamOrca", json::array())["rows"][0][0], "S");
}

TEST_P(ProtocolTest, DeepOrOddJsonDoesNotBringTheServerDown) {
    std::string deep(200000, '[');
    deep += std::string(200000, ']');
    EXPECT_EQ(code_of(deep), -32600);
    EXPECT_EQ(code_of("\"\xff\xfe\""), -32700);
    EXPECT_EQ(code_of(R"({"jsonrpc":"2.0","id":1,"method":"GetCliente","params":[]} trailing)"),
              -32700);
    EXPECT_EQ(value("GetParamOrca", json::array())["rows"][0][0], "S");
}

TEST_P(ProtocolTest, OtherPathsAndVerbsStillGetAnAnswer) {
    httplib::Client client("127.0.0.1", port());
    auto get = client.Get(rpc_path);
    ASSERT_TRUE(get);
    EXPECT_EQ(get->status, 200);
    EXPECT_EQ(json::parse(get->body)["error"]["code"], -32600);
    auto other = client.Post("/rpc/Other", "{}", "application/json");
    ASSERT_TRUE(other);
    EXPECT_EQ(json::parse(other->body)["error"]["code"], -32601);
    // A path that is not UTF-8 still gets a readable answer.
    auto odd = client.Get("/rpc/%C3%28");
    ASSERT_TRUE(odd);
    EXPECT_EQ(json::parse(odd->body)["error"]["code"], -32601);
    EXPECT_EQ(value("GetParamOrca", json::array())["rows"][0][0], "S");
}

TEST_P(ProtocolTest, ServesCallsSideBySide) {
    constexpr int threads = 6;
    constexpr int calls = 15;
    std::atomic<int> good{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            httplib::Client client("127.0.0.1", port());
            for (int i = 0; i < calls; ++i) {
                const json request = {{"jsonrpc", "2.0"},
                                      {"id", t * 100 + i},
                                      {"method", i % 2 ? "GetContratante" : "TestWrite"},
                                      {"params", i % 2 ? json{"0001", "0000000100", "00"}
                                                       : json{fmt::format("{}{:02d}", t, i)}}};
                auto res = client.Post(rpc_path, request.dump(), "application/json");
                if (res && res->status == 200 && json::parse(res->body).contains("result")) {
                    ++good;
                }
            }
        });
    }
    for (auto& t : pool) {
        t.join();
    }
    EXPECT_EQ(good, threads * calls);
    EXPECT_EQ(count("SELECT COUNT(*) FROM PAIS WHERE NMPAIS = 'Teste'"),
              threads * ((calls + 1) / 2));
}

TEST_P(ProtocolTest, APortInUseIsReportedNotIgnored) {
    MethodRegistry none;
    RpcServer second(db(), none);
    EXPECT_THROW(second.start("127.0.0.1", port()), std::runtime_error);
    EXPECT_EQ(value("GetParamOrca", json::array())["rows"][0][0], "S");
}

CT_SERVER_TEST_ON_ENGINES(ProtocolTest);

} // namespace
} // namespace ct::server::testing
