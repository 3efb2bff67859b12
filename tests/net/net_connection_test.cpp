#include "platform/host/errors.h"
#include "platform/host/fake_dialog_service.h"
#include "platform/host/halvren.h"
#include "platform/host/silent_abort.h"
#include "platform/net/net_connection.h"

#include "json/repeatable_reader.h"
#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <httplib.h>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace ct {
namespace {

using json = nlohmann::json;

// A JSON-RPC server on a free loopback port that answers with what the test decides.
class PlayServer {
public:
    using Player = std::function<json(const json& request)>;

    PlayServer() {
        server_.Post(R"(/rpc/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
            std::unique_lock lock(mutex_);
            paths_.push_back(req.path);
            if (raw_) {
                res.status = rawStatus_;
                res.set_content(*raw_, "application/json");
                return;
            }
            const json request = json::parse(req.body);
            requests_.push_back(request);
            held_.push_back(req.get_header_value("X-Answer-Held"));
            if (tagger_) {
                const std::string tag = tagger_();
                if (req.get_header_value("X-Answer-Held") == tag) {
                    res.set_header("X-Answer-Held", tag);
                    res.set_content(
                        json{{"id", request["id"]}, {"jsonrpc", "2.0"}, {"result", nullptr}}.dump(),
                        "application/json");
                    return;
                }
                res.set_header("X-Answer-Tag", tag);
            }
            // Played unlocked: a player may wait for another call, which must get in meanwhile.
            lock.unlock();
            json answer = player_(request);
            if (!answer.contains("id"))
                answer["id"] = request["id"];
            answer["jsonrpc"] = "2.0";
            res.set_content(answer.dump(), "application/json");
        });
        server_.set_tcp_nodelay(true);
        server_.set_keep_alive_timeout(1);
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        for (int i = 0; i < 500 && !server_.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ~PlayServer() {
        server_.stop();
        thread_.join();
    }

    int port() const { return port_; }
    void play(Player player) { player_ = std::move(player); }
    // Tags every answer; a call naming the current tag is told it holds the answer.
    void tagAnswers(std::function<std::string()> tagger) { tagger_ = std::move(tagger); }
    std::vector<std::string> held() {
        std::lock_guard lock(mutex_);
        return held_;
    }
    void answerRaw(std::string body, int status = 200) {
        raw_ = std::move(body);
        rawStatus_ = status;
    }
    std::vector<json> requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    std::vector<std::string> paths() {
        std::lock_guard lock(mutex_);
        return paths_;
    }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    Player player_ = [](const json&) { return json{{"result", {{"value", nullptr}}}}; };
    std::optional<std::string> raw_;
    int rawStatus_ = 200;
    std::vector<json> requests_;
    std::vector<std::string> paths_;
    std::function<std::string()> tagger_;
    std::vector<std::string> held_; // X-Answer-Held of each call
};

// A loopback port that was free a moment ago: nothing listens there.
int unusedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

json success(json value, json byref = json::object()) {
    return {{"result", {{"value", std::move(value)}, {"byref", std::move(byref)}}}};
}

json refusal(std::string message, int code = 1) {
    return {{"error", {{"code", code}, {"message", std::move(message)}}}};
}

class NetConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        net_.setHost("127.0.0.1");
        net_.setPort(server_.port());
    }

    PlayServer server_;
    NetConnection net_;
    FakeDialogService fake_;
    ScopedDialogService scope_{fake_};
};

TEST_F(NetConnectionTest, CallsByNameWithArgumentsInOrder) {
    const json packet = {{"fields", json::array()}, {"rows", json::array()}};
    server_.play([](const json&) { return success(json::array({true, 2.5, "00"})); });

    const ServerResult r =
        net_.call("SetEndeCont", {RpcArg::packet(packet), nullptr, "0001", 12.75, false});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value(), json::array({true, 2.5, "00"}));

    const auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["jsonrpc"], "2.0");
    EXPECT_EQ(requests[0]["method"], "SetEndeCont");
    EXPECT_EQ(requests[0]["params"], json::array({packet, nullptr, "0001", 12.75, false}));
    EXPECT_EQ(server_.paths()[0], "/rpc/PRQ31000.rdmContratante");
    EXPECT_EQ(net_.serverName(), "PRQ31000.rdmContratante");
}

