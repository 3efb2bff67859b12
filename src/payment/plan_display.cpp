// Showing the stored payment plan of the party that became current.
#include "module/frm_contratante.h"
#include "payment/payment_panel.h"
#include "platform/dataset/event_detach.h"
#include "platform/host/progress.h"

#include <algorithm>
#include <limits>

namespace ct {
namespace {

// Showing a plan must neither switch modes nor put the party into edit: the mode buttons' and
// spin edits' handlers stay off until the plan is shown, whatever happens meanwhile.
class PlanHandlersDetached {
public:
    explicit PlanHandlersDetached(TfrmContratante& form)
        : avista_(form.rbtAvista.onClick)
        , diaFixo_(form.rbtDiaFixo.onClick)
        , formaVar_(form.rbtFormaVar.onClick)
        , dia_(form.speDiaPagto.onChange)
        , parcelas_(form.speNrParcelas.onChange) {}

private:
    EventDetach<Control::Handler> avista_;
    EventDetach<Control::Handler> diaFixo_;
    EventDetach<Control::Handler> formaVar_;
    EventDetach<Control::Handler> dia_;
    EventDetach<Control::Handler> parcelas_;
};

int spinValue(const Field& field) {
    constexpr std::int64_t low = std::numeric_limits<int>::min();
    constexpr std::int64_t high = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(field.asInteger(), low, high));
}

std::string modeOf(const DataSet& parties) {
    std::string mode = parties.fieldByName("IDFORMAPGCONT").asString();
    mode.erase(mode.find_last_not_of(' ') + 1);
    return mode;
}

} // namespace

void TfrmContratante::VerificaFormaPagto() {
    if (cdsEndeCont.editing())
        return;
    PlanHandlersDetached detached(*this);
    try {
        speDiaPagto.setValue(spinValue(cdsEndeCont.fieldByName("NRDIAVENCONOREV")));
        speNrParcelas.setValue(spinValue(cdsEndeCont.fieldByName("QTPARCCONTOREV")));
        // Without a party there is no plan to show, nor one to ask the server for.
        const bool noParty = !cdsEndeCont.active() || cdsEndeCont.isEmpty();
        const std::string mode = noParty ? std::string("E") : modeOf(cdsEndeCont);
        if (mode == "E") {
            rbtAvista.setChecked(true);
            applyPaymentPanelRule(*this);
            cdsFormaPagto.close();
        } else if (mode == "F") {
            rbtDiaFixo.setChecked(true);
            dckProxMes.setChecked(cdsEndeCont.fieldByName("IDMESVENCONOREV").asString() ==
                                  "PROXIMO");
            applyPaymentPanelRule(*this);
            cdsFormaPagto.close();
        } else {
            cdsFormaPagto.loadPacket(
                callServer("GetFormaPtgo", {medCdFilial.text(), edtNrOrcamento.text(),
                                            cdsEndeCont.fieldByName("NRSEQORCAEVE").asString(),
                                            cdsEndeCont.fieldByName("NRENDCLIORCEVE").asString()}));
            rbtFormaVar.setChecked(true);
            applyPaymentPanelRule(*this);
        }
    } catch (...) {
        DeactiveShowAvi();
        throw;
    }
}

} // namespace ct
