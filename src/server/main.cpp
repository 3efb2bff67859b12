#include "server/admin/admin_commands.h"
#include "server/config/server_options.h"
#include "server/http/exposure.h"
#include "server/service.h"

#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>
#include <pthread.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

namespace {

sigset_t stop_signals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Contratante application server"};
    ct::server::ServiceOptions options;
    bool demo = false;
    app.add_option("--db", options.url, "sqlite:PATH or postgresql://user@host:port/dbname")
        ->required();
    app.add_option("--host", options.host, "address to listen on");
    app.add_option("--port", options.port, "port to listen on (0: any free port)")
        ->check(CLI::Range(0, 65535));
    app.add_flag("--demo", demo, "create the schema and load the demo data into an empty database");
    app.add_option("--sessions", options.sessions, "database sessions (concurrent calls)")
        ->check(CLI::Range(1, 64));
    // The configuration file, sign-in and TLS; the administration commands (operators, audit).
    ct::server::add_access_options(app, options);
    ct::server::AdminCommands admin(app);
    CLI11_PARSE(app, argc, argv);
    options.demo = demo ? ct::server::DemoData::required : ct::server::DemoData::none;

    // Logs go to standard error; standard output carries only the readiness line.
    spdlog::set_default_logger(spdlog::stderr_color_mt("server"));
    if (admin.chosen()) {
        return admin.run(options, std::cin, std::cout, std::cerr);
    }

    // Every thread started from here on blocks the stop signals; this one waits for them.
    const sigset_t signals = stop_signals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        ct::server::Service service(options);
        service.start();
        std::cout << "listening on " << service.host() << ":" << service.port() << std::endl;
        int sig = 0;
        sigwait(&signals, &sig);
        spdlog::info("signal {}: stopping", sig);
        service.stop();
    } catch (const ct::server::UnsafeExposure& e) {
        spdlog::error("{}", e.what());
        return 2;
    } catch (const std::exception& e) {
        spdlog::error("{}", e.what());
        return 1;
    }
    return 0;
}
