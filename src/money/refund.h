#pragma once

#include <optional>
#include <string>

namespace ct::money {

// A refund account gives back what a party paid: the refund, with the fine the refund dialog
// adds to it, may not pass what was received from the party. Empty when it does not; otherwise
// the refusal the user reads, naming both amounts. Compared to the cent.
std::optional<std::string> refundAboveReceived(double refundWithFine, double received);

} // namespace ct::money
