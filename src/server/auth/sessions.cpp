#include "server/auth/sessions.h"

#include "server/auth/crypto.h"
#include "server/core/errors.h"
#include "server/core/text.h"

#include <fmt/format.h>

namespace ct::server::auth {
namespace {

constexpr std::size_t token_bytes = 32;
constexpr std::size_t longest_token = 128;

long long now_seconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Spends the time of a real check, so that an unknown code answers as slowly as a known one.
void check_nothing(std::string_view password) {
    static const std::string decoy = hash_password("contratante");
    verify_password(password, decoy);
}

} // namespace

std::string message::disabled_operator(const std::string& code) {
    return fmt::format("O operador {} está desativado.", code);
}

SignedIn sign_in(Sql& sql, std::string_view typed, std::string_view password,
                 std::chrono::seconds lifetime) {
    std::string code;
    try {
        code = operator_code(typed);
    } catch (const AppError&) {
        check_nothing(password);
        throw AppError(message::wrong_password);
    }
    const auto stored = find_operator(sql, code);
    if (!stored) {
        check_nothing(password);
        throw AppError(message::wrong_password);
    }
    if (!verify_password(password, stored->password_hash)) {
        throw AppError(message::wrong_password);
    }
    if (!stored->info.active) {
        throw AppError(message::disabled_operator(code));
    }
    const long long now = now_seconds();
    sql.exec("DELETE FROM SESSAOOPERADOR WHERE NREXPIRA <= :now", {{"now", now}});
    SignedIn out{random_hex(token_bytes), stored->info, now + lifetime.count()};
    sql.exec("INSERT INTO SESSAOOPERADOR (DSTOKEN, CDOPERADOR, NRCRIACAO, NREXPIRA) VALUES (:tk, "
             ":op, :now, :exp)",
             {{"tk", sha256_hex(out.token)}, {"op", code}, {"now", now}, {"exp", out.expires}});
    return out;
}

void sign_out(Sql& sql, std::string_view token) {
    if (token.empty() || token.size() > longest_token) {
        return;
    }
    sql.exec("DELETE FROM SESSAOOPERADOR WHERE DSTOKEN = :tk", {{"tk", sha256_hex(token)}});
}

OperatorInfo operator_of_token(Sql& sql, std::string_view token) {
    if (token.empty()) {
        throw AppError(message::no_token);
    }
    if (token.size() > longest_token) {
        throw AppError(message::unknown_session);
    }
    ResultSet rs = sql.query("SELECT S.NREXPIRA, O.CDOPERADOR, O.NMOPERADOR, O.IDATIVO FROM "
                             "SESSAOOPERADOR S JOIN OPERADOR O ON O.CDOPERADOR = S.CDOPERADOR "
                             "WHERE S.DSTOKEN = :tk",
                             {{"tk", sha256_hex(token)}});
    if (rs.empty()) {
        throw AppError(message::unknown_session);
    }
    if (as_integer(rs.at(0, "NREXPIRA")) <= now_seconds()) {
        throw AppError(message::expired_session);
    }
    OperatorInfo who{rs.text(0, "CDOPERADOR"), rs.text(0, "NMOPERADOR"),
                     trim(rs.text(0, "IDATIVO")) == "S"};
    if (!who.active) {
        throw AppError(message::disabled_operator(who.code));
    }
    return who;
}

} // namespace ct::server::auth
