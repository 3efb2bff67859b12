#include "server/auth/gate.h"

#include "server/auth/sessions.h"
#include "server/core/errors.h"
#include "server/core/text.h"

#include <spdlog/spdlog.h>

namespace ct::server::auth {

bool session_method(std::string_view method) {
    return method == sign_in_method || method == sign_out_method;
}

Caller admit(Sql& sql, const AccessPolicy& policy, std::string_view method,
             std::string_view token) {
    if (!policy.sign_in) {
        return {policy.local_operator, false, {}};
    }
    if (method == sign_in_method) {
        return {};
    }
    try {
        OperatorInfo who = operator_of_token(sql, token);
        return {std::move(who.code), true, std::string(token)};
    } catch (const AppError& e) {
        spdlog::warn("{} refused: {}", method.substr(0, 60), e.what());
        throw;
    }
}

std::string bearer_token(std::string_view authorization) {
    const std::string_view text = trim_view(authorization);
    constexpr std::string_view scheme = "bearer ";
    if (text.size() <= scheme.size() || !iequals(text.substr(0, scheme.size()), scheme)) {
        return {};
    }
    return std::string(trim_view(text.substr(scheme.size())));
}

void register_session_methods(MethodRegistry& registry, const AccessPolicy& policy) {
    const std::chrono::seconds lifetime = policy.session_lifetime;
    const bool required = policy.sign_in;
    registry.add(
        {sign_in_method,
         {arg::text("operador", 64), arg::text("senha", 1024)},
         true,
         [lifetime, required](CallContext& ctx) -> nlohmann::json {
             if (!required) {
                 throw AppError("Este servidor não exige identificação.");
             }
             try {
                 SignedIn session = sign_in(ctx.sql(), ctx.text(0), ctx.text(1), lifetime);
                 spdlog::info("{} signed in", session.who.code);
                 return nlohmann::json::array({session.token, session.who.code, session.who.name});
             } catch (const AppError& e) {
                 spdlog::warn("sign-in of \"{}\" refused: {}", ctx.text(0).substr(0, 20), e.what());
                 throw;
             }
         }});
    registry.add({sign_out_method, {}, true, [](CallContext& ctx) -> nlohmann::json {
                      sign_out(ctx.sql(), ctx.caller().token);
                      return nullptr;
                  }});
}

} // namespace ct::server::auth
