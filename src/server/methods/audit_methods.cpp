// The audit as the screen reads it: who changed each party last, and when.
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"
#include "server/packet/packet.h"
#include "server/packet/packet_text.h"

namespace ct::server {
namespace {

using nlohmann::json;

json get_ult_alteracao(CallContext& ctx) {
    static const WrittenFields fields(FieldList{str("NRENDCLIORCEVE", 10), str("CDOPERADOR", 32),
                                                str("NMOPERADOR", 60), datetime("DTAUDITORIA")});
    // Driven by the budget's parties, one index lookup each: the audit of a budget only grows.
    // A row per party of a budget that was saved whole: written as text, never as a document.
    return written_packet(
        ctx.sql(), fields,
        "SELECT E.NRENDCLIORCEVE, A.CDOPERADOR, O.NMOPERADOR, A.DTAUDITORIA FROM ENDECONTORCA E "
        "JOIN AUDITORIA A ON A.NRAUDITORIA = (SELECT MAX(B.NRAUDITORIA) FROM AUDITORIA B WHERE "
        "B.CDFILIAL = E.CDFILIAL AND B.NRORCAEVENTO = E.NRORCAEVENTO AND B.NRSEQORCAEVE = "
        "E.NRSEQORCAEVE AND B.NRENDCLIORCEVE = E.NRENDCLIORCEVE) "
        "LEFT JOIN OPERADOR O ON O.CDOPERADOR = A.CDOPERADOR WHERE E.CDFILIAL = :fil AND "
        "E.NRORCAEVENTO = :orc AND E.NRSEQORCAEVE = :seq ORDER BY E.NRENDCLIORCEVE",
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
