#include "platform/net/server_access.h"

#include <fmt/format.h>
#include <httplib.h>
#include <utility>

namespace ct {
namespace net_state {
ServerAccess& access();

// Behind a function of external linkage, so that a loaded screen module binds to the host's.
ServerAccess& access() {
    static ServerAccess value;
    return value;
}
} // namespace net_state

const ServerAccess& serverAccess() {
    return net_state::access();
}

void setServerAccess(ServerAccess access) {
    net_state::access() = std::move(access);
}

void setSessionToken(std::string token) {
    net_state::access().token = std::move(token);
}

std::unique_ptr<httplib::Client> makeServerClient(const std::string& host, int port) {
    const ServerAccess& access = serverAccess();
    if (!access.tls)
        return std::make_unique<httplib::Client>(host, port);
    auto client = std::make_unique<httplib::Client>(fmt::format("https://{}:{}", host, port));
    client->enable_server_certificate_verification(true);
    if (!access.caFile.empty())
        client->set_ca_cert_path(access.caFile.c_str());
    return client;
}

} // namespace ct
