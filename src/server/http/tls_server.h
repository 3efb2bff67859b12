#pragma once

#include "server/http/http_options.h"

#include <memory>

namespace httplib {
class Server;
}

namespace ct::server {

// A plain HTTP server, or one serving TLS with the options' certificate and key. Throws
// std::runtime_error when they cannot be read or do not match.
std::unique_ptr<httplib::Server> make_http_server(const HttpOptions& options);

} // namespace ct::server
