#pragma once

#include "platform/dataset/data_source.h"
#include "platform/dataset/dataset.h"
#include "platform/dataset/event_detach.h"

#include <functional>

namespace ct {

class TfrmContratante;

// The parties marked in the grid for deletion or cancellation: IDMARCADO "S" (marked) or "N",
// posted locally into cdsEndeCont and counted in inCountMarcado.

// Whether the current party is marked.
bool partyMarked(const DataSet& parties);
// The rows marked now, read without moving the cursor (a row being inserted included).
int countMarkedParties(DataSet& parties);
// Marks or unmarks the current party with a local post and keeps inCountMarcado right. Run it
// inside a MarkingGuard, so that the post is neither checked nor saved.
void setPartyMark(TfrmContratante& form, bool marked);

// While marking, the parties' controls are disabled and the party's before-post, after-post and
// after-scroll handlers and the state-change handler of dtsPadrao are detached: a mark is no edit
// of the party. Everything is restored when the guard ends, on every path.
class MarkingGuard {
public:
    explicit MarkingGuard(TfrmContratante& form);
    ~MarkingGuard();
    MarkingGuard(const MarkingGuard&) = delete;
    MarkingGuard& operator=(const MarkingGuard&) = delete;

private:
    DataSet& parties_;
    EventDetach<DataSetEvent> beforePost_;
    EventDetach<DataSetEvent> afterPost_;
    EventDetach<DataSetEvent> afterScroll_;
    EventDetach<std::function<void(DataSource&)>> stateChange_;
};

} // namespace ct
