#pragma once

#include "platform/dataset/data_source.h"

#include <optional>

namespace ct {

// The charged value of a party once the price of its additional invitations (adult or child) is
// in it.
struct InvitationCharge {
    std::optional<double> charged; // empty stays empty
    std::optional<double> total;   // price of the new count, set only when it is above zero
};

// The price of the count the party had before the edit is taken out of the charged value and the
// price of the new count put in; a new party (no count before) only gets the new price. A
// negative count changes nothing. Every product and sum is rounded to the cent.
InvitationCharge chargeWithInvitations(std::optional<double> charged, double count,
                                       std::optional<double> countBefore, double unitPrice);

// Remembers, for the edit under way, the charged value before the invitation prices were put in
// and the value they gave. A post refused after that step and tried again in the same edit must
// start from the first value, or the old price would be taken out twice. Bound to the party's
// data source, it forgets as soon as the edit ends (post, cancel, reload).
class ChargedValueMemory final : public DataLink {
public:
    void remember(std::optional<double> before, std::optional<double> after);
    // The value the prices are to be applied to: the remembered one while the charged value is
    // still what the prices gave; otherwise the user typed another value, which counts.
    std::optional<double> startingValue(std::optional<double> current) const;
    bool holds() const { return held_; }
    void forget();

    void activeChanged() override { forgetUnlessEditing(); }
    void stateChanged() override { forgetUnlessEditing(); }
    void dataSetChanged() override { forgetUnlessEditing(); }

private:
    void forgetUnlessEditing();

    bool held_ = false;
    std::optional<double> before_;
    std::optional<double> after_;
};

} // namespace ct
