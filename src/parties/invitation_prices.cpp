#include "parties/invitation_prices.h"

#include "platform/host/round_dec.h"

namespace ct {
namespace {

double cents(double value) {
    return RoundDec(value, 2);
}

bool sameCents(const std::optional<double>& a, const std::optional<double>& b) {
    if (!a || !b)
        return a.has_value() == b.has_value();
    return cents(*a) == cents(*b);
}

} // namespace

InvitationCharge chargeWithInvitations(std::optional<double> charged, double count,
                                       std::optional<double> countBefore, double unitPrice) {
    InvitationCharge result{charged, std::nullopt};
    if (!charged)
        return result;
    if (count >= 0 && countBefore) {
        double value = cents(cents(*charged) - cents(*countBefore * unitPrice));
        if (count > 0) {
            result.total = cents(count * unitPrice);
            value = cents(*result.total + value);
        }
        result.charged = value;
    } else if (count > 0 && !countBefore) {
        result.total = cents(count * unitPrice);
        result.charged = cents(*result.total + cents(*charged));
    }
    return result;
}

void ChargedValueMemory::remember(std::optional<double> before, std::optional<double> after) {
    held_ = true;
    before_ = before;
    after_ = after;
}

std::optional<double> ChargedValueMemory::startingValue(std::optional<double> current) const {
    if (held_ && sameCents(current, after_))
        return before_;
    return current;
}

void ChargedValueMemory::forget() {
    held_ = false;
    before_.reset();
    after_.reset();
}

void ChargedValueMemory::forgetUnlessEditing() {
    const DataSet* set = dataSet();
    if (!set || !set->editing())
        forget();
}

} // namespace ct
