// The refund account command: only for a party that has paid something.
#include "module/frm_contratante.h"
#include "operations/refund_dialog.h"
#include "platform/host/errors.h"

namespace ct {

void TfrmContratante::btnDevolucaoClick() {
    cdsVrConta.loadPacket(
        callServer("GetVrConta", {medCdFilial.text(), edtNrOrcamento.text(),
                                  cdsEndeCont.fieldByName("NRSEQORCAEVE").asString(),
                                  cdsEndeCont.fieldByName("NRENDCLIORCEVE").asString()}));
    if (nothingReceived(cdsVrConta))
        MensErro(msgPadrao.Msg("RECEBER_ZERO"));
    CriaValorDevolucao();
}

} // namespace ct
