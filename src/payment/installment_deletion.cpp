// An installment deleted in the grid goes to the server at once; the server moves its value to
// the party's last installment and answers with the plan as it now stands.
#include "module/frm_contratante.h"
#include "platform/host/progress.h"

namespace ct {

void TfrmContratante::cdsFormaPagtoAfterDelete(DataSet& dataSet) {
    try {
        if (dataSet.hasChanges()) {
            ShowAviGuard progress(this, 1);
            // The answer is the saved plan: loading it leaves no pending change.
            dataSet.loadPacket(callServer("SetFormaPagto", {dataSet.delta()}));
        }
    } catch (...) {
        if (dataSet.hasChanges())
            dataSet.cancelUpdates();
        throw;
    }
    if (dataSet.isEmpty())
        sbtVerificar.click();
}

} // namespace ct
