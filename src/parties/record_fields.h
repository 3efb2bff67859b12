#pragma once

#include "platform/dataset/field_def.h"

#include <vector>

namespace ct {

// Field lists of the party record and of the small data sets around it, in declared order.

// cdsEndeCont: the contracting party (54 fields).
std::vector<FieldDef> partyFields();
// cdsFormaPagto and cdsAuxFormaPagto: the installments of the current party.
std::vector<FieldDef> installmentFields();
// cdsTotalRateado: the budget totals.
std::vector<FieldDef> budgetTotalsFields();
// cdsLiderTurma: the budget's quota responsible.
std::vector<FieldDef> quotaResponsibleFields();
// cdsCliente and cdsContSub: lists the user picks a client from.
std::vector<FieldDef> clientListFields();
// cdsVdCliente: the client found for an inscription.
std::vector<FieldDef> foundClientFields();
// cdsEndeClie: the registered address of that client.
std::vector<FieldDef> clientAddressFields();
// cdsNovoClie: the new-client packet sent with a save.
std::vector<FieldDef> newClientFields();
// cdsContratJaCad: parties of the budget that already use a client code.
std::vector<FieldDef> partiesUsingClientFields();
// cdsVdContratante: a party of the budget found for an inscription.
std::vector<FieldDef> foundPartyFields();
// cdsVrConta: what a party has paid so far.
std::vector<FieldDef> receivedValueFields();

} // namespace ct
