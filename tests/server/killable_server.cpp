#include "killable_server.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <regex>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace ct::server::testing {

namespace {

// The readiness line on the child's standard output, or what stopped it from coming.
std::string read_line(int fd, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    std::string line;
    while (line.empty() || line.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            throw std::runtime_error("the server said nothing in time");
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            continue;
        }
        char c = 0;
        const ssize_t n = read(fd, &c, 1);
        if (n == 0) {
            break; // the child ended
        }
        if (n < 0 && errno != EINTR) {
            throw std::runtime_error("reading the server's output failed");
        }
        if (n == 1) {
            line += c;
        }
    }
    return line;
}

} // namespace

KillableServer::KillableServer(const std::string& binary, std::vector<std::string> args,
                               const std::string& log_path) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) { // dup2 makes the child's copy inheritable
        throw std::runtime_error("pipe");
    }
    const int log = open(log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0) {
        throw std::runtime_error("cannot open " + log_path);
    }
    args.insert(args.begin(), binary);
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(fds[1], STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    close(log);
    if (pid_ < 0) {
        close(fds[0]);
        throw std::runtime_error("fork");
    }
    std::string line;
    try {
        line = read_line(fds[0], std::chrono::seconds(60));
    } catch (...) {
        close(fds[0]);
        kill_now();
        throw;
    }
    close(fds[0]); // the program writes nothing else there
    static const std::regex ready(R"(^listening on [^:]+:(\d+)\n$)");
    std::smatch m;
    if (!std::regex_match(line, m, ready)) {
        kill_now();
        throw std::runtime_error("the server did not start (see " + log_path + ")");
    }
    port_ = std::stoi(m[1]);
}

KillableServer::~KillableServer() {
    kill_now();
}

void KillableServer::kill_now() {
    if (pid_ <= 0) {
        return;
    }
    kill(pid_, SIGKILL);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

} // namespace ct::server::testing
