#include "server/config/server_options.h"

#include <CLI/CLI.hpp>
#include <pwd.h>
#include <unistd.h>

namespace ct::server {

std::string process_user() {
    if (const passwd* user = getpwuid(geteuid()); user && user->pw_name && *user->pw_name) {
        return user->pw_name;
    }
    return "LOCAL";
}

void add_access_options(CLI::App& app, ServiceOptions& options) {
    options.access.local_operator = process_user();
    app.set_config("--config", "", "configuration file (name = value, as the long options)");
    app.add_flag("--sign-in", options.access.sign_in,
                 "calls need an operator's session (required beyond loopback)");
    app.add_option_function<int>(
           "--session-hours",
           [&options](int hours) { options.access.session_lifetime = std::chrono::hours(hours); },
           "hours a session lasts after sign-in (default 12)")
        ->check(CLI::Range(1, 24 * 30));
    app.add_option("--tls-cert", options.http.tls_cert,
                   "PEM certificate (and chain) to serve TLS with (required beyond loopback)");
    app.add_option("--tls-key", options.http.tls_key, "PEM private key of the certificate");
    app.add_option("--server-name", options.http.server_names,
                   "a name clients reach the server by (repeatable)");
    app.add_option("--allow-origin", options.http.allowed_origins,
                   "a web origin whose pages may call the server (repeatable; none by default)");
}

} // namespace ct::server
