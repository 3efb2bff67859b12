// Cancelling the marked parties: after the user agrees, the whole party list goes to the server,
// which cancels the marked ones and deletes their open receivable accounts.
#include "module/frm_contratante.h"
#include "platform/host/errors.h"
#include "platform/host/progress.h"

namespace ct {

void TfrmContratante::btnCancelaContClick() {
    if (inCountMarcado < 1)
        MensErro(msgPadrao.Msg("CONT_N_SEL"));
    const std::string stMenssagem =
        inCountMarcado == 1 ? "CANCELA_CONTRATANTE" : "CANCELA_CONTRATANTES";
    if (msgPadrao.ShowMsg(stMenssagem, MsgType::Confirmation, mbYes | mbNo) != MsgResult::Yes)
        return;
    try {
        ShowAviGuard progress(this, 1);
        // Every party, marked or not: the server reads the marks.
        netContratante.callUnchecked("SetCancelMultCont",
                                     {RpcArg::jsonText(cdsEndeCont.dataText())});
        sbtVerificarClick();
    } catch (const ServerError& error) {
        DeactiveShowAvi();
        if (!Messages::isKeyedServerError(error.what()))
            throw;
        MensErro(msgPadrao.translateServerError(error.what()));
    }
}

// Generating every party's accounts belongs to the suite's billing screens: the command is bound
// but does nothing, and neither its button nor its menu item is shown.
void TfrmContratante::btnGerarContaClick() {}

} // namespace ct
