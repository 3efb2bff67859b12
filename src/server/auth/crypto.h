#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Passwords and session tokens, with OpenSSL (already linked for TLS).
namespace ct::server::auth {

// A salted scrypt hash that names its own cost: "scrypt$15$8$1$<salt hex>$<hash hex>" (N = 2^15,
// r = 8, p = 1: 32 MiB and about a tenth of a second), so the cost can rise without a migration.
std::string hash_password(std::string_view password);
// Whether the password gives the stored hash (compared in constant time). A stored text that is
// not a hash of ours never matches.
bool verify_password(std::string_view password, std::string_view stored);

// Hex text of `bytes` bytes from OpenSSL's random generator.
std::string random_hex(std::size_t bytes);
// SHA-256 of a text, in hex: what the database keeps of a session token.
std::string sha256_hex(std::string_view text);

} // namespace ct::server::auth
