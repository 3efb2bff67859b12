#pragma once

#include "server/auth/operators.h"
#include "server/db/sql.h"

#include <chrono>
#include <string>
#include <string_view>

// Sessions of signed-in operators, kept in the database (table SESSAOOPERADOR) so that every
// server of one database accepts them. The database keeps only a hash of each token.
namespace ct::server::auth {

struct SignedIn {
    std::string token; // what the client sends with every call
    OperatorInfo who;
    long long expires = 0; // seconds since 1970
};

// Checks code and password and opens a session. Refuses (AppError, in Portuguese) a wrong code or
// password alike, and a disabled operator.
SignedIn sign_in(Sql& sql, std::string_view code, std::string_view password,
                 std::chrono::seconds lifetime);
// Ends the session of a token (nothing happens for an unknown one).
void sign_out(Sql& sql, std::string_view token);
// The active operator of a live session; refuses (AppError, in Portuguese) a missing, unknown or
// expired token and a disabled operator.
OperatorInfo operator_of_token(Sql& sql, std::string_view token);

namespace message {
inline constexpr const char* no_token =
    "Este servidor exige identificação: entre com seu código de operador e senha.";
inline constexpr const char* wrong_password = "Código de operador ou senha inválidos.";
inline constexpr const char* unknown_session = "Sessão inválida ou encerrada. Entre novamente.";
inline constexpr const char* expired_session = "Sua sessão expirou. Entre novamente.";
std::string disabled_operator(const std::string& code);
} // namespace message

} // namespace ct::server::auth
