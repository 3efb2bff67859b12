#include "server/http/socket_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace ct::server {

std::string address_text(const sockaddr_storage& addr, int& port) {
    char text[INET6_ADDRSTRLEN] = {0};
    port = 0;
    if (addr.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
        ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        port = ntohs(in->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&addr);
        ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        port = ntohs(in6->sin6_port);
    }
    return text;
}

} // namespace ct::server
