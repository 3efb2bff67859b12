#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ct {

class TfrmContratante;

// Gives the installments grid the focus (when it can take it) on the field's column. The move is
// the program's: the column-exit checks of the column being left do not run for it.
void focusInstallmentColumn(TfrmContratante& form, std::string_view fieldName);

// The days typed for an installment as a whole number; any other text is refused with a clear
// message (MensErro).
std::int64_t wholeDays(const std::string& text);

// An installment's share of the party's charged value, in percent; none for a party charged 0.
std::optional<double> percentOfCharged(double value, double charged);

} // namespace ct
