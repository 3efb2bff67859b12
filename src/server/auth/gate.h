#pragma once

#include "server/auth/access_policy.h"
#include "server/db/sql.h"
#include "server/rpc/method_registry.h"

#include <string>
#include <string_view>

namespace ct::server::auth {

// The methods that open and close a session. Signing in is the one call that needs no session.
inline constexpr const char* sign_in_method = "Entrar";
inline constexpr const char* sign_out_method = "Sair";
bool session_method(std::string_view method);

// Who a call runs for, decided inside the call's transaction before the method runs: with
// sign-in, the operator of the call's token (a call without a live session of an active operator
// is refused with an AppError, nothing done); without it, the policy's local operator.
Caller admit(Sql& sql, const AccessPolicy& policy, std::string_view method, std::string_view token);

// The token of an "Authorization: Bearer <token>" header; empty for anything else.
std::string bearer_token(std::string_view authorization);

// Entrar(code, password) answers [token, operator code, operator name]; Sair() ends the call's
// session. A server without sign-in refuses Entrar.
void register_session_methods(MethodRegistry& registry, const AccessPolicy& policy);

} // namespace ct::server::auth
