#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace ct::server::testing {

// The contratante-server program run as a child process, its log written to a file. Killed
// (SIGKILL) on destruction if still running.
class KillableServer {
public:
    // Starts the program with `args` and waits for its readiness line; throws when it exits or
    // says nothing within a minute.
    KillableServer(const std::string& binary, std::vector<std::string> args,
                   const std::string& log_path);
    ~KillableServer();
    KillableServer(const KillableServer&) = delete;
    KillableServer& operator=(const KillableServer&) = delete;

    int port() const { return port_; }
    // SIGKILL, then waits for the process to be gone.
    void kill_now();

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace ct::server::testing
