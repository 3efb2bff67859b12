#pragma once

#include <string>
#include <vector>

namespace ct::server {

// How the endpoint is reached: TLS, and what a request must say about where it comes from.
struct HttpOptions {
    // PEM files of the server's certificate (with its chain) and private key: TLS when given.
    std::string tls_cert;
    std::string tls_key;
    // Names clients reach the server by (the Host header), besides the listening address and the
    // loopback names.
    std::vector<std::string> server_names;
    // Web origins ("https://intranet.example") whose pages may call the server. A request with
    // any other Origin header is refused; clients of our own send none.
    std::vector<std::string> allowed_origins;

    bool tls() const { return !tls_cert.empty() || !tls_key.empty(); }
};

} // namespace ct::server
