#include "host/server_sign_in.h"

#include "platform/net/net_connection.h"
#include "platform/net/server_access.h"

#include <httplib.h>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace ct::host {
namespace {

void aim(NetConnection& net, const std::string& host, int port) {
    net.setHost(host);
    net.setPort(port);
}

} // namespace

ServerHealth probeServer(const std::string& host, int port) {
    auto client = makeServerClient(host, port);
    client->set_connection_timeout(5, 0);
    client->set_read_timeout(20, 0);
    const auto answer = client->Get("/health");
    ServerHealth health;
    if (!answer) {
        health.problem = httplib::to_string(answer.error());
        return health;
    }
    const nlohmann::json body = nlohmann::json::parse(answer->body, nullptr, false);
    if (!body.is_object()) {
        health.problem =
            "its /health answer is not JSON (HTTP " + std::to_string(answer->status) + ")";
        return health;
    }
    health.reachable = true;
    health.signInRequired = body.value("sign_in", false);
    return health;
}

SignedOperator signIn(const std::string& host, int port, const Credentials& credentials) {
    NetConnection net;
    aim(net, host, port);
    const ServerResult result = net.call("Entrar", {credentials.code, credentials.password});
    if (!result.ok())
        throw std::runtime_error(result.errorMessage());
    const nlohmann::json& value = result.value();
    if (!value.is_array() || value.size() < 3 || !value[0].is_string() || !value[1].is_string())
        throw std::runtime_error("Resposta inválida do servidor de aplicação ao entrar.");
    return {value[0].get<std::string>(), value[1].get<std::string>(),
            value[2].is_string() ? value[2].get<std::string>() : std::string()};
}

void signOut(const std::string& host, int port) {
    if (serverAccess().token.empty())
        return;
    NetConnection net;
    aim(net, host, port);
    net.call("Sair");
}

} // namespace ct::host
