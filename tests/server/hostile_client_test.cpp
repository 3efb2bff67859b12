// What a hostile or broken client tries, each from outside the server: every attempt gets a clear
// refusal or correct service, and afterwards the server answers and the data are as they were.
#include "raw_client.h"
#include "server/db/database_url.h"
#include "server_fixture.h"

#include <atomic>
#include <cstring>
#include <fmt/format.h>
#include <functional>
#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/spdlog.h>
#include <sstream>
#include <thread>

namespace ct::server::testing {
namespace {

class HostileClientTest : public ServerTest {
protected:
    HttpLimits limits() override {
        HttpLimits l;
        l.read_pause = std::chrono::milliseconds(300);
        l.header_deadline = std::chrono::milliseconds(1000);
        return l;
    }

    static std::string request(const std::string& method, const json& params) {
        return json{{"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", params}}.dump();
    }

    // What every call must leave as it was.
    std::string fingerprint() {
        std::string out;
        for (const char* q : {"SELECT COUNT(*), SUM(VRRECECONTOREV), MAX(NMFANTCLIE) FROM "
                              "ENDECONTORCA",
                              "SELECT COUNT(*), SUM(VRPARCELACONT) FROM FORMAPAGTOCONT",
                              "SELECT COUNT(*), SUM(VRCONTAREC) FROM CONTAREC",
                              "SELECT COUNT(*) FROM CLIENTE", "SELECT COUNT(*) FROM EMPRESA"}) {
            const ResultSet rs = query(q);
            for (const auto& v : rs.rows.at(0)) {
                out += as_text(v) + "|";
            }
        }
        return out;
    }

    json parties() { return value("GetContratante", json::array({"0001", "0000000100", "00"}))[0]; }

    // A party delta changing one field of the first party.
    json first_party_changed(const std::string& field, const json& to) {
        const json p = parties();
        json d = delta_of(p);
        add_modify(d, p["rows"][0], with_values(p, p["rows"][0], {{field, to}}));
        return json::array({d, nullptr, "0001", "0000000100", "00"});
    }

    json new_parties(int count, const std::string& name) {
        const json p = parties();
        json d = delta_of(p);
        for (int i = 0; i < count; ++i) {
            add_insert(d, make_row(p, {{"CDFILIAL", "0001"},
                                       {"NRORCAEVENTO", "0000000100"},
                                       {"NRSEQORCAEVE", "00"},
                                       {"NMFANTCLIE", fmt::format("{} {}", name, i)}}));
        }
        return json::array({d, nullptr, "0001", "0000000100", "00"});
    }

