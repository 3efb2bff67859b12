#pragma once

#include "server/auth/access_policy.h"
#include "server/http/http_options.h"

#include <stdexcept>
#include <string>

namespace ct::server {

// An address only this machine can reach: 127.0.0.0/8, ::1, "localhost", or a name that
// resolves to loopback addresses only.
bool is_loopback(const std::string& host);

// A server set to listen where it must not: beyond loopback without sign-in or without TLS.
class UnsafeExposure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws UnsafeExposure, with what to change, for a host beyond loopback without both sign-in
// and TLS; and std::runtime_error for half a TLS configuration.
void check_exposure(const std::string& host, const auth::AccessPolicy& access,
                    const HttpOptions& http);

} // namespace ct::server
