#include "platform/db/pg_url.h"

#include "platform/db/db_error.h"
#include "text/hex_digit.h"

#include <cctype>
#include <vector>

namespace ct::db {
namespace {

std::string decoded(std::string_view part, std::string_view url) {
    std::string out;
    for (std::size_t i = 0; i < part.size(); ++i) {
        if (part[i] != '%') {
            out += part[i];
            continue;
        }
        const int hi = i + 2 < part.size() ? hex_digit(part[i + 1]) : -1;
        const int lo = i + 2 < part.size() ? hex_digit(part[i + 2]) : -1;
        if (hi < 0 || lo < 0)
            throw DbError("Endereço de banco de dados malformado: " + std::string(url));
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

// libpq quoting: single quotes, with backslash before quotes and backslashes.
std::string keyword(std::string_view key, std::string_view value) {
    std::string out(key);
    out += "='";
    for (char c : value) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '\'';
    return out;
}

} // namespace

std::string postgresKeywords(std::string_view url) {
    const auto scheme = url.find("://");
    if (scheme == std::string_view::npos ||
        (url.substr(0, scheme) != "postgresql" && url.substr(0, scheme) != "postgres"))
        throw DbError("Endereço de banco de dados malformado: " + std::string(url));
    std::string_view rest = url.substr(scheme + 3);

    std::string_view query;
    if (const auto q = rest.find('?'); q != std::string_view::npos) {
        query = rest.substr(q + 1);
        rest = rest.substr(0, q);
    }
    std::string_view path;
    if (const auto slash = rest.find('/'); slash != std::string_view::npos) {
        path = rest.substr(slash + 1);
        rest = rest.substr(0, slash);
    }
    std::string_view userInfo;
    if (const auto at = rest.rfind('@'); at != std::string_view::npos) {
        userInfo = rest.substr(0, at);
        rest = rest.substr(at + 1);
    }
    std::string_view host = rest;
    std::string_view port;
    if (!host.empty() && host.front() == '[') {
        // An IPv6 address in brackets.
        const auto close = host.find(']');
        if (close == std::string_view::npos)
            throw DbError("Endereço de banco de dados malformado: " + std::string(url));
        port = host.substr(close + 1);
        host = host.substr(1, close - 1);
        if (!port.empty() && port.front() != ':')
            throw DbError("Endereço de banco de dados malformado: " + std::string(url));
        if (!port.empty())
            port.remove_prefix(1);
    } else if (const auto colon = host.rfind(':'); colon != std::string_view::npos) {
        port = host.substr(colon + 1);
        host = host.substr(0, colon);
    }
    for (char c : port)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            throw DbError("Porta inválida no endereço de banco de dados: " + std::string(url));

    std::vector<std::string> parts;
    if (!host.empty())
        parts.push_back(keyword("host", decoded(host, url)));
    if (!port.empty())
        parts.push_back(keyword("port", port));
    if (!path.empty())
        parts.push_back(keyword("dbname", decoded(path, url)));
    if (!userInfo.empty()) {
        const auto colon = userInfo.find(':');
        parts.push_back(keyword("user", decoded(userInfo.substr(0, colon), url)));
        if (colon != std::string_view::npos)
            parts.push_back(keyword("password", decoded(userInfo.substr(colon + 1), url)));
    }
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (pair.empty())
            continue;
        const auto eq = pair.find('=');
        if (eq == std::string_view::npos || eq == 0)
            throw DbError("Endereço de banco de dados malformado: " + std::string(url));
        parts.push_back(
            keyword(decoded(pair.substr(0, eq), url), decoded(pair.substr(eq + 1), url)));
    }

    std::string out;
    for (const auto& p : parts) {
        if (!out.empty())
            out += ' ';
        out += p;
    }
    return out;
}

} // namespace ct::db
