// The audit as the screen reads it: who changed each party last, and when.
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"
#include "server/packet/packet.h"
#include "server/packet/packet_text.h"

namespace ct::server {
namespace {

using nlohmann::json;

// Who changed each party of a budget last: one probe of the audit's index per party, so that the
// call costs the same however long the audit grows. SQLite probes so for the correlated MAX;
// PostgreSQL's planner turns that into a hash join over the whole audit (180 ms for 10,000
// parties beside 200,000 audit rows), and is held to the probes by a lateral join (65 ms).
const char* const last_changes_sqlite =
    "SELECT E.NRENDCLIORCEVE, A.CDOPERADOR, O.NMOPERADOR, A.DTAUDITORIA FROM ENDECONTORCA E "
    "JOIN AUDITORIA A ON A.NRAUDITORIA = (SELECT MAX(B.NRAUDITORIA) FROM AUDITORIA B WHERE "
    "B.CDFILIAL = E.CDFILIAL AND B.NRORCAEVENTO = E.NRORCAEVENTO AND B.NRSEQORCAEVE = "
    "E.NRSEQORCAEVE AND B.NRENDCLIORCEVE = E.NRENDCLIORCEVE) "
    "LEFT JOIN OPERADOR O ON O.CDOPERADOR = A.CDOPERADOR WHERE E.CDFILIAL = :fil AND "
    "E.NRORCAEVENTO = :orc AND E.NRSEQORCAEVE = :seq ORDER BY E.NRENDCLIORCEVE";
const char* const last_changes_postgresql =
    "SELECT E.NRENDCLIORCEVE, A.CDOPERADOR, O.NMOPERADOR, A.DTAUDITORIA FROM ENDECONTORCA E "
    "CROSS JOIN LATERAL (SELECT B.CDOPERADOR, B.DTAUDITORIA FROM AUDITORIA B WHERE "
    "B.CDFILIAL = E.CDFILIAL AND B.NRORCAEVENTO = E.NRORCAEVENTO AND B.NRSEQORCAEVE = "
    "E.NRSEQORCAEVE AND B.NRENDCLIORCEVE = E.NRENDCLIORCEVE ORDER BY B.NRAUDITORIA DESC LIMIT 1) A "
    "LEFT JOIN OPERADOR O ON O.CDOPERADOR = A.CDOPERADOR WHERE E.CDFILIAL = :fil AND "
    "E.NRORCAEVENTO = :orc AND E.NRSEQORCAEVE = :seq ORDER BY E.NRENDCLIORCEVE";

json get_ult_alteracao(CallContext& ctx) {
    static const WrittenFields fields(FieldList{str("NRENDCLIORCEVE", 10), str("CDOPERADOR", 32),
                                                str("NMOPERADOR", 60), datetime("DTAUDITORIA")});
    // A row per party of a budget that was saved whole: written as text, never as a document.
    return written_packet(ctx.sql(), fields,
                          ctx.sql().engine() == Engine::postgresql ? last_changes_postgresql
                                                                   : last_changes_sqlite,
                          {{"fil", ctx.text(0)}, {"orc", ctx.text(1)}, {"seq", ctx.text(2)}});
}

} // namespace

void register_audit_methods(MethodRegistry& registry) {
    registry.add({"GetUltAlteracao",
                  {arg::text("filial", size::branch), arg::text("orçamento", size::budget),
                   arg::text("sequência", size::seq)},
                  false,
                  get_ult_alteracao});
}

} // namespace ct::server
