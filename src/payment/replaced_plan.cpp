#include "payment/replaced_plan.h"

#include "module/frm_contratante.h"
#include "platform/host/progress.h"

namespace ct {
namespace {

// The rows as the server stored them: the data set's content with its pending changes undone.
nlohmann::json storedRows(const DataSet& installments) {
    DataSet stored(installments.name());
    stored.copyFrom(installments);
    if (stored.active())
        stored.cancelUpdates();
    return stored.data();
}

// A pending-change packet that inserts every row of a data packet.
nlohmann::json insertsOf(const nlohmann::json& packet) {
    nlohmann::json delta = {{"fields", packet.at("fields")}, {"delta", nlohmann::json::array()}};
    for (const auto& row : packet.at("rows"))
        delta["delta"].push_back({{"op", "insert"}, {"new", row}});
    return delta;
}

} // namespace

void ReplacedPlan::keep(std::vector<std::string> partyKey, const DataSet& installments) {
    if (plan_)
        return;
    nlohmann::json rows = storedRows(installments);
    if (rows.is_null())
        return;
    plan_ = Plan{std::move(partyKey), std::move(rows)};
}

nlohmann::json ReplacedPlan::restore(TfrmContratante& form) {
    if (!plan_)
        return nullptr;
    ShowAviGuard progress(&form, 1);
    const std::vector<RpcArg> key(plan_->partyKey.begin(), plan_->partyKey.end());
    nlohmann::json stored = form.callServer("DeletaParcelas", key);
    if (!plan_->rows.at("rows").empty())
        stored = form.callServer("SetFormaPagto", {insertsOf(plan_->rows)});
    plan_.reset();
    return stored;
}

} // namespace ct