TEST_F(NetConnectionTest, ByReferenceArgumentsComeBackIntoTheCallersVariables) {
    server_.play([](const json& req) {
        EXPECT_EQ(req["params"][2], "01");
        return success(json::array({"packet"}), {{"2", "00"}, {"4", 150.25}});
    });
    std::string seq = "01";
    std::string untouched = "S";
    double refund = 0.0;
    const ServerResult r =
        net_.call("SetGeraDevolucao", {"0001", "0000000100", RpcArg::ref(seq),
                                       RpcArg::ref(untouched), RpcArg::ref(refund)});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(seq, "00");
    EXPECT_EQ(refund, 150.25);
    // Absent from byref: left as it was.
    EXPECT_EQ(untouched, "S");
    EXPECT_EQ(r.byref()["2"], "00");
}

TEST_F(NetConnectionTest, PacketByReferenceIsReplaced) {
    json delta = {{"fields", json::array()}, {"delta", json::array()}};
    const json stored = {{"fields", json::array()}, {"rows", json::array({json::array()})}};
    server_.play([&](const json&) { return success(nullptr, {{"1", stored}}); });
    ASSERT_TRUE(net_.call("SetEndeCont", {"x", RpcArg::ref(delta)}).ok());
    EXPECT_EQ(delta, stored);
}

TEST_F(NetConnectionTest, RefusalReachesCheckResultServ) {
    server_.play([](const json&) { return refusal("Orçamento já fechado."); });
    std::string seq = "01";
    const ServerResult r = net_.call("GetContratante", {"0001", "0000000100", RpcArg::ref(seq)});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.errorCode(), 1);
    EXPECT_EQ(r.errorMessage(), "Orçamento já fechado.");
    EXPECT_EQ(seq, "01"); // nothing written on an error

    EXPECT_THROW(CheckResultServ(r, true, 0), SilentAbort);
    ASSERT_EQ(fake_.messageCount(), 1u);
    EXPECT_EQ(fake_.messages()[0].type, MsgType::Error);
    EXPECT_EQ(fake_.lastMessage(), "Orçamento já fechado.");
}

TEST_F(NetConnectionTest, UncheckedCallsRaiseTheServersError) {
    server_.play([](const json& req) {
        if (req["method"] == "GetExistContrato")
            return refusal("Falha ao consultar contratos.");
        return success("");
    });
    try {
        net_.callUnchecked("GetExistContrato", {RpcArg::packet(json::object())});
        FAIL() << "no exception";
    } catch (const ServerError& e) {
        EXPECT_EQ(e.code(), 1);
        EXPECT_STREQ(e.what(), "Falha ao consultar contratos.");
    }
    EXPECT_EQ(net_.callUnchecked("GetVdValorContrat", {"1", "2", "3"}), json(""));
    EXPECT_EQ(fake_.messageCount(), 0u);
}

TEST_F(NetConnectionTest, ThrowExceptionRaisesInsteadOfReturning) {
    server_.play([](const json&) { return refusal("Método desconhecido", -32601); });
    net_.setThrowException(true);
    EXPECT_THROW(net_.call("Nada"), ServerError);
    net_.setThrowException(false);
    EXPECT_EQ(net_.call("Nada").errorCode(), -32601);
}

