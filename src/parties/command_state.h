#pragma once

namespace ct {

class TfrmContratante;

// Binds the handlers of the screen state: the parties grid's column enter, the payment-mode
// radio buttons and the fixed-day spin edits.
void bindScreenStateEvents(TfrmContratante& form);

// In-place editing of both grids: off on the mark column and while the budget is locked (unless it
// is a cancellation child).
void applyGridEditing(TfrmContratante& form);

} // namespace ct
