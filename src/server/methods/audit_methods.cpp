// The audit as the screen reads it: who changed each party last, and when.
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"
#include "server/packet/packet.h"

namespace ct::server {
namespace {

using nlohmann::json;

json get_ult_alteracao(CallContext& ctx) {
    static const FieldList fields = {str("NRENDCLIORCEVE", 10), str("CDOPERADOR", 32),
                                     str("NMOPERADOR", 60), datetime("DTAUDITORIA")};
    ResultSet rs = ctx.sql().query(
        "SELECT A.NRENDCLIORCEVE, A.CDOPERADOR, O.NMOPERADOR, A.DTAUDITORIA FROM AUDITORIA A "
        "LEFT JOIN OPERADOR O ON O.CDOPERADOR = A.CDOPERADOR WHERE A.CDFILIAL = :fil AND "
        "A.NRORCAEVENTO = :orc AND A.NRSEQORCAEVE = :seq AND A.NRENDCLIORCEVE IS NOT NULL AND "
        "A.NRAUDITORIA = (SELECT MAX(B.NRAUDITORIA) FROM AUDITORIA B WHERE B.CDFILIAL = "
        "A.CDFILIAL AND B.NRORCAEVENTO = A.NRORCAEVENTO AND B.NRSEQORCAEVE = A.NRSEQORCAEVE AND "
        "B.NRENDCLIORCEVE = A.NRENDCLIORCEVE) ORDER BY A.NRENDCLIORCEVE",
        {{"fil", ctx.text(0)}, {"orc", ctx.text(1)}, {"seq", ctx.text(2)}});
    return packet_from_result(fields, rs);
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
