#include "money/refund.h"

#include "money/brazilian.h"
#include "money/round_dec.h"

namespace ct::money {

std::optional<std::string> refundAboveReceived(double refundWithFine, double received) {
    if (!(RoundDec(refundWithFine, 2) > RoundDec(received, 2)))
        return std::nullopt;
    return "O valor da devolução com a multa (" + brazilianMoney(refundWithFine) +
           ") passa do valor recebido do contratante (" + brazilianMoney(received) + ").";
}

} // namespace ct::money
