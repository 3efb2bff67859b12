#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace ct {

class DataSet;
class TfrmContratante;

// The stored installments of a party that a regeneration deleted on the server before the party
// was saved. They are kept until the party's edit ends: a save forgets them, a cancel (or a failed
// save) writes them back, so the party never loses the plan it had.
class ReplacedPlan {
public:
    // Keeps the stored rows of `installments` (their state at the last merge) for the party with
    // this key (branch, budget, sequence, party number). A plan already kept stays: a second
    // regeneration only replaces rows that were never saved.
    void keep(std::vector<std::string> partyKey, const DataSet& installments);
    bool pending() const { return plan_.has_value(); }
    // Puts the kept plan back on the server in place of what the party has there now, then
    // forgets it; returns the plan as the server now holds it (a data packet). Nothing happens,
    // and null is returned, when none is kept; a failure keeps it for a later try.
    nlohmann::json restore(TfrmContratante& form);
    void forget() { plan_.reset(); }

private:
    struct Plan {
        std::vector<std::string> partyKey;
        nlohmann::json rows; // a data packet
    };
    std::optional<Plan> plan_;
};

} // namespace ct
