// What a hostile or broken client tries, each from outside the server: every attempt gets a clear
// refusal or correct service, and afterwards the server answers and the data are as they were.
#include "platform/net/net_connection.h"
#include "raw_client.h"
#include "server/db/database_url.h"
#include "server_fixture.h"
#include "server_process.h"

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/spdlog.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>

namespace ct::server::testing {
namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A figure the closing note quotes, printed with the test's output.
void figure(const std::string& text) {
    std::printf("[ figure   ] %s\n", text.c_str());
}

// A command's exit code and what it printed (both streams).
std::pair<int, std::string> run_command(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(("(" + command + ") 2>&1").c_str(), "r");
    if (!pipe) {
        return {-1, {}};
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        output += buffer;
    }
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// A line of /proc/PID/status in KiB ("VmRSS", "VmHWM").
long long status_kib(pid_t pid, const std::string& name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(name + ":", 0) == 0) {
            return std::stoll(line.substr(name.size() + 1));
        }
    }
    return -1;
}

// Between a client and the server: passes one connection at a time on, and loses the server's
// first answer on its way back (the connection ends as it arrives).
class AnswerDropper {
public:
    explicit AnswerDropper(int server_port)
        : server_port_(server_port) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a = loopback(0);
        socklen_t len = sizeof a;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 8);
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~AnswerDropper() {
        stop_ = true;
        ::shutdown(listen_, SHUT_RDWR);
        thread_.join();
        ::close(listen_);
    }
    int port() const { return port_; }
    int connections() const { return connections_; }

