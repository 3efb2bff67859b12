#pragma once

#include "server/db/sql.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The operators who may sign in to a server, kept in its database (table OPERADOR).
namespace ct::server::auth {

struct OperatorInfo {
    std::string code;
    std::string name;
    bool active = true;
};

inline constexpr std::size_t min_password_length = 8;

// An operator code as stored: 1 to 10 letters, digits, ".", "_" or "-", in upper case. Refuses
// (AppError) anything else.
std::string operator_code(std::string_view typed);

// Each refuses with an AppError in Portuguese (unknown or repeated code, short password).
void add_operator(Sql& sql, std::string_view code, std::string_view name,
                  std::string_view password);
void set_operator_password(Sql& sql, std::string_view code, std::string_view password);
// Disabling also ends the operator's sessions.
void set_operator_active(Sql& sql, std::string_view code, bool active);
std::vector<OperatorInfo> list_operators(Sql& sql);

// The operator and its stored password hash; nothing for an unknown code.
struct StoredOperator {
    OperatorInfo info;
    std::string password_hash;
};
std::optional<StoredOperator> find_operator(Sql& sql, std::string_view code);

} // namespace ct::server::auth
