#pragma once

#include "server/http/http_options.h"

#include <optional>
#include <string>

namespace httplib {
struct Request;
}

namespace ct::server {

// What a request must show before it reaches a method, so that a web page open in a browser
// cannot drive the server (a cross-site POST, or a name of the attacker's resolved to it):
// - Host: a loopback name or address, the listening address, or one of the server names (any
//   host when the server listens on every address and names none);
// - Origin: none (our clients send none) or one of the allowed origins;
// - a POST carries application/json (a form or text/plain post of a page is refused).
// Gives the refusal in Portuguese, or nothing when the request may go on.
std::optional<std::string> refuse_request(const httplib::Request& req,
                                          const std::string& listen_host, const HttpOptions& http);

} // namespace ct::server
