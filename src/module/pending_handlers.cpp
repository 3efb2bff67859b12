// Handlers that activation and the reload call in their places, and overrides of the base form,
// whose own behaviour comes with the command-enabling, grid, payment and saving work. Until then
// each does what the base form does, or nothing.
#include "module/frm_contratante.h"

namespace ct {

// Base behaviour for the toolbar and grid keys.
void TfrmContratante::dbgPadraoKeyPress(char32_t& key) {
    TfrmPadraoGrid::dbgPadraoKeyPress(key);
}
void TfrmContratante::dbgPadraoKeyDown(int& key, ShiftState shift) {
    TfrmPadraoGrid::dbgPadraoKeyDown(key, shift);
}

} // namespace ct
