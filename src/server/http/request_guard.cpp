#include "server/http/request_guard.h"

#include "server/core/text.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <httplib.h>

namespace ct::server {
namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// "name:port", "[::1]:port" or a bare name, without the port; lower case.
std::string host_name(std::string_view header) {
    std::string_view text = trim_view(header);
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        return close == std::string_view::npos ? std::string() : lower(text.substr(1, close - 1));
    }
    const auto colon = text.find(':');
    if (colon != std::string_view::npos && text.find(':', colon + 1) == std::string_view::npos) {
        text = text.substr(0, colon);
    }
    return lower(text);
}

bool loopback_name(const std::string& name) {
    if (name == "localhost" || name == "::1") {
        return true;
    }
    in_addr v4{};
    return inet_pton(AF_INET, name.c_str(), &v4) == 1 && (ntohl(v4.s_addr) >> 24) == 127;
}

bool wildcard(const std::string& host) {
    return host.empty() || host == "0.0.0.0" || host == "::" || host == "[::]";
}

bool host_allowed(const std::string& name, const std::string& listen_host,
                  const HttpOptions& http) {
    if (loopback_name(name) || name == host_name(listen_host)) {
        return true;
    }
    const bool named = std::any_of(http.server_names.begin(), http.server_names.end(),
                                   [&](const std::string& n) { return host_name(n) == name; });
    return named || (wildcard(listen_host) && http.server_names.empty());
}

std::string_view without_slash(std::string_view origin) {
    origin = trim_view(origin);
    while (!origin.empty() && origin.back() == '/') {
        origin.remove_suffix(1);
    }
    return origin;
}

} // namespace

std::optional<std::string> refuse_request(const httplib::Request& req,
                                          const std::string& listen_host, const HttpOptions& http) {
    if (!req.has_header("Host")) {
        return "Requisição recusada: falta o cabeçalho Host.";
    }
    if (!host_allowed(host_name(req.get_header_value("Host")), listen_host, http)) {
        return "Requisição recusada: o servidor não atende pelo nome " +
               req.get_header_value("Host").substr(0, 80) + ".";
    }
    if (req.has_header("Origin")) {
        const std::string header = req.get_header_value("Origin");
        const std::string_view origin = without_slash(header);
        const bool allowed =
            std::any_of(http.allowed_origins.begin(), http.allowed_origins.end(),
                        [&](const std::string& o) { return iequals(without_slash(o), origin); });
        if (!allowed) {
            return "Requisição recusada: origem não permitida (" +
                   std::string(origin.substr(0, 80)) + ").";
        }
    }
    if (req.method == "POST") {
        const std::string type = req.get_header_value("Content-Type");
        if (!iequals(trim_view(std::string_view(type).substr(0, type.find(';'))),
                     "application/json")) {
            return "Requisição recusada: o conteúdo deve ser application/json.";
        }
    }
    return std::nullopt;
}

} // namespace ct::server
