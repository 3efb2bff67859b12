#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace ct::bench {

// The headless screen in this process, entered by the host on a database (its embedded
// application server on a free port) and driven by script lines as a user would.
class ScreenSession {
public:
    explicit ScreenSession(const std::string& db_url);
    ~ScreenSession();
    ScreenSession(const ScreenSession&) = delete;
    ScreenSession& operator=(const ScreenSession&) = delete;

    // Runs script lines (one per line); throws with the transcript when one fails.
    void run(const std::string& lines);
    // Server calls made so far.
    int calls() const { return calls_; }

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    int calls_ = 0;
};

// Runs a program to its end: wall time in milliseconds and peak resident memory in megabytes.
struct ProcessRun {
    double ms = 0.0;
    double peak_mb = 0.0;
    int exit_code = 0;
};
ProcessRun run_process(const std::vector<std::string>& argv);

} // namespace ct::bench
