#pragma once

#include <memory>
#include <string>

namespace httplib {
class Client;
}

namespace ct {

// How this program reaches the application server, the same for every connection of the
// process (the host program sets it; a screen module loaded into the host shares it).
struct ServerAccess {
    bool tls = false;   // https: the server's certificate is checked
    std::string caFile; // PEM file of the authorities to trust (empty: the system's store)
    std::string token;  // session token of the signed-in operator (empty: none)
};

const ServerAccess& serverAccess();
void setServerAccess(ServerAccess access);
void setSessionToken(std::string token);

// An HTTP client of the server at host:port as the access says: TLS with the certificate checked
// (against the CA file or the system's store, and against the host's name), or plain.
std::unique_ptr<httplib::Client> makeServerClient(const std::string& host, int port);

} // namespace ct
