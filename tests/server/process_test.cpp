// The contratante-server program: command line, readiness line, demo refusal, clean stop.
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

// A child process with its standard output on a pipe.
class ServerProcess {
public:
    explicit ServerProcess(std::vector<std::string> args) {
        int fds[2];
        if (pipe(fds) != 0) {
            throw std::runtime_error("pipe");
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            std::vector<char*> argv;
            args.insert(args.begin(), CT_SERVER_BINARY);
            for (auto& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            execv(CT_SERVER_BINARY, argv.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fdopen(fds[0], "r");
    }
    ~ServerProcess() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_) {
            fclose(out_);
        }
    }

    std::string first_line() {
        char buf[256] = {0};
        return fgets(buf, sizeof buf, out_) ? std::string(buf) : std::string();
    }

    void signal(int sig) { kill(pid_, sig); }

    // Exit code, or nullopt when it did not end in time.
    std::optional<int> wait(std::chrono::seconds limit = std::chrono::seconds(20)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return std::nullopt;
    }

private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
    bool exited_ = false;
};

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
