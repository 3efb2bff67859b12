#pragma once

#include "server/service.h"

#include <string>

namespace CLI {
class App;
}

namespace ct::server {

// The options of contratante-server beyond the database and the address: the configuration
// file (--config FILE: one "name = value" a line, names as the long options without dashes,
// lists as ["a", "b"]), sign-in and its sessions, TLS, the server's names and the web origins
// allowed to call it.
void add_access_options(CLI::App& app, ServiceOptions& options);

// Whom calls are recorded for on a server without sign-in: the user running it.
std::string process_user();

} // namespace ct::server
