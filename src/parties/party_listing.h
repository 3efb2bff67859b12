#pragma once

#include "platform/host/report.h"

namespace ct {

class TfrmContratante;

// The listing of the budget on the screen: the budget (branch, company, number, sequence,
// realised value), one line a party in the grid's order (masked inscription, name, invitations,
// charged value, status, payment mode, and under a party in mode "V" its installments as the
// server holds them), the three totals, and the date and operator. A row being inserted is not
// listed yet.
Report partyListing(TfrmContratante& form);

} // namespace ct
