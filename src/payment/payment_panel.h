#pragma once

namespace ct {

class TfrmContratante;

// The fixed-day edits follow "Pagar Fixo no Dia"; the generation box and the installments grid
// follow "Pela Forma de Pagamento" for a party charged more than zero.
void applyPaymentPanelRule(TfrmContratante& form);

} // namespace ct
