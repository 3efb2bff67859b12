#pragma once

#include "platform/dataset/field_def.h"

#include <string>
#include <vector>

namespace ct {

// cdsUltAlteracao: the last change of each party of the budget, as the server's audit recorded
// it (party number, operator code and name, time).
std::vector<FieldDef> lastChangeFields();

// The status line's account of a change: "Alterado por ANA (Ana Paula) em 12/03/2027 14:05".
// The name is left out when it is only the code; the time is the server's "2027-03-12T14:05:31".
std::string lastChangeText(const std::string& operatorCode, const std::string& operatorName,
                           const std::string& when);

} // namespace ct
