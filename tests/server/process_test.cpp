// The contratante-server program: command line, readiness line, demo refusal, clean stop.
#include "server_process.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using ct::server::testing::ServerProcess;

int port_of(const std::string& line) {
    std::smatch m;
    static const std::regex pattern(R"(^listening on 127\.0\.0\.1:(\d+)\n$)");
    return std::regex_match(line, m, pattern) ? std::stoi(m[1]) : 0;
}

std::string temp_db() {
    return (std::filesystem::temp_directory_path() /
            ("ct_process_test_" + std::to_string(getpid()) + ".db"))
        .string();
}

TEST(ServerProcessTest, DemoStartAnswerAndStopCleanly) {
    const std::string path = temp_db();
    std::filesystem::remove(path);
    {
        ServerProcess server({"--db", "sqlite:" + path, "--port", "0", "--demo"});
        const int port = port_of(server.first_line());
        ASSERT_GT(port, 0);
        httplib::Client client("127.0.0.1", port);
        auto res = client.Post("/rpc/PRQ31000.rdmContratante",
                               R"({"jsonrpc":"2.0","id":1,"method":"GetVrTotal",)"
                               R"("params":["0001","0000000100","00"]})",
                               "application/json");
        ASSERT_TRUE(res);
        EXPECT_EQ(nlohmann::json::parse(res->body)["result"]["value"],
                  nlohmann::json::array({12000.0, 50.0, 30.0}));
        server.signal(SIGTERM);
        EXPECT_EQ(server.wait(), 0);
    }
    {
        // A database that holds data is refused by --demo.
        ServerProcess again({"--db", "sqlite:" + path, "--port", "0", "--demo"});
        EXPECT_EQ(again.first_line(), "");
        EXPECT_EQ(again.wait(), 1);
    }
    {
        // Without --demo the existing data is served; SIGINT stops it too.
        ServerProcess server({"--db", "sqlite:" + path, "--port", "0"});
        EXPECT_GT(port_of(server.first_line()), 0);
        server.signal(SIGINT);
        EXPECT_EQ(server.wait(), 0);
    }
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(path + suffix);
    }
}

TEST(ServerProcessTest, RefusesBadCommandLinesAndEmptyDatabases) {
    const std::string path = temp_db() + ".empty";
    std::filesystem::remove(path);
    ServerProcess no_schema({"--db", "sqlite:" + path, "--port", "0"});
    EXPECT_EQ(no_schema.first_line(), "");
    EXPECT_EQ(no_schema.wait(), 1);
    ServerProcess bad_url({"--db", "oracle://x", "--port", "0"});
    EXPECT_EQ(bad_url.wait(), 1);
    ServerProcess no_db({"--port", "0"});
    EXPECT_NE(no_db.wait(), 0);
    ServerProcess bad_port({"--db", "sqlite:" + path, "--port", "70000"});
    EXPECT_NE(bad_port.wait(), 0);
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(path + suffix);
    }
}

} // namespace
