#pragma once

namespace ct {

class TfrmContratante;

// The current party's payment mode, plan and fixed-day fields cannot change: it is stored and its
// status is not "LANCADO" (its accounts were raised from them, or it left the budget). The server
// refuses such a change as well.
bool planLocked(const TfrmContratante& form);

// The fixed-day edits follow "Pagar Fixo no Dia"; the generation box and the installments grid
// follow "Pela Forma de Pagamento" for a party charged more than zero.
void applyPaymentPanelRule(TfrmContratante& form);

} // namespace ct
