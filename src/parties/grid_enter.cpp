// Entering the parties grid and its columns.
#include "module/frm_contratante.h"

namespace ct {

void TfrmContratante::dbgPadraoEnter() {
    dtsPadraoStateChange();
    if (cdsFormaPagto.editing() || cdsEndeCont.editing())
        return;
    // Entering the grid while nothing is being edited shows the parties as the server has them.
    dbgPadrao.setSelectedField("NRINSJURCLIE");
    sbtVerificar.click();
}

void TfrmContratante::dbgPadraoColEnter() {
    HabColunas();
    const Field* selected = dbgPadrao.selectedField();
    if (selected && selected->name() == "IDMARCADO")
        dbgPadrao.setEditing(false); // marks are toggled by click, never typed
    else if (cdsEndeCont.fieldByName("IDSITUORCEVE").asString() == "2")
        dbgPadrao.setEditing(true);
}

} // namespace ct
