#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace ct::server::testing {

// The contratante-server program run as a child process, its log written to a file. Killed
// (SIGKILL) on destruction if still running.
class ServerProcess {
public:
    // Starts the program with `args` and waits for its readiness line; throws when it exits or
    // says nothing within a minute.
    ServerProcess(const std::string& binary, std::vector<std::string> args,
                  const std::string& log_path);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return port_; }
    // SIGKILL, then waits for the process to be gone.
    void kill_now();

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace ct::server::testing
