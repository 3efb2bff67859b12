#include "server/http/tls_server.h"

#include <filesystem>
#include <httplib.h>
#include <stdexcept>

namespace ct::server {

std::unique_ptr<httplib::Server> make_http_server(const HttpOptions& options) {
    if (!options.tls()) {
        return std::make_unique<httplib::Server>();
    }
    for (const std::string& file : {options.tls_cert, options.tls_key}) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) {
            throw std::runtime_error("cannot read the TLS file " + file);
        }
    }
    auto server =
        std::make_unique<httplib::SSLServer>(options.tls_cert.c_str(), options.tls_key.c_str());
    if (!server->is_valid()) {
        throw std::runtime_error("the TLS certificate " + options.tls_cert + " and key " +
                                 options.tls_key + " cannot be used (unreadable, or not a pair)");
    }
    return server;
}

} // namespace ct::server
