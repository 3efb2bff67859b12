// The delete command: the current installment when the installments grid has the focus, otherwise
// the marked parties.
#include "module/frm_contratante.h"

namespace ct {

void TfrmContratante::sbtExcluirClick() {
    if (activeControl() == &dbgFormPgto) {
        if (msgPadrao.ShowMsg("ExclPgto", MsgType::Confirmation, mbYes | mbNo) != MsgResult::Yes)
            return;
        // Read by the installment sum check; the server moves the value to the last installment.
        stOp = "DEL";
        cdsFormaPagto.remove();
        return;
    }
    TfrmPadraoGrid::sbtExcluirClick();
}

} // namespace ct
