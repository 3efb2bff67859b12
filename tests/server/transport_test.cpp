// TLS with certificates made for the test, and the addresses a server refuses to listen on.
#include "platform/net/net_connection.h"
#include "platform/net/server_access.h"
#include "raw_client.h"
#include "server/db/schema.h"
#include "server/http/front_door.h"
#include "server/http/rpc_server.h"
#include "server/methods/method_groups.h"
#include "server_fixture.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fmt/format.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ct::server::testing {
namespace {

namespace fs = std::filesystem;

// Runs a shell command; its exit code and what it printed (both streams).
std::pair<int, std::string> run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(("(" + command + ") 2>&1").c_str(), "r");
    if (!pipe) {
        return {-1, {}};
    }
    std::array<char, 512> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe)) {
        output += buffer.data();
    }
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// A test authority and a certificate it signs for localhost and 127.0.0.1, and a second
// authority that signs nothing of ours; made with openssl when the suite starts.
class TlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = fs::temp_directory_path() / fmt::format("ct_tls_test_{}", ::getpid());
        fs::create_directories(folder_);
        const std::string key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        const std::string ca = "-addext basicConstraints=critical,CA:TRUE "
                               "-addext keyUsage=critical,keyCertSign,cRLSign";
        const std::string dir = folder_.string();
        const std::string script = fmt::format(
            "cd '{0}' && "
            "openssl req -x509 {1} -keyout ca.key -out ca.pem -days 2 -subj /CN=Teste-CA {2} && "
            "openssl req -x509 {1} -keyout other.key -out other.pem -days 2 -subj /CN=Outra-CA "
            "{2} && "
            "openssl req {1} -keyout server.key -out server.csr -subj /CN=localhost && "
            "printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\\n' > san.ext && "
            "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial "
            "-out server.pem -days 2 -extfile san.ext",
            dir, key, ca);
        const auto [code, output] = run(script);
        ASSERT_EQ(code, 0) << output;
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    void SetUp() override {
        store_ = std::make_unique<TestDatabase>(Engine::sqlite);
        db_ = std::make_unique<Database>(DatabaseUrl::parse(store_->url()), 2);
        install_demo(*db_);
        registry_ = std::make_unique<MethodRegistry>(all_methods());
        HttpOptions tls;
        tls.tls_cert = file("server.pem");
        tls.tls_key = file("server.key");
        HttpLimits limits;
        limits.header_deadline = std::chrono::milliseconds(1000);
        limits.per_client = 25;
        server_ = std::make_unique<RpcServer>(*db_, *registry_, tls, auth::AccessPolicy{}, limits);
        server_->start("127.0.0.1", 0);
    }
    void TearDown() override {
        setServerAccess({});
        server_.reset();
    }

    static std::string file(const char* name) { return (folder_ / name).string(); }

    static fs::path folder_;
    std::unique_ptr<TestDatabase> store_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<MethodRegistry> registry_;
    std::unique_ptr<RpcServer> server_;
};

fs::path TlsTest::folder_;

TEST_F(TlsTest, OnlyAClientThatTrustsTheServersAuthorityGetsThrough) {
    const struct {
        const char* what;
        ServerAccess access;
        std::string message; // empty: the call goes through
    } cases[] = {
        {"the test authority", {true, file("ca.pem"), {}}, ""},
        {"the system's authorities", {true, "", {}}, "não é confiável"},
        {"another authority", {true, file("other.pem"), {}}, "não é confiável"},
        {"plain HTTP", {false, "", {}}, "interrompida"},
    };
    for (const auto& c : cases) {
        setServerAccess(c.access);
        NetConnection net;
        net.setHost("127.0.0.1");
        net.setPort(server_->port());
        const ServerResult result = net.call("GetParamOrca");
        if (c.message.empty()) {
            EXPECT_TRUE(result.ok()) << c.what << ": " << result.errorMessage();
        } else {
            EXPECT_FALSE(result.ok()) << c.what;
            EXPECT_NE(result.errorMessage().find(c.message), std::string::npos)
                << c.what << ": " << result.errorMessage();
        }
    }
}

TEST_F(TlsTest, AHandshakeLeftHalfWayNeverKeepsACallWaiting) {
    std::vector<std::unique_ptr<RawClient>> stalled;
    for (int i = 0; i < 20; ++i) {
        stalled.push_back(std::make_unique<RawClient>(server_->port(), "127.0.0.2"));
        ASSERT_TRUE(stalled.back()->send(std::string("\x16\x03\x01\x00", 4))); // a hello begun
    }
    setServerAccess({true, file("ca.pem"), {}});
    NetConnection net;
    net.setHost("127.0.0.1");
    net.setPort(server_->port());
    for (int i = 0; i < 20; ++i) { // one kept connection, call after call
        const ServerResult result = net.call("GetParamOrca");
        ASSERT_TRUE(result.ok()) << result.errorMessage();
    }
    for (auto& c : stalled) {
        EXPECT_TRUE(c->closed_within(std::chrono::seconds(5))); // past the header deadline
    }
    EXPECT_GE(server_->front_door()->refusals().too_slow.load(), 20);
    // One address over its cap gets its refusal once the handshake is done.
    std::vector<std::unique_ptr<RawClient>> mine;
    for (int i = 0; i < 24; ++i) { // with the kept connection above, the cap
        mine.push_back(std::make_unique<RawClient>(server_->port(), "127.0.0.1"));
    }
    NetConnection one_more;
    one_more.setHost("127.0.0.1");
    one_more.setPort(server_->port());
    const ServerResult refused = one_more.call("GetParamOrca");
    EXPECT_NE(refused.errorMessage().find("ocupado"), std::string::npos) << refused.errorMessage();
    EXPECT_TRUE(net.call("GetParamOrca").ok()); // the kept connection still serves
}

TEST(ServerExposureTest, BeyondLoopbackOnlyWithSignInAndTls) {
    const struct {
        std::string arguments;
        int code;
        std::string message;
    } cases[] = {
        {"--host 0.0.0.0", 2, "refusing to listen on 0.0.0.0 without sign-in"},
        {"--host 0.0.0.0 --sign-in", 2, "refusing to listen on 0.0.0.0 without TLS"},
        {"--host 127.0.0.1 --tls-cert /nonexistent.pem", 1, "both a certificate"},
        {"--host 127.0.0.1 --tls-cert /nonexistent.pem --tls-key /nonexistent.key", 1,
         "cannot read the TLS file /nonexistent.pem"},
    };
    const std::string db =
        (fs::temp_directory_path() / fmt::format("ct_exposure_{}.db", ::getpid())).string();
    for (const auto& c : cases) {
        const auto [code, output] = run(fmt::format("'{}' --db 'sqlite:{}' --demo --port 0 {}",
                                                    CT_SERVER_BINARY, db, c.arguments));
        EXPECT_EQ(code, c.code) << c.arguments << "\n" << output;
        EXPECT_NE(output.find(c.message), std::string::npos) << c.arguments << "\n" << output;
        EXPECT_EQ(output.find("listening on"), std::string::npos) << output;
    }
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(db + suffix);
    }
}

} // namespace
} // namespace ct::server::testing