TEST_F(NetConnectionTest, ObserverSeesEveryCall) {
    std::vector<CallRecord> seen;
    net_.setCallObserver([&](const CallRecord& r) { seen.push_back(r); });
    server_.play([](const json& req) {
        return req["method"] == "GetCliente" ? success(json::object()) : refusal("não");
    });
    std::string s = "01";
    net_.call("GetCliente");
    net_.call("GetVrTotal", {"0001", "0000000100", RpcArg::ref(s)});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].method, "GetCliente");
    EXPECT_EQ(seen[0].params, json::array());
    EXPECT_TRUE(seen[0].ok);
    EXPECT_GE(seen[0].ms, 0.0);
    EXPECT_EQ(seen[1].params, json::array({"0001", "0000000100", "01"}));
    EXPECT_FALSE(seen[1].ok);
    EXPECT_EQ(seen[1].errorCode, 1);
    EXPECT_EQ(seen[1].errorMessage, "não");

    auto previous = net_.setCallObserver(nullptr);
    EXPECT_TRUE(previous);
    net_.call("GetCliente");
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(NetConnectionTest, BeforeConnectSetsHostAndPort) {
    NetConnection net;
    const std::string oldHost = Halvren::WebURL();
    const int oldPort = Halvren::WebPort();
    Halvren::setWebURL("127.0.0.1");
    Halvren::setWebPort(server_.port());
    int runs = 0;
    net.beforeConnect = [&](NetConnection& c) {
        ++runs;
        c.setHost(Halvren::WebURL());
        c.setPort(Halvren::WebPort());
    };
    EXPECT_FALSE(net.connected());
    net.open();
    EXPECT_TRUE(net.connected());
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(net.call("GetParamOrca").ok());
    EXPECT_TRUE(net.call("GetParamOrca").ok());
    EXPECT_EQ(runs, 1);
    net.close();
    EXPECT_FALSE(net.connected());
    EXPECT_TRUE(net.call("GetParamOrca").ok()); // reopens by itself
    EXPECT_EQ(runs, 2);
    Halvren::setWebURL(oldHost);
    Halvren::setWebPort(oldPort);
}

TEST_F(NetConnectionTest, MalformedAnswersBecomeErrors) {
    std::string seq = "01";
    server_.answerRaw("not json");
    ServerResult r = net_.call("GetContratante", {RpcArg::ref(seq)});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.errorCode(), ServerResult::invalidAnswer);
    EXPECT_NE(r.errorMessage().find("Resposta inválida"), std::string::npos);

    server_.answerRaw(R"({"jsonrpc":"2.0","id":999,"result":{"value":1}})");
    EXPECT_EQ(net_.call("X").errorCode(), ServerResult::invalidAnswer);

    server_.answerRaw(R"({"jsonrpc":"2.0","result":5})");
    EXPECT_EQ(net_.call("X").errorCode(), ServerResult::invalidAnswer);

    server_.answerRaw(R"({"jsonrpc":"2.0","error":{"code":-32603}})");
    r = net_.call("X");
    EXPECT_EQ(r.errorCode(), -32603);
    EXPECT_FALSE(r.errorMessage().empty());

    server_.answerRaw(R"({"jsonrpc":"2.0","result":{"value":null,"byref":{"0":12}}})");
    r = net_.call("X", {RpcArg::ref(seq)});
    EXPECT_EQ(r.errorCode(), ServerResult::invalidAnswer);
    EXPECT_EQ(seq, "01");

    server_.answerRaw("{}", 500);
    r = net_.call("X");
    EXPECT_EQ(r.errorCode(), ServerResult::transportError);
    EXPECT_NE(r.errorMessage().find("HTTP 500"), std::string::npos);
}