    std::string message_of(const json& answer) {
        return answer.contains("error") ? answer["error"].value("message", "") : "";
    }
};

struct Attack {
    const char* what; // the row of the table of attacks
    bool writes;      // a legal call that changes the data
    std::function<void()> attempt;
};

TEST_P(HostileClientTest, EveryAttackGetsARefusalOrCorrectService) {
    const std::vector<Attack> attacks = {
        {"~132,000 nested arrays in params (a 257 KiB body)", false,
         [this] {
             const std::string body =
                 R"({"jsonrpc":"2.0","id":1,"method":"GetParamOrca","params":[)" +
                 std::string(132000, '[') + std::string(132000, ']') + "]}";
             auto [status, answer] = post(body);
             EXPECT_EQ(status, 200);
             EXPECT_EQ(answer["error"]["code"], -32600);
             EXPECT_NE(message_of(answer).find("64 níveis"), std::string::npos) << answer;
         }},
        {"an 80 MiB body sent chunked", false,
         [this] {
             RawClient c(port());
             ASSERT_TRUE(c.send(std::string("POST ") + rpc_path +
                                " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
                                "Transfer-Encoding: chunked\r\n\r\n"));
             const std::string chunk = fmt::format("100000\r\n{}\r\n", std::string(1 << 20, ' '));
             for (int mib = 0; mib < 80 && !c.answered(); ++mib) {
                 if (!c.send(chunk)) {
                     break;
                 }
             }
             const auto answer = c.read();
             EXPECT_EQ(answer.status, 200);
             EXPECT_EQ(answer.body["error"]["code"], -32600);
             EXPECT_NE(message_of(answer.body).find("16 MiB"), std::string::npos) << answer.body;
         }},
        {"a money value of 1e300, and a change from 1e300 to 2e300", false,
         [this] {
             for (double v : {1e300, 2e300, -1e13}) {
                 const std::string refused =
                     refusal("SetEndeCont", first_party_changed("VRRECECONTOREV", v));
                 EXPECT_NE(refused.find("passa do máximo que o sistema guarda"), std::string::npos)
                     << refused;
             }
         }},
        {"a refund of 1e17", false,
         [this] {
             EXPECT_EQ(refusal("SetGeraDevolucao",
                               json::array({"0001", "0000000400", "00", "0000000001", 1e17})),
                       "O valor da devolução (100.000.000.000.000.000,00) passa do máximo que o "
                       "sistema guarda (9.999.999.999.999,99).");
         }},
        {"inserting an installment that already exists", false,
         [this] {
             const json plan =
                 value("GetFormaPtgo", json::array({"0001", "0000000100", "00", "0000000003"}));
             json d = delta_of(plan);
             add_insert(d, plan["rows"][0]);
             const std::string refused = refusal("SetFormaPagto", json::array({d}));
             EXPECT_EQ(refused.rfind("Já existe parcela do contratante com a mesma chave "
                                     "(FORMAPAGTOCONT: CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, "
                                     "NRENDCLIORCEVE, QTDIAFORMAPGCON)",
                                     0),
                       0u)
                 << refused;
         }},
        {"\"a\\0b\" and other control characters in texts", false,
         [this] {
             for (const char* text : {"a\0b", "a\x1b[2Jb", "a\rb",
                                      "a\xc2\x85"
                                      "b"}) {
                 const std::string value(text, text[1] == '\0' ? 3 : std::strlen(text));
                 const json answer = call("SetEndeCont", first_party_changed("NMFANTCLIE", value));
                 EXPECT_EQ(answer["error"]["code"], -32602) << answer;
                 EXPECT_NE(message_of(answer).find("caracteres de controle"), std::string::npos);
             }
             EXPECT_EQ(error_code("SetEmpresaOrca", {std::string("0\0", 2), "0001", "0000000100"}),
                       -32602);
         }},
        {"a legal delta of 1,500 new parties", true,
         [this] {
             const json totals = value("SetEndeCont", new_parties(1500, "Lote"));
             EXPECT_EQ(cell(totals, 0, "NRENDCLIORCEVE"), "0000000004");
             EXPECT_EQ(count("SELECT COUNT(DISTINCT NRENDCLIORCEVE) FROM ENDECONTORCA WHERE "
                             "NMFANTCLIE LIKE 'Lote %'"),
                       1500);
             EXPECT_EQ(count("SELECT MAX(NRENDCLIORCEVE) FROM ENDECONTORCA WHERE NRORCAEVENTO "
                             "= '0000000100'"),
                       1503);
         }},
        {"a lost answer and the client's retry", true,
         [this] {
             const std::string body = request("SetEndeCont", new_parties(1, "Repetida"));
             auto [s1, first] = post(body, "chave-de-teste-1");
             auto [s2, again] = post(body, "chave-de-teste-1");
             EXPECT_EQ(first, again);
             EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NMFANTCLIE LIKE "
                             "'Repetida %'"),
                       1);
             // The same key for another call is refused, not answered with the first.
             auto [s3, other] =
                 post(request("SetEndeCont", new_parties(1, "Outra")), "chave-de-teste-1");
             EXPECT_EQ(other["error"]["code"], -32600) << other;
         }},
        {"20 acknowledged commits on SQLite with no fsync", false,
         [this] {
             if (engine() == Engine::sqlite) {
                 EXPECT_EQ(count("PRAGMA synchronous"), 2); // FULL: every commit synced
             } else {
                 EXPECT_EQ(as_text(query("SHOW lock_timeout").rows.at(0).at(0)), "15s");
             }
         }},
        {"a Content-Length longer than the body, or none, or two", false,
         [this] {
             const std::string call = request("GetParamOrca", json::array());
             const std::string head = std::string("POST ") + rpc_path +
                                      " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                      "Content-Type: application/json\r\n";
             const std::pair<std::string, const char*> cases[] = {
                 {head + "Content-Length: 500\r\n\r\n" + call, "chegou incompleto"},
                 {head + "\r\n" + call, "não diz o tamanho do corpo"},
                 {head + "Content-Length: 2\r\nContent-Length: " + std::to_string(call.size()) +
                      "\r\n\r\n" + call,
                  "mais de um Content-Length"},
                 {head + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n" + call,
                  "Content-Length e Transfer-Encoding"},
             };
             for (const auto& [bytes, refusal] : cases) {
                 RawClient c(port());
                 ASSERT_TRUE(c.send(bytes));
                 const auto answer = c.read();
                 EXPECT_EQ(answer.status, 200) << refusal;
                 EXPECT_NE(message_of(answer.body).find(refusal), std::string::npos) << answer.body;
             }
         }},
        {"a misspelt --db URL", false,
         [] {
             for (const char* url : {"postgresq://ana:s3nh4@db/x", "postgresql://ana:s3nh4@db:5x/x",
                                     "postgresql://db/x?password=s3nh4&bad key=1"}) {
                 try {
                     DatabaseUrl::parse(url);
                     ADD_FAILURE() << "accepted";
                 } catch (const std::invalid_argument& e) {
                     EXPECT_EQ(std::string(e.what()).find("s3nh4"), std::string::npos) << e.what();
                 }
             }
         }},
        {"a newline in a method name", false,
         [this] {
             std::ostringstream log;
             auto previous = spdlog::default_logger();
             spdlog::set_default_logger(std::make_shared<spdlog::logger>(
                 "capture", std::make_shared<spdlog::sinks::ostream_sink_mt>(log)));
             const int code = error_code("GetParamOrca\n[info] FORGED ok\r", json::array());
             spdlog::set_default_logger(previous);
             EXPECT_EQ(code, -32601);
             EXPECT_EQ(log.str().find("\n[info] FORGED"), std::string::npos) << log.str();
             EXPECT_NE(log.str().find("GetParamOrca\\n[info] FORGED ok\\r"), std::string::npos)
                 << log.str();
         }},
        {"300 clients at once", false,
         [this] {
             constexpr int clients = 300;
             std::atomic<int> answered{0};
             std::atomic<int> ready{0};
             std::vector<std::thread> threads;
             const std::string call = RawClient::post(request("GetParamOrca", json::array()));
             for (int i = 0; i < clients; ++i) {
                 threads.emplace_back([&, i] {
                     // Ten addresses: thirty clients behind each, as offices behind routers.
                     const std::string from = fmt::format("127.0.0.{}", 2 + i % 10);
                     RawClient c(port(), from.c_str());
                     ++ready;
                     while (ready < clients) {
                         std::this_thread::yield();
                     }
                     if (c.send(call) && c.read().body.contains("result")) {
                         ++answered;
                     }
                 });
             }
             for (auto& th : threads) {
                 th.join();
             }
             EXPECT_EQ(answered, clients);
         }},
    };
    for (const Attack& attack : attacks) {
        SCOPED_TRACE(attack.what);
        const std::string before = fingerprint();
        attack.attempt();
        EXPECT_EQ(value("GetParamOrca", json::array())["rows"][0][0], "S"); // the server is up
        if (!attack.writes) {
            EXPECT_EQ(fingerprint(), before);
        }
    }
}

CT_SERVER_TEST_ON_ENGINES(HostileClientTest);

} // namespace
} // namespace ct::server::testing
