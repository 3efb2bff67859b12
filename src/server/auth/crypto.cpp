#include "server/auth/crypto.h"

#include <charconv>
#include <cstdint>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <stdexcept>
#include <vector>

namespace ct::server::auth {
namespace {

constexpr int cost_log2 = 15;
constexpr int block_size = 8;
constexpr int parallel = 1;
constexpr std::size_t salt_bytes = 16;
constexpr std::size_t hash_bytes = 32;

std::string to_hex(const unsigned char* data, std::size_t size) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 0x0f]);
    }
    return out;
}

bool from_hex(std::string_view text, std::vector<unsigned char>& out) {
    if (text.empty() || text.size() % 2 != 0) {
        return false;
    }
    out.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (error != std::errc() || end != text.data() + i + 2) {
            return false;
        }
        out.push_back(static_cast<unsigned char>(value));
    }
    return true;
}

bool scrypt(std::string_view password, const std::vector<unsigned char>& salt, int log2_n, int r,
            int p, std::vector<unsigned char>& out) {
    const std::uint64_t n = std::uint64_t{1} << log2_n;
    // What scrypt needs (128 r N for V, 128 r p for B), with room for its small buffers.
    const std::uint64_t memory = 128u * static_cast<std::uint64_t>(r) * (n + p + 2);
    return EVP_PBE_scrypt(password.data(), password.size(), salt.data(), salt.size(), n,
                          static_cast<std::uint64_t>(r), static_cast<std::uint64_t>(p), memory,
                          out.data(), out.size()) == 1;
}

// The next "$"-separated piece of a stored hash.
std::string_view next_piece(std::string_view& rest) {
    const auto dollar = rest.find('$');
    const std::string_view piece = rest.substr(0, dollar);
    rest = dollar == std::string_view::npos ? std::string_view() : rest.substr(dollar + 1);
    return piece;
}

bool small_number(std::string_view text, int low, int high, int& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size() && out >= low && out <= high;
}

} // namespace

std::string random_hex(std::size_t bytes) {
    std::vector<unsigned char> data(bytes);
    if (RAND_bytes(data.data(), static_cast<int>(data.size())) != 1) {
        throw std::runtime_error("the random generator failed");
    }
    return to_hex(data.data(), data.size());
}

std::string sha256_hex(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &size, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 failed");
    }
    return to_hex(digest, size);
}

std::string hash_password(std::string_view password) {
    std::vector<unsigned char> salt(salt_bytes);
    if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1) {
        throw std::runtime_error("the random generator failed");
    }
    std::vector<unsigned char> hash(hash_bytes);
    if (!scrypt(password, salt, cost_log2, block_size, parallel, hash)) {
        throw std::runtime_error("scrypt failed");
    }
    return "scrypt$" + std::to_string(cost_log2) + "$" + std::to_string(block_size) + "$" +
           std::to_string(parallel) + "$" + to_hex(salt.data(), salt.size()) + "$" +
           to_hex(hash.data(), hash.size());
}

bool verify_password(std::string_view password, std::string_view stored) {
    std::string_view rest = stored;
    int log2_n = 0;
    int r = 0;
    int p = 0;
    std::vector<unsigned char> salt;
    std::vector<unsigned char> expected;
    if (next_piece(rest) != "scrypt" || !small_number(next_piece(rest), 10, 22, log2_n) ||
        !small_number(next_piece(rest), 1, 32, r) || !small_number(next_piece(rest), 1, 16, p) ||
        !from_hex(next_piece(rest), salt) || !from_hex(next_piece(rest), expected) ||
        !rest.empty()) {
        return false;
    }
    std::vector<unsigned char> hash(expected.size());
    return scrypt(password, salt, log2_n, r, p, hash) &&
           CRYPTO_memcmp(hash.data(), expected.data(), hash.size()) == 0;
}

} // namespace ct::server::auth
