#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace ct {

class TfrmContratante;

// Branch, budget number, sequence and party number of the current party, as the installment
// calls (GetFormaPtgo, DeletaParcelas) take them.
std::vector<std::string> currentPartyKey(TfrmContratante& form);

// The number the server gave the party a save inserted, from the totals SetEndeCont answers;
// empty when the save inserted none.
std::string insertedPartyNumber(const nlohmann::json& totals);

// Installments typed for a party before the server numbered it belong to that party: its key
// (the posted row's budget key and `number`) goes on every pending row that has no party number.
void stampPartyNumber(TfrmContratante& form, const std::string& number);

} // namespace ct
