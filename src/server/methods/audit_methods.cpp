// The audit as the screen reads it: who changed each party last, and when.
#include "server/db/sql.h"
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"
#include "server/packet/packet.h"
#include "server/packet/packet_text.h"

#include <limits>
#include <string_view>
#include <unordered_map>

namespace ct::server {
namespace {

using nlohmann::json;

std::vector<std::string> field_columns(const WrittenFields& fields) {
    std::vector<std::string> columns;
    for (const auto& field : fields.fields) {
        columns.push_back(field.name);
    }
    return columns;
}

// Who changed each party of a budget last: the sequence's audit read newest first
// (AUDITORIA_RECENTES, by the negated number on PostgreSQL), in windows of rows, until every party
// is found or the audit ends. The first window is as long as the budget's party list: after a
// save of the whole budget it holds every party's last change.
// There is no index by party. Beside a budget's history it made each save of the whole budget
// dearer than the one before (on SQLite, saving 10,000 parties: 14 ms at the first save, 21 at the
// fifteenth, and the commit 5 to 10 ms more). Going further back costs only the call that looks
// for a party changed long ago or never: for one never changed beside 150,000 rows of its
// sequence, the call takes about 75 ms on SQLite and 90 on PostgreSQL (against well under one
// with the index), and its answer is then kept until the database changes.
// Matched here rather than in one statement: PostgreSQL sorted the latest rows by party to match
// them, 17 ms of its time for 10,000 parties where the plain reads take 5, while the screen opening
// beside it waits for the same cores.
const char* const parties_query =
    "SELECT NRENDCLIORCEVE FROM ENDECONTORCA WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND "
    "NRSEQORCAEVE = :seq ORDER BY NRENDCLIORCEVE";
const char* const changes_before_sqlite =
    "SELECT A.NRENDCLIORCEVE, A.CDOPERADOR, O.NMOPERADOR, A.DTAUDITORIA, A.NRAUDITORIA FROM "
    "AUDITORIA A LEFT JOIN OPERADOR O ON O.CDOPERADOR = A.CDOPERADOR WHERE A.CDFILIAL = :fil AND "
    "A.NRORCAEVENTO = :orc AND A.NRSEQORCAEVE = :seq AND A.NRAUDITORIA < :before ORDER BY "
    "A.NRAUDITORIA DESC LIMIT :n";
const char* const changes_before_postgresql =
    "SELECT A.NRENDCLIORCEVE, A.CDOPERADOR, O.NMOPERADOR, A.DTAUDITORIA, A.NRAUDITORIA FROM "
    "AUDITORIA A LEFT JOIN OPERADOR O ON O.CDOPERADOR = A.CDOPERADOR WHERE A.CDFILIAL = :fil AND "
    "A.NRORCAEVENTO = :orc AND A.NRSEQORCAEVE = :seq AND -A.NRAUDITORIA > -CAST(:before AS "
    "BIGINT) ORDER BY -A.NRAUDITORIA LIMIT :n";

json last_changes(Sql& sql, const WrittenFields& fields, const SqlParams& key) {
    std::vector<std::string> parties;
    sql.query(
        parties_query, key, [](const std::vector<std::string>&) {},
        [&](std::vector<SqlValue>& cells) { parties.push_back(as_text(cells[0])); });

    // Each party's row of its last change, empty until found.
    std::unordered_map<std::string_view, std::vector<SqlValue>> latest;
    for (const std::string& party : parties) {
        latest.try_emplace(party);
    }
    std::size_t missing = latest.size();
    SqlParams window = key;
    window.push_back({"before", std::numeric_limits<long long>::max()});
    window.push_back({"n", static_cast<long long>(parties.size())});
    SqlValue& before = window[window.size() - 2].value;
    SqlValue& size = window.back().value;
    const char* const text =
        sql.engine() == Engine::postgresql ? changes_before_postgresql : changes_before_sqlite;
    while (missing > 0) {
        long long read = 0;
        sql.query(
            text, window, [](const std::vector<std::string>&) {},
            [&](std::vector<SqlValue>& cells) {
                ++read;
                before = as_integer(cells.back());
                cells.pop_back(); // the number only marks where the window ends
                if (is_null(cells[0])) {
                    return;
                }
                const auto it = latest.find(as_text(cells[0]));
                if (it != latest.end() && it->second.empty()) {
                    it->second = std::move(cells);
                    --missing;
                }
            });
        if (read < as_integer(size)) {
            break; // the sequence's whole audit
        }
        // Each window twice the last: a small budget beside a long audit is read in a few
        // statements, not in as many as its audit has rows for each of its parties.
        size = 2 * read;
    }

    WrittenRows rows(fields, field_columns(fields));
    for (const std::string& party : parties) {
        if (const std::vector<SqlValue>& cells = latest[party]; !cells.empty()) {
            rows.add(cells);
        }
    }
    return rows.take();
}

// Parties made elsewhere in the suite (or by an import) leave no audit: a sequence with none
// answers at once instead of looking every party up (8 ms for 10,000 on PostgreSQL). Ordered as
// AUDITORIA_RECENTES is on each engine: with a bare LIMIT, PostgreSQL's generic plan scans the
// whole audit for a sequence whose rows lie at its end (14 ms beside 200,000 rows).
const char* const any_change_sqlite =
    "SELECT 1 FROM AUDITORIA WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND NRSEQORCAEVE = "
    ":seq ORDER BY NRAUDITORIA DESC LIMIT 1";
const char* const any_change_postgresql =
    "SELECT 1 FROM AUDITORIA WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND NRSEQORCAEVE = "
    ":seq ORDER BY -NRAUDITORIA LIMIT 1";

json no_changes(const WrittenFields& fields) {
    return WrittenRows(fields, field_columns(fields)).take();
}

json get_ult_alteracao(CallContext& ctx) {
    static const WrittenFields fields(FieldList{str("NRENDCLIORCEVE", 10), str("CDOPERADOR", 32),
                                                str("NMOPERADOR", 60), datetime("DTAUDITORIA")});
    const SqlParams key = {{"fil", ctx.text(0)}, {"orc", ctx.text(1)}, {"seq", ctx.text(2)}};
    const bool postgresql = ctx.sql().engine() == Engine::postgresql;
    if (!ctx.sql().scalar(postgresql ? any_change_postgresql : any_change_sqlite, key)) {
        return no_changes(fields);
    }
    // A row per party of a budget that was saved whole: written as text, never as a document.
    return last_changes(ctx.sql(), fields, key);
}

} // namespace

void register_audit_methods(MethodRegistry& registry) {
    registry.add({"GetUltAlteracao",
                  {arg::text("filial", size::branch), arg::text("orçamento", size::budget),
                   arg::text("sequência", size::seq)},
                  false,
                  get_ult_alteracao,
                  true});
}

} // namespace ct::server