private:
    static sockaddr_in loopback(int port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
        return a;
    }
    void run() {
        while (!stop_) {
            const int client = ::accept(listen_, nullptr, nullptr);
            if (client < 0) {
                return;
            }
            const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const sockaddr_in to = loopback(server_port_);
            if (::connect(server, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
                pass(client, server, connections_++ == 0);
            }
            ::close(server);
            ::close(client);
        }
    }
    void pass(int client, int server, bool lose_answer) {
        pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        char buffer[65536];
        while (!stop_ && ::poll(ends, 2, 100) >= 0) {
            for (int i = 0; i < 2; ++i) {
                if ((ends[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                    continue;
                }
                const ssize_t n = ::recv(ends[i].fd, buffer, sizeof buffer, 0);
                if (n <= 0 || (i == 1 && lose_answer)) {
                    return;
                }
                ::send(ends[1 - i].fd, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL);
            }
        }
    }

    int server_port_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

class HostileClientTest : public ServerTest {
protected:
    HttpLimits limits() override {
        HttpLimits l;
        l.read_pause = std::chrono::milliseconds(300);
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
        {"texts counted in characters against the field's size (50)", true,
         [this] {
             const struct {
                 std::string text;
                 bool fits;
             } cases[] = {
                 {std::string(50, 'a'), true},
                 {std::string(51, 'a'), false},
                 {std::string(48, 'a') + "\"\\", true}, // plain, yet escaped in JSON
                 {std::string(49, 'a') + "\"\\", false},
                 {std::string(49, 'a') + "\xc3\xa3", true}, // "ã": two bytes, one character
                 {std::string(50, 'a') + "\xc3\xa3", false}};
             for (const auto& c : cases) {
                 const json answer = call("SetEndeCont", first_party_changed("NMFANTCLIE", c.text));
                 EXPECT_EQ(answer.contains("result"), c.fits) << c.text << " " << answer;
                 if (!c.fits) {
                     EXPECT_NE(message_of(answer).find("NMFANTCLIE tem mais de 50 caracteres"),
                               std::string::npos)
                         << answer;
                 }
             }
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
             // The program's own client, its first answer lost on the way: it sends the call
             // again under the same key, gets the first answer, and one party is written.
             AnswerDropper dropper(port());
             NetConnection net;
             net.setHost("127.0.0.1");
             net.setPort(dropper.port());
             const json params = new_parties(1, "Perdida");
             const ServerResult result = net.call(
                 "SetEndeCont", {RpcArg::packet(params[0]), nullptr, "0001", "0000000100", "00"});
             EXPECT_TRUE(result.ok()) << result.errorMessage();
             EXPECT_EQ(dropper.connections(), 2);
             EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NMFANTCLIE LIKE "
                             "'Perdida %'"),
                       1);
         }},
        {"20 acknowledged commits on SQLite with no fsync", false,
         [this] {
             if (engine() == Engine::sqlite) {
                 EXPECT_EQ(count("PRAGMA synchronous"), 2); // FULL: every commit synced
             } else {
                 // The settings every session gets when it opens.
                 const std::pair<const char*, const char*> settings[] = {
                     {"lock_timeout", "15s"},
                     {"statement_timeout", "2min"},
                     {"plan_cache_mode", "force_generic_plan"},
                     {"join_collapse_limit", "1"}};
                 for (const auto& [name, value] : settings) {
                     EXPECT_EQ(as_text(query(std::string("SHOW ") + name).rows.at(0).at(0)), value)
                         << name;
                 }
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
             double slowest = 0;
             for (const auto& [bytes, refusal] : cases) {
                 RawClient c(port());
                 const auto start = Clock::now();
                 ASSERT_TRUE(c.send(bytes));
                 const auto answer = c.read();
                 slowest = std::max(slowest, ms_since(start));
                 EXPECT_EQ(answer.status, 200) << refusal;
                 EXPECT_NE(message_of(answer.body).find(refusal), std::string::npos) << answer.body;
             }
             // A body shorter than it says is refused after a second of silence.
             EXPECT_LT(slowest, 4000);
             figure(fmt::format("framing refusals: slowest answered in {:.0f} ms", slowest));
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
             const auto [code, output] = run_command(
                 fmt::format("'{}' --db 'postgresq://ana:s3nh4@db/x' --port 0", CT_SERVER_BINARY));
             EXPECT_NE(code, 0);
             EXPECT_EQ(output.find("s3nh4"), std::string::npos) << output;
             EXPECT_NE(output.find("postgresq://ana:***@db/x"), std::string::npos) << output;
             // Without a password in the URL none goes to libpq, which then takes PGPASSWORD or
             // ~/.pgpass.
             EXPECT_EQ(
                 DatabaseUrl::parse("postgresql://ana@db:5432/x").connect_string.find("password"),
                 std::string::npos);
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
        {"50 idle connections and 50 sending a header line every 2 s", false,
         [this] {
             IdleAndSlowClients crowd(port(), 50, std::chrono::seconds(2));
             ASSERT_TRUE(crowd.ready());
             std::this_thread::sleep_for(std::chrono::milliseconds(2500)); // two lines each
             const auto start = Clock::now();
             const json answer = call("GetParamOrca", json::array());
             const double took = ms_since(start);
             crowd.stop();
             EXPECT_TRUE(answer.contains("result")) << answer;
             EXPECT_LT(took, 2000); // generous for a loaded machine; the figure is the measure
             figure(fmt::format("a call among 50 idle and 50 slow connections: {:.2f} ms", took));
         }},
        {"one 8 MiB request", false,
         [this] {
             if (engine() != Engine::sqlite) {
                 return; // the request's memory is the endpoint's, whatever the engine
             }
             // A server of its own, so that its memory is the request's alone.
             const std::string path = (std::filesystem::temp_directory_path() /
                                       fmt::format("ct_hostile_memory_{}.db", ::getpid()))
                                          .string();
             std::filesystem::remove(path);
             ServerProcess server({"--db", "sqlite:" + path, "--port", "0", "--demo"});
             int server_port = 0;
             std::sscanf(server.first_line().c_str(), "listening on 127.0.0.1:%d", &server_port);
             ASSERT_GT(server_port, 0);
             const std::size_t empty = request("SetEndeCont", new_parties(0, "M")).size();
             const std::size_t one = request("SetEndeCont", new_parties(1, "M")).size() - empty;
             const int parties = static_cast<int>((8u << 20) / one) + 1;
             const std::string body = request("SetEndeCont", new_parties(parties, "Memória"));
             std::ofstream(fmt::format("/proc/{}/clear_refs", server.pid())) << "5"; // peak = now
             const long long before = status_kib(server.pid(), "VmRSS");
             RawClient c(server_port);
             ASSERT_TRUE(c.send(RawClient::post(body)));
             const auto answer = c.read(std::chrono::seconds(120));
             const long long peak = status_kib(server.pid(), "VmHWM");
             EXPECT_TRUE(answer.body.contains("result")) << answer.body.dump().substr(0, 300);
             const double times =
                 static_cast<double>(peak - before) * 1024.0 / static_cast<double>(body.size());
             EXPECT_LT(times, 5.0);
             figure(fmt::format("{} parties in {:.1f} MiB: the server's memory grew {:.1f} MiB "
                                "({:.1f} times the body)",
                                parties, static_cast<double>(body.size()) / (1 << 20),
                                static_cast<double>(peak - before) / 1024.0, times));
             for (const char* suffix : {"", "-wal", "-shm"}) {
                 std::filesystem::remove(path + suffix);
             }
         }},
        {"300 clients at once", false,
         [this] {
             constexpr int clients = 300;
             std::atomic<int> answered{0};
             std::atomic<int> busy{0}; // 503 with Retry-After
             std::atomic<int> failed{0};
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
                     const auto answer = c.send(call) ? c.read() : RawClient::Answer();
                     if (answer.body.contains("result")) {
                         ++answered;
                     } else if (answer.status == 503 &&
                                answer.headers.find("Retry-After:") != std::string::npos) {
                         ++busy;
                     } else {
                         ++failed; // a reset, or no answer at all
                     }
                 });
             }
             const auto start = Clock::now();
             for (auto& th : threads) {
                 th.join();
             }
             EXPECT_EQ(failed, 0);
             EXPECT_EQ(answered + busy, clients);
             figure(fmt::format("300 clients at once: {} answered, {} told to retry, {} failed, "
                                "all done in {:.0f} ms",
                                answered.load(), busy.load(), failed.load(), ms_since(start)));
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
