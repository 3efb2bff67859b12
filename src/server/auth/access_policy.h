#pragma once

#include <chrono>
#include <string>

namespace ct::server::auth {

// Who may call a server. Without sign-in (the desktop's embedded server, a loopback server) every
// call runs for the local operator; with it, for the operator of the call's session token.
struct AccessPolicy {
    bool sign_in = false;
    std::string local_operator = "LOCAL";
    std::chrono::seconds session_lifetime = std::chrono::hours(12);
};

// Who makes one call.
struct Caller {
    std::string operator_code;
    bool signed_in = false;
    std::string token; // of a signed-in call
};

} // namespace ct::server::auth
