// The budget's quota responsible: naming the current party, or releasing it so that another can
// be named. The reload then shows the responsible in bold and re-enables the commands.
#include "module/frm_contratante.h"
#include "platform/host/errors.h"
#include "platform/host/progress.h"

namespace ct {

void TfrmContratante::sbtRespCotasClick() {
    callServer("SetLiderTurma",
               {medCdFilial.text(), edtNrOrcamento.text(), RpcArg::ref(stNrSeqOrca), "S",
                cdsEndeCont.fieldByName("CDCLIENCONTORCA").asString()});
    sbtVerificarClick();
    HabilitaBotoes();
}

void TfrmContratante::sbtTrocaRespCotasClick() {
    try {
        netContratante.callUnchecked(
            "SetLiderTurma", {medCdFilial.text(), edtNrOrcamento.text(), RpcArg::ref(stNrSeqOrca),
                              "N", cdsEndeCont.fieldByName("CDCLIENCONTORCA").asString()});
        sbtVerificarClick();
        HabilitaBotoes();
    } catch (const ServerError& error) {
        DeactiveShowAvi();
        // The refusals come as catalogue keys; a text that is none is shown as the server wrote it.
        MensErro(msgPadrao.msgOr(error.what(), error.what()));
    }
}

} // namespace ct
