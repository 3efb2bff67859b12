#include "server/http/tls_server.h"

#include <filesystem>
#include <stdexcept>

namespace ct::server {

TlsContext make_tls_context(const HttpOptions& options) {
    for (const std::string& file : {options.tls_cert, options.tls_key}) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) {
            throw std::runtime_error("cannot read the TLS file " + file);
        }
    }
    TlsContext context(SSL_CTX_new(TLS_server_method()));
    const bool usable =
        context && SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION) == 1 &&
        SSL_CTX_use_certificate_chain_file(context.get(), options.tls_cert.c_str()) == 1 &&
        SSL_CTX_use_PrivateKey_file(context.get(), options.tls_key.c_str(), SSL_FILETYPE_PEM) ==
            1 &&
        SSL_CTX_check_private_key(context.get()) == 1;
    if (!usable) {
        throw std::runtime_error("the TLS certificate " + options.tls_cert + " and key " +
                                 options.tls_key + " cannot be used (unreadable, or not a pair)");
    }
    // Answers go out in the pieces the socket takes; compression never (CRIME).
    SSL_CTX_set_mode(context.get(), SSL_MODE_ENABLE_PARTIAL_WRITE);
    SSL_CTX_set_options(context.get(), SSL_OP_NO_COMPRESSION);
    return context;
}

} // namespace ct::server
