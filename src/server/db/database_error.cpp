#include "server/db/database_error.h"

#include "server/core/text.h"

#include <fmt/format.h>
#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <string_view>
#include <vector>

namespace ct::server {
namespace {

// The tables of the schema as a user knows them.
struct TableName {
    const char* table;
    const char* label;
};

constexpr TableName tables[] = {
    {"FILIALEMPRESA", "empresa da filial"},
    {"PARAMFILIAL", "parâmetros da filial"},
    {"PARAMORCA", "parâmetros de orçamento"},
    {"ORCARESPCOTA", "responsável pelas cotas"},
    {"ORCACONTADOR", "contador de contratantes"},
    {"ORCAEVENTO", "orçamento"},
    {"ENDECONTORCA", "contratante"},
    {"FORMAPAGTOCONT", "parcela do contratante"},
    {"ENDECLIE", "endereço do cliente"},
    {"CLIENTE", "cliente"},
    {"CONTRATO", "contrato"},
    {"CONTAREC", "conta a receber"},
    {"CHAMADAGRAVADA", "chamada gravada"},
    {"MUNICIPIO", "município"},
    {"EMPRESA", "empresa"},
    {"FILIAL", "filial"},
    {"ESTADO", "estado"},
    {"BAIRRO", "bairro"},
    {"PAIS", "país"},
};

// The table a name begins with (constraint names begin with their table's): the longest.
const TableName* table_in(std::string_view name) {
    const std::string upper = upper_ascii(name);
    const TableName* best = nullptr;
    for (const auto& t : tables) {
        const std::string_view table = t.table;
        if (upper.compare(0, table.size(), table) == 0 &&
            (!best || table.size() > std::string_view(best->table).size())) {
            best = &t;
        }
    }
    return best;
}

std::string label_of(const TableName* t) {
    return t ? t->label : "registro";
}

std::string table_of(const TableName* t) {
    return t ? t->table : "?";
}

// The text between `open` and `close` after `marker`, or empty.
std::string_view between(std::string_view text, std::string_view marker, char open, char close) {
    auto at = text.find(marker);
    if (at == std::string_view::npos) {
        return {};
    }
    at = text.find(open, at + marker.size());
    if (at == std::string_view::npos) {
        return {};
    }
    const auto end = text.find(close, at + 1);
    return end == std::string_view::npos ? std::string_view{} : text.substr(at + 1, end - at - 1);
}

std::string duplicate(const TableName* t, const std::string& columns) {
    return fmt::format("Já existe {} com a mesma chave ({}{}{}).", label_of(t), table_of(t),
                       columns.empty() ? "" : ": ", columns);
}

std::string missing_reference(const TableName* t) {
    return fmt::format("O registro de {} ({}) refere-se a um registro que não existe.", label_of(t),
                       table_of(t));
}

std::string still_referred(const TableName* t, const TableName* by) {
    return fmt::format("O registro de {} ({}) ainda é usado por {} ({}) e não pode ser "
                       "excluído nem alterado.",
                       label_of(t), table_of(t), label_of(by), table_of(by));
}

std::string required(const TableName* t, const std::string& column) {
    return fmt::format("O campo {} de {} ({}) é obrigatório.", column, label_of(t), table_of(t));
}

const char* const busy = "Os dados estão em uso por outro usuário; tente novamente em instantes.";

// The text a trigger of the database raised, which is written for the user: the engine's error
// without the driver's "context: " and the server's "ERROR:  " prefixes or what follows its line.
std::string raised_text(std::string_view message) {
    for (const std::string_view prefix : {std::string_view("ERROR:"), std::string_view(": ")}) {
        if (const auto at = message.find(prefix); at != std::string_view::npos) {
            message.remove_prefix(at + prefix.size());
            break;
        }
    }
    return trim(message.substr(0, std::min(message.find('\n'), std::size_t{300})));
}

const char* const too_long = "A operação levou tempo demais e foi cancelada; nada foi gravado.";
const char* const out_of_range = "Um valor passa do que o banco de dados guarda; nada foi gravado.";

// "UNIQUE constraint failed: T.A, T.B" -> T and "A, B".
DatabaseFailure sqlite_constraint(std::string_view message) {
    constexpr std::string_view marker = "constraint failed: ";
    const auto at = message.find(marker);
    if (at == std::string_view::npos &&
        message.find("constraint failed") == std::string_view::npos) {
        return {DatabaseFailure::Kind::clash,
                raised_text(message)}; // RAISE(ABORT, ...) of a trigger
    }
    std::string_view detail =
        at == std::string_view::npos ? std::string_view{} : message.substr(at + marker.size());
    detail = detail.substr(0, detail.find('\n'));
    const TableName* t = table_in(detail);
    std::string columns;
    std::string_view rest = detail;
    while (!rest.empty()) {
        const auto comma = rest.find(", ");
        std::string_view item = rest.substr(0, comma);
        const auto dot = item.find('.');
        columns += (columns.empty() ? "" : ", ") +
                   upper_ascii(dot == std::string_view::npos ? item : item.substr(dot + 1));
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 2);
    }
    if (message.find("UNIQUE constraint failed") != std::string_view::npos ||
        message.find("PRIMARY KEY") != std::string_view::npos) {
        return {DatabaseFailure::Kind::clash, duplicate(t, columns)};
    }
    if (message.find("NOT NULL constraint failed") != std::string_view::npos) {
        return {DatabaseFailure::Kind::clash, required(t, columns)};
    }
    if (message.find("FOREIGN KEY constraint failed") != std::string_view::npos) {
        return {DatabaseFailure::Kind::clash,
                "A gravação foi recusada: um registro refere-se a outro que não existe, ou é "
                "usado por outro que ainda existe."};
    }
    return {DatabaseFailure::Kind::clash,
            fmt::format("Um valor não é aceito por {} ({}).", label_of(t), table_of(t))};
}

DatabaseFailure from_sqlite(const soci::sqlite3_soci_error& e) {
    const std::string message = e.get_error_message();
    const int code = e.result() & 0xFF; // primary code of an extended one
    if (code == 5 || code == 6) {       // SQLITE_BUSY, SQLITE_LOCKED
        return {DatabaseFailure::Kind::busy, busy};
    }
    if (code == 19) { // SQLITE_CONSTRAINT
        return sqlite_constraint(message);
    }
    if (message.find("database is locked") != std::string::npos) {
        return {DatabaseFailure::Kind::busy, busy};
    }
    return {};
}

DatabaseFailure from_postgresql(const soci::postgresql_soci_error& e) {
    const std::string state = e.sqlstate();
    const std::string message = e.get_error_message();
    if (state == "23505") {
        const TableName* t = table_in(between(message, "unique constraint", '"', '"'));
        // "DETAIL: Key (a, b)=(values) already exists.": the names only, never the values.
        std::string columns;
        const auto key = message.find("Key (");
        if (key != std::string::npos) {
            const auto close = message.find(")=", key);
            if (close != std::string::npos) {
                columns = upper_ascii(message.substr(key + 5, close - key - 5));
            }
        }
        return {DatabaseFailure::Kind::clash, duplicate(t, columns)};
    }
    if (state == "23503") {
        const TableName* t = table_in(between(message, "on table", '"', '"'));
        const auto second = message.find("on table", message.find("on table") + 8);
        if (message.find("update or delete on table") != std::string::npos &&
            second != std::string::npos) {
            const TableName* by =
                table_in(between(std::string_view(message).substr(second), "on table", '"', '"'));
            return {DatabaseFailure::Kind::clash, still_referred(t, by)};
        }
        return {DatabaseFailure::Kind::clash, missing_reference(t)};
    }
    if (state == "23502") {
        const TableName* t = table_in(between(message, "of relation", '"', '"'));
        return {DatabaseFailure::Kind::clash,
                required(t, upper_ascii(between(message, "in column", '"', '"')))};
    }
    if (state.rfind("23", 0) == 0) {
        const TableName* t = table_in(between(message, "constraint", '"', '"'));
        return {DatabaseFailure::Kind::clash,
                fmt::format("Um valor não é aceito por {} ({}).", label_of(t), table_of(t))};
    }
    if (state == "P0001") { // RAISE EXCEPTION of a trigger
        return {DatabaseFailure::Kind::clash, raised_text(message)};
    }
    if (state == "55P03" || state == "40P01" || state == "40001") {
        return {DatabaseFailure::Kind::busy, busy};
    }
    if (state == "57014") {
        return {DatabaseFailure::Kind::busy, too_long};
    }
    if (state == "22001" || state == "22003" || state == "22021" || state == "22P05") {
        return {DatabaseFailure::Kind::clash, out_of_range};
    }
    return {};
}

} // namespace

DatabaseFailure classify_failure(const std::exception& error) {
    if (const auto* pg = dynamic_cast<const soci::postgresql_soci_error*>(&error)) {
        return from_postgresql(*pg);
    }
    if (const auto* lite = dynamic_cast<const soci::sqlite3_soci_error*>(&error)) {
        return from_sqlite(*lite);
    }
    return {};
}

} // namespace ct::server