TEST_F(NetConnectionTest, OversizedAnswersAreRefused) {
    EXPECT_EQ(net_.maxAnswerBytes(), 64u * 1024u * 1024u);
    const std::string big(5000, 'x');
    server_.play([&](const json&) { return success(big); });
    net_.setMaxAnswerBytes(4096);
    const ServerResult r = net_.call("GetCliente");
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.errorCode(), ServerResult::transportError);
    EXPECT_EQ(r.errorMessage(),
              "A resposta do servidor de aplicação excede o tamanho máximo permitido.");
    // The next call is not disturbed by the one cut off.
    net_.setMaxAnswerBytes(NetConnection::defaultMaxAnswerBytes);
    const ServerResult again = net_.call("GetCliente");
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.value(), big);
}

TEST_F(NetConnectionTest, ByReferenceValuesAreAllCheckedBeforeAnyIsWritten) {
    std::string first = "A";
    double second = 1.0;
    server_.answerRaw(R"({"jsonrpc":"2.0","result":{"value":null,"byref":{"0":"B","1":"x"}}})");
    const ServerResult r = net_.call("X", {RpcArg::ref(first), RpcArg::ref(second)});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(first, "A");
    EXPECT_EQ(second, 1.0);
}

TEST_F(NetConnectionTest, WaitHookRunsOnTheCallersThreadWhileASlowCallIsUnderWay) {
    server_.play([](const json&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return success("ok", {{"0", "01"}});
    });
    const auto caller = std::this_thread::get_id();
    int runs = 0;
    bool elsewhere = false;
    int underWay = 0;
    WaitHook previous = setWaitHook([&] {
        ++runs;
        elsewhere = elsewhere || std::this_thread::get_id() != caller;
        underWay = callsInProgress();
    });
    std::string seq = "00";
    const ServerResult r = net_.call("GetVrTotal", {RpcArg::ref(seq)});
    setWaitHook(previous);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value(), "ok");
    EXPECT_EQ(seq, "01");
    EXPECT_GE(runs, 3);
    EXPECT_FALSE(elsewhere);
    EXPECT_EQ(underWay, 1);
    EXPECT_EQ(callsInProgress(), 0);

    // Without a hook the call blocks and nothing else runs.
    runs = 0;
    EXPECT_TRUE(net_.call("GetVrTotal", {RpcArg::ref(seq)}).ok());
    EXPECT_EQ(runs, 0);
}

// A reader that records what the connection asks of it, and can repeat while it is told so.
class RepeatingReader final : public RepeatableReader {
public:
    bool holdsLoad = true; // the target still holds what it loaded
    int events = 0;
    int repeats = 0;
    std::string readTag; // the answer it read last
    mutable std::string askedTag;

    void setSourceTag(std::string tag) override { readTag = std::move(tag); }
    bool canRepeat(const std::string& tag) const override {
        askedTag = tag;
        return holdsLoad && tag == readTag;
    }
    void repeat() override { ++repeats; }

    bool null() override { return ++events > 0; }
    bool boolean(bool) override { return ++events > 0; }
    bool number_integer(number_integer_t) override { return ++events > 0; }
    bool number_unsigned(number_unsigned_t) override { return ++events > 0; }
    bool number_float(number_float_t, const string_t&) override { return ++events > 0; }
    bool string(string_t&) override { return ++events > 0; }
    bool binary(binary_t&) override { return ++events > 0; }
    bool start_object(std::size_t) override { return ++events > 0; }
    bool key(string_t&) override { return ++events > 0; }
    bool end_object() override { return ++events > 0; }
    bool start_array(std::size_t) override { return ++events > 0; }
    bool end_array() override { return ++events > 0; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }
};

