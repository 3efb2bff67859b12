#include "module/frm_contratante.h"

namespace ct {

void TfrmContratante::mnuSairClick() {
    if (stTelaOrig == "PRQ20400" || stTelaOrig == "PRQ28200") {
        // The checks these two sibling screens demand before leaving go here.
    }
    TfrmPadraoGrid::mnuSairClick();
}

} // namespace ct
