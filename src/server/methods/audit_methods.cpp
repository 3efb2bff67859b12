// The audit as the screen reads it: who changed each party last, and when.
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"
#include "server/packet/packet.h"
#include "server/packet/packet_text.h"

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

// Who changed each party of a budget last, on SQLite. A probe of the audit's index per party grows
// dearer with the audit (14 ms for 10,000 parties beside 200,000 audit rows, where reading their
// latest 10,000 rows takes 1.4). So the sequence's latest audit rows, as many as it has parties,
// are read first, newest first (AUDITORIA_RECENTES): after a save of the whole budget they hold
// every party's last change. Fewer rows than parties are the sequence's whole audit, and a party
// they miss was never changed; otherwise such a party is probed on its own.
const char* const parties_sqlite =
    "SELECT NRENDCLIORCEVE FROM ENDECONTORCA WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND "
    "NRSEQORCAEVE = :seq ORDER BY NRENDCLIORCEVE";
const char* const latest_changes_sqlite =
    "SELECT A.NRENDCLIORCEVE, A.CDOPERADOR, O.NMOPERADOR, A.DTAUDITORIA FROM AUDITORIA A "
    "LEFT JOIN OPERADOR O ON O.CDOPERADOR = A.CDOPERADOR WHERE A.CDFILIAL = :fil AND "
    "A.NRORCAEVENTO = :orc AND A.NRSEQORCAEVE = :seq ORDER BY A.NRAUDITORIA DESC LIMIT :n";
const char* const last_change_sqlite =
    "SELECT A.NRENDCLIORCEVE, A.CDOPERADOR, O.NMOPERADOR, A.DTAUDITORIA FROM AUDITORIA A "
    "LEFT JOIN OPERADOR O ON O.CDOPERADOR = A.CDOPERADOR WHERE A.CDFILIAL = :fil AND "
    "A.NRORCAEVENTO = :orc AND A.NRSEQORCAEVE = :seq AND A.NRENDCLIORCEVE = :party "
    "ORDER BY A.NRAUDITORIA DESC LIMIT 1";

json last_changes_sqlite(Sql& sql, const WrittenFields& fields, SqlParams params) {
    std::vector<std::string> parties;
    sql.query(
        parties_sqlite, params, [](const std::vector<std::string>&) {},
        [&](std::vector<SqlValue>& cells) { parties.push_back(as_text(cells[0])); });

    params.push_back({"n", static_cast<long long>(parties.size())});
    std::unordered_map<std::string, std::vector<SqlValue>> latest;
    std::size_t read = 0;
    sql.query(
        latest_changes_sqlite, params, [](const std::vector<std::string>&) {},
        [&](std::vector<SqlValue>& cells) {
            ++read;
            if (!is_null(cells[0])) {
                latest.try_emplace(as_text(cells[0]), std::move(cells));
            }
        });
    const bool whole_audit = read < parties.size();
    params.back() = {"party", std::string()};

    // Both statements give the fields' columns in the fields' order.
    WrittenRows rows(fields, field_columns(fields));
    for (const std::string& party : parties) {
        if (const auto found = latest.find(party); found != latest.end()) {
            rows.add(found->second);
        } else if (!whole_audit) {
            params.back().value = party;
            sql.query(
                last_change_sqlite, params, [](const std::vector<std::string>&) {},
                [&](std::vector<SqlValue>& cells) { rows.add(cells); });
        }
    }
    return rows.take();
}

// PostgreSQL's probes cost 6 us each through its executor (60 ms for 10,000 parties). So the
// sequence's latest audit rows, as many as it has parties, are read first, newest first (the
// AUDITORIA_RECENTES index, by the negated number): after a save of the whole budget they hold
// every party's last change, which is the latest of a party among them. Only a party they miss is
// probed (30 ms instead of 90 in psql, 10,000 parties beside 100,000 audit rows).
const char* const last_changes_postgresql =
    "WITH N AS (SELECT COUNT(*) AS N FROM ENDECONTORCA WHERE CDFILIAL = :fil AND NRORCAEVENTO = "
    ":orc AND NRSEQORCAEVE = :seq), "
    "R AS (SELECT DISTINCT ON (B.NRENDCLIORCEVE) B.NRENDCLIORCEVE, B.CDOPERADOR, B.DTAUDITORIA "
    "FROM (SELECT NRENDCLIORCEVE, CDOPERADOR, DTAUDITORIA, NRAUDITORIA FROM AUDITORIA WHERE "
    "CDFILIAL = :fil2 AND NRORCAEVENTO = :orc2 AND NRSEQORCAEVE = :seq2 ORDER BY -NRAUDITORIA "
    "LIMIT (SELECT N FROM N)) B WHERE B.NRENDCLIORCEVE IS NOT NULL "
    "ORDER BY B.NRENDCLIORCEVE, B.NRAUDITORIA DESC) "
    "SELECT E.NRENDCLIORCEVE, COALESCE(R.CDOPERADOR, L.CDOPERADOR) AS CDOPERADOR, O.NMOPERADOR, "
    "COALESCE(R.DTAUDITORIA, L.DTAUDITORIA) AS DTAUDITORIA FROM ENDECONTORCA E "
    "LEFT JOIN R ON R.NRENDCLIORCEVE = E.NRENDCLIORCEVE "
    "LEFT JOIN LATERAL (SELECT B.CDOPERADOR, B.DTAUDITORIA FROM AUDITORIA B WHERE "
    "R.NRENDCLIORCEVE IS NULL AND B.CDFILIAL = E.CDFILIAL AND B.NRORCAEVENTO = E.NRORCAEVENTO "
    "AND B.NRSEQORCAEVE = E.NRSEQORCAEVE AND B.NRENDCLIORCEVE = E.NRENDCLIORCEVE "
    "ORDER BY B.NRAUDITORIA DESC LIMIT 1) L ON TRUE "
    "LEFT JOIN OPERADOR O ON O.CDOPERADOR = COALESCE(R.CDOPERADOR, L.CDOPERADOR) "
    "WHERE E.CDFILIAL = :fil3 AND E.NRORCAEVENTO = :orc3 AND E.NRSEQORCAEVE = :seq3 AND "
    "COALESCE(R.CDOPERADOR, L.CDOPERADOR) IS NOT NULL ORDER BY E.NRENDCLIORCEVE";

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
    if (!postgresql) {
        return last_changes_sqlite(ctx.sql(), fields, key);
    }
    SqlParams params;
    for (const char* n : {"", "2", "3"}) {
        params.push_back({std::string("fil") + n, ctx.text(0)});
        params.push_back({std::string("orc") + n, ctx.text(1)});
        params.push_back({std::string("seq") + n, ctx.text(2)});
    }
    return written_packet(ctx.sql(), fields, last_changes_postgresql, params);
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