// The same answer again is handed to readers that still hold it without being read; anything
// else about the call is still read and checked.
TEST_F(NetConnectionTest, AnAnswerItsReadersStillHoldIsNotReadAgain) {
    json rows = json::array({1, 2, 3});
    server_.play([&](const json&) { return success(json::array({rows, "x"}), {{"1", "01"}}); });
    RepeatingReader reader;
    auto call = [&](const std::string& budget) {
        std::string seq = "00";
        reader.events = 0;
        ServerResult r = net_.call("GetContratante", {budget, RpcArg::ref(seq)}, {{0, &reader}});
        EXPECT_TRUE(r.ok()) << r.errorMessage();
        EXPECT_EQ(r.value(), json::array({nullptr, "x"})); // the rest read as ever
        EXPECT_EQ(seq, "01");                              // by reference as ever
        return reader.events > 0;
    };
    struct Step {
        const char* what;
        std::function<void()> before;
        const char* budget;
        bool read; // read again, not repeated
    };
    const std::vector<Step> steps = {
        {"first answer", [] {}, "0100", true},
        {"same answer", [] {}, "0100", false},
        {"again", [] {}, "0100", false},
        {"changed answer, same length", [&] { rows[2] = 4; }, "0100", true},
        {"the changed one again", [] {}, "0100", false},
        {"the set changed since", [&] { reader.holdsLoad = false; }, "0100", true},
        {"held again", [&] { reader.holdsLoad = true; }, "0100", false},
        {"other arguments, same text", [] {}, "0200", true},
    };
    int repeats = 0;
    for (const Step& step : steps) {
        step.before();
        EXPECT_EQ(call(step.budget), step.read) << step.what;
        repeats += step.read ? 0 : 1;
        EXPECT_EQ(reader.repeats, repeats) << step.what;
    }
    // Routed differently, the kept answer's rest would be wrong: read.
    RepeatingReader other;
    std::string seq = "00";
    ASSERT_TRUE(
        net_.call("GetContratante", {"0200", RpcArg::ref(seq)}, {{0, &reader}, {1, &other}}).ok());
    EXPECT_GT(other.events, 0);
}

// A call asked ahead goes on a connection of its own: the server answers another call while it
// is still at work on it, and take() reads its answer then (readers, held answer and observer as
// for any call). Sent when taken, nothing reaches the server before.
TEST_F(NetConnectionTest, ACallAskedAheadIsAnsweredWhileOtherCallsGoOn) {
    std::mutex mutex;
    std::condition_variable arrived;
    bool otherCame = false;
    server_.play([&](const json& req) {
        std::unique_lock lock(mutex);
        if (req["method"] == "Other") {
            otherCame = true;
            arrived.notify_all();
            return success("other");
        }
        const bool overtaken =
            arrived.wait_for(lock, std::chrono::seconds(5), [&] { return otherCame; });
        return success(json::array({json::array({1, 2}), overtaken ? "overtaken" : "alone"}));
    });
    std::vector<std::string> seen;
    net_.setCallObserver([&](const CallRecord& r) { seen.push_back(r.method); });
    RepeatingReader reader;
    auto ahead = net_.callAhead("Ahead", {"0100"}, {{0, &reader}});
    EXPECT_TRUE(ahead->asks({"0100"}));
    EXPECT_FALSE(ahead->asks({"0200"}));
    EXPECT_EQ(net_.call("Other").value(), "other");
    const ServerResult r = ahead->take();
    ASSERT_TRUE(r.ok()) << r.errorMessage();
    EXPECT_EQ(r.value(), json::array({nullptr, "overtaken"}));
    EXPECT_GT(reader.events, 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"Other", "Ahead"}));

    // The same again is repeated to the reader that holds it, as a call's would be.
    reader.events = 0;
    ASSERT_TRUE(net_.callAhead("Ahead", {"0100"}, {{0, &reader}})->take().ok());
    EXPECT_EQ(reader.repeats, 1);

    const bool before = setCallsAhead(false);
    auto later = net_.callAhead("Other", {"0300"}, {});
    const std::size_t sent = server_.requests().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(server_.requests().size(), sent);
    EXPECT_EQ(later->take().value(), "other");
    EXPECT_EQ(server_.requests().size(), sent + 1);
    setCallsAhead(before);
}

