// Leaving the screen. Entered from the two sibling screens that hand the budget on, the user may
// leave only with complete parties, and the company chosen in the filter is stored with the budget.
#include "module/frm_contratante.h"
#include "platform/host/errors.h"
#include "platform/host/progress.h"

#include <stdexcept>

namespace ct {
namespace {

bool checkedOnLeaving(const std::string& origin) {
    return origin == "PRQ20400" || origin == "PRQ28200";
}

} // namespace

void TfrmContratante::mnuSairClick() {
    if (checkedOnLeaving(stTelaOrig)) {
        // A row still being typed is no party yet: leaving would drop it.
        if (!cdsEndeCont.active() || cdsEndeCont.recordCount() == 0)
            MensErro(msgPadrao.Msg("N_CONTR"));
        {
            // The parties whose installments do not add up to their value; gone on every way out.
            DataSet cdsResult("cdsResult");
            {
                ShowAviGuard progress(this, 1);
                const nlohmann::json parties =
                    callServer("GetVdParcelas", {medCdFilial.text(), edtNrOrcamento.text(),
                                                 RpcArg::ref(stNrSeqOrca)});
                if (!parties.is_object())
                    throw std::runtime_error("Resposta inesperada do servidor em GetVdParcelas: "
                                             "uma lista de contratantes era esperada.");
                cdsResult.loadPacket(parties);
            }
            if (!cdsResult.isEmpty())
                MensErro(msgPadrao.Msg("INF_PAG_INV"));
        }
        // A failed check is shown as the error it is, never taken for a yes or a no.
        const bool boVrZero =
            resultFlag(callServer("GetVdValorContrat", {medCdFilial.text(), edtNrOrcamento.text(),
                                                        RpcArg::ref(stNrSeqOrca)}),
                       "GetVdValorContrat");
        if (!boVrZero)
            MensErro(msgPadrao.Msg("VRNOTA_ZERO"));
        callServer("SetEmpresaOrca",
                   {medCdEmpresa.text(), medCdFilial.text(), edtNrOrcamento.text()});
        Vd_TipoEveCustoEfetivo();
    }
    TfrmPadraoGrid::mnuSairClick();
}

} // namespace ct
