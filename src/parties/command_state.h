#pragma once

namespace ct {

class TfrmContratante;

// Binds the handlers of the screen state: the parties grid's column enter, the payment-mode
// radio buttons and the fixed-day spin edits.
void bindScreenStateEvents(TfrmContratante& form);

// The cancellation of the marked parties: while browsing the parties of a budget that is not
// locked, with some party marked. Also run after marking all and after a reload, which leave the
// other commands as they are.
void enableCancellation(TfrmContratante& form);

// In-place editing of both grids: off on the mark column and while the budget is locked (unless it
// is a cancellation child).
void applyGridEditing(TfrmContratante& form);

} // namespace ct
