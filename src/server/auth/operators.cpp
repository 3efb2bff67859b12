#include "server/auth/operators.h"

#include "server/auth/crypto.h"
#include "server/core/errors.h"
#include "server/core/text.h"

#include <fmt/format.h>

namespace ct::server::auth {
namespace {

void require_password(std::string_view password) {
    if (utf8_length(password) < min_password_length) {
        throw AppError(
            fmt::format("A senha deve ter pelo menos {} caracteres.", min_password_length));
    }
}

StoredOperator require_operator(Sql& sql, const std::string& code) {
    auto found = find_operator(sql, code);
    if (!found) {
        throw AppError(fmt::format("Operador {} não cadastrado.", code));
    }
    return *found;
}

} // namespace

std::string operator_code(std::string_view typed) {
    const std::string code = upper_ascii(trim_view(typed));
    const bool allowed =
        !code.empty() && code.size() <= 10 &&
        code.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._-") == std::string::npos;
    if (!allowed) {
        throw AppError("Código de operador inválido: use de 1 a 10 letras, números, \".\", \"_\" "
                       "ou \"-\".");
    }
    return code;
}

std::optional<StoredOperator> find_operator(Sql& sql, std::string_view code) {
    ResultSet rs = sql.query("SELECT CDOPERADOR, NMOPERADOR, DSSENHA, IDATIVO FROM OPERADOR "
                             "WHERE CDOPERADOR = :op",
                             {{"op", std::string(code)}});
    if (rs.empty()) {
        return std::nullopt;
    }
    return StoredOperator{
        {rs.text(0, "CDOPERADOR"), rs.text(0, "NMOPERADOR"), trim(rs.text(0, "IDATIVO")) == "S"},
        rs.text(0, "DSSENHA")};
}

void add_operator(Sql& sql, std::string_view typed, std::string_view name,
                  std::string_view password) {
    const std::string code = operator_code(typed);
    const std::string shown = trim(name).empty() ? code : trim(name);
    if (utf8_length(shown) > 60) {
        throw AppError("O nome do operador deve ter até 60 caracteres.");
    }
    require_password(password);
    if (find_operator(sql, code)) {
        throw AppError(fmt::format("Operador {} já cadastrado.", code));
    }
    sql.exec("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, DSSENHA, IDATIVO) VALUES (:op, :nm, "
             ":pw, 'S')",
             {{"op", code}, {"nm", shown}, {"pw", hash_password(password)}});
}

void set_operator_password(Sql& sql, std::string_view typed, std::string_view password) {
    const std::string code = operator_code(typed);
    require_operator(sql, code);
    require_password(password);
    sql.exec("UPDATE OPERADOR SET DSSENHA = :pw WHERE CDOPERADOR = :op",
             {{"pw", hash_password(password)}, {"op", code}});
    // Whoever knew the old password keeps no session made with it.
    sql.exec("DELETE FROM SESSAOOPERADOR WHERE CDOPERADOR = :op", {{"op", code}});
}

void set_operator_active(Sql& sql, std::string_view typed, bool active) {
    const std::string code = operator_code(typed);
    require_operator(sql, code);
    sql.exec("UPDATE OPERADOR SET IDATIVO = :at WHERE CDOPERADOR = :op",
             {{"at", std::string(active ? "S" : "N")}, {"op", code}});
    if (!active) {
        sql.exec("DELETE FROM SESSAOOPERADOR WHERE CDOPERADOR = :op", {{"op", code}});
    }
}

std::vector<OperatorInfo> list_operators(Sql& sql) {
    ResultSet rs =
        sql.query("SELECT CDOPERADOR, NMOPERADOR, IDATIVO FROM OPERADOR ORDER BY CDOPERADOR");
    std::vector<OperatorInfo> out;
    for (std::size_t i = 0; i < rs.size(); ++i) {
        out.push_back({rs.text(i, "CDOPERADOR"), rs.text(i, "NMOPERADOR"),
                       trim(rs.text(i, "IDATIVO")) == "S"});
    }
    return out;
}

} // namespace ct::server::auth
