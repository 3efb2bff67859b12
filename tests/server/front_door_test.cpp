// Who gets in: idle and slow connections never keep a call waiting, one address cannot take every
// connection, and a full queue answers 503 with Retry-After.
#include "raw_client.h"
#include "server/http/front_door.h"
#include "server_fixture.h"

#include <atomic>
#include <fmt/format.h>
#include <httplib.h>
#include <thread>

namespace ct::server::testing {
namespace {

class FrontDoorTest : public ServerTest {
protected:
    void SetUp() override {
        if (GetParam() != Engine::sqlite) {
            GTEST_SKIP() << "the front door is the same whatever the engine";
        }
        ServerTest::SetUp();
    }

    HttpLimits limits() override {
        HttpLimits l;
        l.header_deadline = std::chrono::milliseconds(1000);
        l.per_client = 60;
        l.workers = 1;
        l.queue = 1;
        return l;
    }

    MethodRegistry methods() override {
        MethodRegistry r = ServerTest::methods();
        r.add({"TestSlow", {}, false, [](CallContext&) -> json {
                   std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                   return nullptr;
               }});
        return r;
    }

    static std::string call_text(const std::string& method) {
        return RawClient::post(
            json{{"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", json::array()}}
                .dump());
    }
};

TEST_P(FrontDoorTest, IdleAndSlowConnectionsNeverKeepACallWaiting) {
    // A header line every 200 ms from each slow client, for as long as the server keeps it.
    IdleAndSlowClients crowd(port(), 50, std::chrono::milliseconds(200), 100);
    ASSERT_TRUE(crowd.ready());
    // With one worker and all of them held, a call is still served, and served again.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(value("GetParamOrca", json::array())["rows"][0][0], "S");
    }
    for (auto& c : crowd.slow) {
        EXPECT_TRUE(c->closed_within(std::chrono::seconds(20))); // past its deadline
    }
    crowd.stop();
    EXPECT_GE(server().front_door()->refusals().too_slow.load(), 50);
    // The idle ones are still there, and each can still call.
    ASSERT_TRUE(crowd.idle.front()->send(call_text("GetParamOrca")));
    EXPECT_TRUE(crowd.idle.front()->read().body.contains("result"));
}

TEST_P(FrontDoorTest, OneAddressCannotTakeEveryConnection) {
    std::vector<std::unique_ptr<RawClient>> mine;
    for (int i = 0; i < 60; ++i) {
        mine.push_back(std::make_unique<RawClient>(port(), "127.0.0.4"));
    }
    RawClient one_more(port(), "127.0.0.4");
    ASSERT_TRUE(one_more.send(call_text("GetParamOrca")));
    const auto refused = one_more.read();
    EXPECT_EQ(refused.status, 503);
    EXPECT_NE(refused.headers.find("Retry-After: 1"), std::string::npos) << refused.headers;
    EXPECT_EQ(refused.body["error"]["code"], -32000);
    EXPECT_EQ(value("GetParamOrca", json::array())["rows"][0][0], "S"); // others get in
}

TEST_P(FrontDoorTest, AFullQueueAnswers503WithRetryAfter) {
    RawClient running(port(), "127.0.0.5");
    RawClient waiting(port(), "127.0.0.6");
    RawClient refused(port(), "127.0.0.7");
    ASSERT_TRUE(running.send(call_text("TestSlow")));
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the only worker takes it
    ASSERT_TRUE(waiting.send(call_text("GetParamOrca")));
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the only place in the queue
    ASSERT_TRUE(refused.send(call_text("GetParamOrca")));
    const auto busy = refused.read();
    EXPECT_EQ(busy.status, 503);
    EXPECT_NE(busy.headers.find("Retry-After"), std::string::npos);
    EXPECT_TRUE(running.read().body.contains("result"));
    EXPECT_TRUE(waiting.read().body.contains("result"));
    EXPECT_GE(server().front_door()->refusals().busy.load(), 1);
}

CT_SERVER_TEST_ON_ENGINES(FrontDoorTest);

} // namespace
} // namespace ct::server::testing
