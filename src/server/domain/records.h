#pragma once

#include "server/packet/delta_applier.h"
#include "server/packet/field.h"

namespace ct::server {

// The party record as the screen's data set declares it, without the two calculated fields
// (they are never sent): what GetContratante sends.
const FieldList& party_fields();
// Every field a party packet from the screen may carry (calculated ones included).
const FieldList& party_known_fields();
// Stored columns of the party table; joined names and flags are not among them.
const TableMapping& party_table();

const FieldList& installment_fields();
const TableMapping& installment_table();

// NRINSJURCLIE, NMFANTCLIE, CDCLIENTE, IDTPIJURCLIE: client lists and substitute candidates.
const FieldList& client_list_fields();
// TOTALCONV, TOTALRATEADO, TOTALCONTRAT.
const FieldList& totals_fields();
// Registered client and its registered address (the new-client packet adds three fields).
const FieldList& client_fields();
const FieldList& client_address_fields();
const FieldList& new_client_fields();

// Statuses of the party record.
inline constexpr const char* status_entered = "LANCADO";
inline constexpr const char* status_generated = "CNTGERADA";
inline constexpr const char* status_cancelled = "CANCELADO";
inline constexpr const char* status_refunded = "DEVOLVIDO";

} // namespace ct::server