TEST(NetConnectionUnreachable, ACallAskedAheadFailsWithTheSameError) {
    NetConnection net;
    net.setPort(unusedPort());
    const ServerResult ahead = net.callAhead("GetCliente", {}, {})->take();
    const ServerResult now = net.call("GetCliente");
    EXPECT_FALSE(ahead.ok());
    EXPECT_EQ(ahead.errorCode(), now.errorCode());
    EXPECT_EQ(ahead.errorMessage(), now.errorMessage());
}

// A server that tags its answers is told which one the readers hold, and may answer that they
// still hold it: the readers take it again, and the rest of the answer is the one kept.
TEST_F(NetConnectionTest, AHeldAnswerIsNamedAndTakenAgainWhenTheServerSaysSo) {
    json rows = json::array({1, 2, 3});
    std::string tag = "t1";
    server_.play([&](const json&) { return success(json::array({rows, "x"}), {{"1", "01"}}); });
    server_.tagAnswers([&] { return tag; });
    RepeatingReader reader;
    struct Step {
        const char* what;
        std::function<void()> before;
        const char* named; // the tag the call named
        bool read;
    };
    const std::vector<Step> steps = {
        {"first answer", [] {}, "", true},
        {"held", [] {}, "t1", false},
        {"held again", [] {}, "t1", false},
        {"the set changed since", [&] { reader.holdsLoad = false; }, "", true},
        {"held once more", [&] { reader.holdsLoad = true; }, "t1", false},
        {"changed on the server",
         [&] {
             rows[0] = 9;
             tag = "t2";
         },
         "t1", true},
        {"the new one held", [] {}, "t2", false},
    };
    int repeats = 0;
    for (const Step& step : steps) {
        step.before();
        std::string seq = "00";
        reader.events = 0;
        ServerResult r = net_.call("GetContratante", {"0100", RpcArg::ref(seq)}, {{0, &reader}});
        ASSERT_TRUE(r.ok()) << step.what << ": " << r.errorMessage();
        EXPECT_EQ(r.value(), json::array({nullptr, "x"})) << step.what;
        EXPECT_EQ(seq, "01") << step.what;
        EXPECT_EQ(server_.held().back(), step.named) << step.what;
        EXPECT_EQ(reader.events > 0, step.read) << step.what;
        repeats += step.read ? 0 : 1;
        EXPECT_EQ(reader.repeats, repeats) << step.what;
    }
}

TEST(NetConnectionUnreachable, GivesAClearPortugueseError) {
    FakeDialogService fake;
    ScopedDialogService scope(fake);
    const int freePort = unusedPort();
    NetConnection net;
    net.setHost("127.0.0.1");
    net.setPort(freePort);
    std::vector<CallRecord> seen;
    net.setCallObserver([&](const CallRecord& r) { seen.push_back(r); });

    const ServerResult r = net.call("GetEmpresaOrca", {"0001", "0000000100"});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.errorCode(), ServerResult::transportError);
    EXPECT_EQ(r.errorMessage(), "Não foi possível conectar ao servidor de aplicação em 127.0.0.1:" +
                                    std::to_string(freePort) + ".");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_FALSE(seen[0].ok);

    EXPECT_THROW(CheckResultServ(r, true, 0), SilentAbort);
    EXPECT_EQ(fake.lastMessage(), r.errorMessage());
    EXPECT_THROW(net.callUnchecked("GetVdValorContrat", {"1", "2", "3"}), ServerError);
}

TEST(NetConnectionStopped, CallAfterTheServerStopsFailsCleanly) {
    NetConnection net;
    int port = 0;
    {
        PlayServer first;
        port = first.port();
        net.setHost("127.0.0.1");
        net.setPort(port);
        first.play([](const json&) { return success("first"); });
        EXPECT_EQ(net.call("X").value(), "first");
    }
    // The kept-alive socket is gone; the next call fails cleanly rather than hanging.
    const ServerResult r = net.call("X");
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.errorCode(), ServerResult::transportError);
}

} // namespace
} // namespace ct
