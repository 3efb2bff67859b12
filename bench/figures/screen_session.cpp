#include "screen_session.h"

#include "host/headless_module.h"
#include "host/host_session.h"
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "platform/net/net_connection.h"
#include "platform/ui/form_host.h"
#include "scenario/session.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ct::bench {
namespace {

host::LaunchOptions options_for(const std::string& db_url) {
    host::LaunchOptions options;
    options.db = db_url;
    return options;
}

} // namespace

struct ScreenSession::Parts {
    explicit Parts(const std::string& db_url)
        : host(options_for(db_url))
        , hostGuard(formHost)
        , transcript(text)
        , session(driver, transcript) {}

    host::HostSession host;
    host::OpenFormHost formHost;
    ScopedFormHost hostGuard;
    host::ModuleLoaded module;
    host::ModuleDriver driver;
    std::ostringstream text;
    scenario::Transcript transcript;
    scenario::Session session;
};

ScreenSession::ScreenSession(const std::string& db_url)
    : parts_(std::make_unique<Parts>(db_url)) {
    setServerCallObserver([this](const CallRecord& call) {
        ++calls_;
        parts_->session.recordCall(call);
    });
}

ScreenSession::~ScreenSession() {
    setServerCallObserver({});
}

void ScreenSession::run(const std::string& lines) {
    for (const auto& line : scenario::parseScript(lines)) {
        if (!parts_->session.runLine(line)) {
            throw std::runtime_error("the scripted line \"" + line.text() +
                                     "\" failed; transcript:\n" + parts_->text.str());
        }
    }
    parts_->text.str({}); // only a failure's transcript is of interest
}

ProcessRun run_process(const std::vector<std::string>& argv) {
    // GNU time reports the program's own peak: ours would be counted for a child spawned from
    // this (large) process before its exec.
    const std::string report =
        (std::filesystem::temp_directory_path() / fmt::format("ct_bench_{}.rss", ::getpid()))
            .string();
    std::vector<std::string> command = {"/usr/bin/time", "-f", "%M", "-o", report};
    command.insert(command.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (const auto& a : command) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start /usr/bin/time (Debian package time)");
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) {
        throw std::runtime_error("lost the child " + argv[0]);
    }
    ProcessRun out;
    out.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    out.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(report);
    double kb = 0;
    in >> kb;
    out.peak_mb = kb / 1024.0;
    std::filesystem::remove(report);
    return out;
}

} // namespace ct::bench
