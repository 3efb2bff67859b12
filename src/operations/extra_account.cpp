// The receivable account for the extra invitations of the budget's sequence: the server decides
// which invitations it covers; the screen checks the budget, asks, calls and reloads.
#include "module/frm_contratante.h"
#include "platform/host/errors.h"
#include "platform/host/halvren.h"
#include "platform/host/progress.h"

namespace ct {

void TfrmContratante::btnConvExtraClick() {
    Vd_TipoEveCustoEfetivo();
    if (msgPadrao.ShowMsg("GERAR_CNT_CONVEXT", MsgType::Confirmation, mbYes | mbNo) !=
        MsgResult::Yes)
        return;
    try {
        {
            ShowAviGuard progress(this, 1);
            netContratante.callUnchecked("SetGerarConta",
                                         {medCdFilial.text(), edtNrOrcamento.text(),
                                          cdsEndeCont.fieldByName("NRSEQORCAEVE").asString(),
                                          "EXTRA", Halvren::Operador()});
        }
        sbtVerificarClick();
        msgPadrao.ShowMsg("CNTGERADA_CONVEXTSUCESS", MsgType::Information, mbOK);
    } catch (const ServerError& error) {
        DeactiveShowAvi();
        // A missing branch parameter comes as its catalogue key; anything else as it was said.
        if (!Messages::isKeyedServerError(error.what()))
            throw;
        MensErro(msgPadrao.translateServerError(error.what()));
    }
}

} // namespace ct
