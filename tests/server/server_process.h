#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ct::server::testing {

// The contratante-server program run as a child process, its standard output on a pipe.
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
    pid_t pid() const { return pid_; }

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

} // namespace ct::server::testing
