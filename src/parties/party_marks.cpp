// Marking parties in the grid without running the party's checks and saving.
#include "parties/party_marks.h"

#include "module/frm_contratante.h"

namespace ct {

bool partyMarked(const DataSet& parties) {
    return parties.fieldByName("IDMARCADO").asString() == "S";
}

int countMarkedParties(DataSet& parties) {
    if (!parties.active())
        return 0;
    int marked = 0;
    for (int position = 0; position < parties.displayRowCount(); ++position) {
        ShowRow shown(parties, position);
        marked += partyMarked(parties) ? 1 : 0;
    }
    return marked;
}

void setPartyMark(TfrmContratante& form, bool marked) {
    DataSet& parties = form.cdsEndeCont;
    if (!parties.editing())
        parties.edit();
    const bool was = partyMarked(parties);
    parties.fieldByName("IDMARCADO").setAsString(marked ? "S" : "N");
    form.inCountMarcado += (marked ? 1 : 0) - (was ? 1 : 0);
    if (parties.editing())
        parties.post();
}

MarkingGuard::MarkingGuard(TfrmContratante& form)
    : parties_(form.cdsEndeCont)
    , beforePost_(form.cdsEndeCont.beforePost)
    , afterPost_(form.cdsEndeCont.afterPost)
    , afterScroll_(form.cdsEndeCont.afterScroll)
    , stateChange_(form.dtsPadrao.onStateChange) {
    parties_.disableControls();
}

// The controls come back first, while the handlers are still detached, so that their catching
// up with the marks does not pass for an edit of the party; the members then attach the handlers.
MarkingGuard::~MarkingGuard() {
    parties_.enableControls();
}

} // namespace ct
