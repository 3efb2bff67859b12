#include "operations/apportionment_shares.h"

#include "money/shares.h"
#include "platform/host/round_dec.h"

namespace ct {

double valueToApportion(double realised, double generated) {
    const double r = RoundDec(realised, 2);
    const double g = RoundDec(generated, 2);
    return g >= r ? r : RoundDec(r - g, 2);
}

std::vector<double> apportionedValues(double realised, double generated, int openCount) {
    return money::equalShares(valueToApportion(realised, generated), openCount);
}

} // namespace ct
