#include "server/http/exposure.h"

#include "server/core/text.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace ct::server {
namespace {

bool loopback_address(const sockaddr* address) {
    if (address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        return (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
    }
    if (address->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        return IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr) != 0;
    }
    return false;
}

} // namespace

bool is_loopback(const std::string& host) {
    std::string name = trim(host);
    if (name.size() > 2 && name.front() == '[' && name.back() == ']') {
        name = name.substr(1, name.size() - 2);
    }
    if (name.empty()) {
        return false; // every address
    }
    if (iequals(name, "localhost")) {
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) {
        return false;
    }
    bool all = true;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        all = all && loopback_address(a->ai_addr);
    }
    freeaddrinfo(found);
    return all;
}

void check_exposure(const std::string& host, const auth::AccessPolicy& access,
                    const HttpOptions& http) {
    if (http.tls_cert.empty() != http.tls_key.empty()) {
        throw std::runtime_error("TLS needs both a certificate (tls-cert) and its private key "
                                 "(tls-key)");
    }
    if (is_loopback(host)) {
        return;
    }
    if (!access.sign_in) {
        throw UnsafeExposure("refusing to listen on " + host +
                             " without sign-in: only a loopback address (127.0.0.1, ::1, "
                             "localhost) may be served without it. Turn sign-in on (sign-in = "
                             "true in the configuration, or --sign-in) and add operators, or "
                             "listen on 127.0.0.1");
    }
    if (!http.tls()) {
        throw UnsafeExposure("refusing to listen on " + host +
                             " without TLS: sessions and passwords would cross the network in "
                             "the clear. Give the certificate and key (tls-cert and tls-key), or "
                             "listen on 127.0.0.1");
    }
}

} // namespace ct::server
