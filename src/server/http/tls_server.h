#pragma once

#include "server/http/http_options.h"

#include <memory>
#include <openssl/ssl.h>

namespace ct::server {

struct TlsContextFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
using TlsContext = std::unique_ptr<SSL_CTX, TlsContextFree>;

// The server's TLS from the options' certificate (with its chain) and private key: TLS 1.2 or
// later. Throws std::runtime_error when they cannot be read or do not match.
TlsContext make_tls_context(const HttpOptions& options);

} // namespace ct::server
