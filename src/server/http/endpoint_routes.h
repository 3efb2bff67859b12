#pragma once

#include "server/db/database.h"
#include "server/http/http_limits.h"
#include "server/http/http_options.h"

#include <string>

namespace httplib {
class Server;
}

namespace ct::server {

class RpcHandler;

// What the routes answer with.
struct EndpointContext {
    RpcHandler& handler;
    Database& db;
    const HttpOptions& options;
    const HttpLimits& limits;
    std::string listen_host;
    bool sign_in = false;
};

// The endpoint's routes on a server of the HTTP library, plain or TLS: Host, Origin and content
// type checked before any route; GET /health; POST of a call, its body framing checked before a
// byte of it is read (one Content-Length, or chunks counted against the same limit) and the
// session token taken from its bearer header; every other fault answered in JSON-RPC.
void install_routes(httplib::Server& http, const EndpointContext& context);

// Whether the connection must end after the answer just written (a body refused unread, or the
// library refused the request), for the request the calling thread served; clears it.
bool take_close_after();

} // namespace ct::server
