#include "server/db/database_url.h"

#include "text/hex_digit.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace ct::server {
namespace {

std::string percent_decode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            if (i + 2 >= text.size() || hex_digit(text[i + 1]) < 0 || hex_digit(text[i + 2]) < 0) {
                throw std::invalid_argument("bad percent escape in the database URL");
            }
            out += static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A parameter name as libpq reads it, an escape that is not one kept as it is (never throws).
std::string lenient_decode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 &&
            hex_digit(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// libpq keyword values are quoted so that blanks and quotes in them survive.
std::string libpq_value(const std::string& value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "'";
}

void add_keyword(std::string& conn, const std::string& key, const std::string& value) {
    if (value.empty()) {
        return;
    }
    if (!conn.empty()) {
        conn += ' ';
    }
    conn += key + "=" + libpq_value(value);
}

bool valid_keyword(const std::string& key) {
    if (key.empty()) {
        return false;
    }
    for (char c : key) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) {
            return false;
        }
    }
    return true;
}

DatabaseUrl parse_postgresql(const std::string& url, std::string_view rest) {
    DatabaseUrl out;
    out.engine = Engine::postgresql;
    std::string_view query;
    if (auto q = rest.find('?'); q != std::string_view::npos) {
        query = rest.substr(q + 1);
        rest = rest.substr(0, q);
    }
    std::string_view dbname;
    if (auto s = rest.find('/'); s != std::string_view::npos) {
        dbname = rest.substr(s + 1);
        rest = rest.substr(0, s);
    }
    std::string_view userinfo;
    if (auto at = rest.rfind('@'); at != std::string_view::npos) {
        userinfo = rest.substr(0, at);
        rest = rest.substr(at + 1);
    }
    std::string_view user = userinfo;
    std::string_view password;
    if (auto c = userinfo.find(':'); c != std::string_view::npos) {
        user = userinfo.substr(0, c);
        password = userinfo.substr(c + 1);
    }
    std::string_view host = rest;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        auto close = rest.find(']');
        if (close == std::string_view::npos) {
            throw std::invalid_argument("bad host in the database URL: " + redacted_url(url));
        }
        host = rest.substr(1, close - 1);
        if (close + 1 < rest.size() && rest[close + 1] == ':') {
            port = rest.substr(close + 2);
        }
    } else if (auto c = rest.rfind(':'); c != std::string_view::npos) {
        host = rest.substr(0, c);
        port = rest.substr(c + 1);
    }
    for (char c : port) {
        if (c < '0' || c > '9') {
            throw std::invalid_argument("bad port in the database URL: " + redacted_url(url));
        }
    }
    std::string conn;
    add_keyword(conn, "host", percent_decode(host));
    add_keyword(conn, "port", std::string(port));
    add_keyword(conn, "user", percent_decode(user));
    add_keyword(conn, "password", percent_decode(password));
    add_keyword(conn, "dbname", percent_decode(dbname));
    while (!query.empty()) {
        auto amp = query.find('&');
        std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        if (pair.empty()) {
            continue;
        }
        auto eq = pair.find('=');
        std::string key = percent_decode(pair.substr(0, eq));
        std::string value = eq == std::string_view::npos ? "" : percent_decode(pair.substr(eq + 1));
        if (!valid_keyword(key)) {
            throw std::invalid_argument("bad parameter in the database URL: " + key);
        }
        add_keyword(conn, key, value);
    }
    out.connect_string = conn;
    out.display = "postgresql://" + std::string(user) + (user.empty() ? "" : "@") +
                  std::string(rest) + "/" + std::string(dbname);
    return out;
}

} // namespace

std::string redacted_url(std::string_view url) {
    std::string out(url);
    const auto scheme = out.find("://");
    if (scheme != std::string::npos) {
        const std::size_t start = scheme + 3;
        const std::size_t end = std::min(out.find('/', start), out.find('?', start));
        const std::size_t at = out.rfind('@', end == std::string::npos ? out.size() : end);
        if (at != std::string::npos && at >= start) {
            const std::size_t colon = out.find(':', start);
            if (colon != std::string::npos && colon < at) {
                out.replace(colon + 1, at - colon - 1, "***");
            }
        }
    }
    const auto query = out.find('?');
    if (query == std::string::npos) {
        return out;
    }
    std::string redacted = out.substr(0, query + 1);
    std::string_view rest = std::string_view(out).substr(query + 1);
    while (true) {
        const auto amp = rest.find('&');
        const std::string_view pair = rest.substr(0, amp);
        const auto eq = pair.find('=');
        const std::string_view key = pair.substr(0, eq);
        if (eq != std::string_view::npos && lenient_decode(key) == "password") {
            redacted += std::string(key) + "=***";
        } else {
            redacted += std::string(pair);
        }
        if (amp == std::string_view::npos) {
            break;
        }
        redacted += '&';
        rest = rest.substr(amp + 1);
    }
    return redacted;
}

DatabaseUrl DatabaseUrl::parse(const std::string& url) {
    constexpr std::string_view sqlite_prefix = "sqlite:";
    if (url.rfind(sqlite_prefix, 0) == 0) {
        DatabaseUrl out;
        out.engine = Engine::sqlite;
        out.path = url.substr(sqlite_prefix.size());
        if (out.path.rfind("//", 0) == 0) {
            out.path = out.path.substr(2);
        }
        if (out.path.empty()) {
            throw std::invalid_argument("the SQLite URL names no file: " + redacted_url(url));
        }
        if (out.path.find('"') != std::string::npos) {
            throw std::invalid_argument("the SQLite file name may not contain quotes: " +
                                        redacted_url(url));
        }
        out.connect_string = "db=\"" + out.path + "\"";
        out.display = url;
        return out;
    }
    for (std::string_view prefix :
         {std::string_view("postgresql://"), std::string_view("postgres://")}) {
        if (url.rfind(prefix, 0) == 0) {
            return parse_postgresql(url, std::string_view(url).substr(prefix.size()));
        }
    }
    throw std::invalid_argument("unknown database URL (sqlite:PATH or postgresql://...): " +
                                redacted_url(url));
}

} // namespace ct::server
