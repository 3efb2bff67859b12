// Saving a posted party with its new client and installments, the confirm and cancel commands,
// and what a cancelled party edit restores.
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "payment/plan_saving.h"
#include "platform/dataset/event_detach.h"
#include "platform/host/errors.h"
#include "platform/host/progress.h"

namespace ct {
namespace {

bool editing(const DataSource& source) {
    const DataSetState state = source.state();
    return state == DataSetState::Edit || state == DataSetState::Insert;
}

// A pending installment goes with the party only in the variable mode; otherwise it is dropped.
void settleInstallmentEdit(TfrmContratante& form) {
    if (!editing(form.dtsFormaPagto))
        return;
    if (form.rbtFormaVar.checked())
        form.cdsFormaPagto.post();
    else
        form.cdsFormaPagto.cancel();
}

void undoPending(DataSet& dataSet) {
    if (dataSet.hasChanges())
        dataSet.cancelUpdates();
}

// A save's call; a refusal by the server (another user changed the party meanwhile, or it may no
// longer change) is noted, so that the parties are then shown as the server holds them.
nlohmann::json saveCall(TfrmContratante& form, bool& refused, std::string_view method,
                        const std::vector<RpcArg>& args) {
    ServerResult answer = form.netContratante.call(method, args);
    refused = !answer.ok() && answer.errorCode() == ServerResult::applicationError;
    return CheckResultServ(std::move(answer), true, 0);
}

void saveInstallments(TfrmContratante& form, bool& refused) {
    saveCall(form, refused, "SetFormaPagto", {form.cdsFormaPagto.delta()});
    form.cdsFormaPagto.mergeChangeLog();
}

// After a refusal the user sees what is stored now, not the values the refused save started from.
// Its message is shown already; a reload that fails as well has shown its own.
void showStoredAfterRefusal(TfrmContratante& form) {
    try {
        form.sbtVerificarClick();
    } catch (...) {
    }
}

// A save that did not go through leaves the party the plan a regeneration replaced. The save's own
// failure is what the user is told about; a plan that cannot be put back stays kept for the
// party's next cancel.
void giveBackReplacedPlan(TfrmContratante& form) {
    try {
        const nlohmann::json stored = form.planBeforeRegeneration.restore(form);
        if (!stored.is_null())
            form.cdsFormaPagto.loadPacket(stored);
    } catch (...) {
    }
}

} // namespace

void TfrmContratante::cdsEndeContAfterPost(DataSet&) {
    // The screen never fills it; it is kept open so that its (empty) packet can be taken.
    if (!cdsNovoClie.active())
        cdsNovoClie.createDataSet();
    nlohmann::json oleNovoClie = boNovoClie ? cdsNovoClie.delta() : nlohmann::json();
    bool refused = false;
    try {
        ShowAviGuard progress(this, 1);
        std::string insertedNumber;
        if (cdsEndeCont.hasChanges()) {
            const nlohmann::json totals = saveCall(
                *this, refused, "SetEndeCont",
                {cdsEndeCont.delta(), RpcArg::ref(oleNovoClie), medCdFilial.text(),
                 edtNrOrcamento.text(), cdsEndeCont.fieldByName("NRSEQORCAEVE").asString()});
            insertedNumber = insertedPartyNumber(totals);
            cdsTotalRateado.loadPacket(totals);
            showBudgetTotals();
            cdsEndeCont.mergeChangeLog();
            if (cdsNovoClie.hasChanges())
                cdsNovoClie.mergeChangeLog();
        }
        settleInstallmentEdit(*this);
        stampPartyNumber(*this, insertedNumber);
        if (cdsFormaPagto.hasChanges())
            saveInstallments(*this, refused);
        planBeforeRegeneration.forget();
    } catch (...) {
        // The parties and installments go back to what the server holds.
        undoPending(cdsEndeCont);
        undoPending(cdsNovoClie);
        undoPending(cdsFormaPagto);
        giveBackReplacedPlan(*this);
        if (refused)
            showStoredAfterRefusal(*this);
        throw;
    }
}

void TfrmContratante::sbtConfirmarClick() {
    commitActiveEditor();
    if (editing(dtsPadrao))
        cdsEndeCont.post();
    settleInstallmentEdit(*this);
    if (cdsFormaPagto.hasChanges()) {
        bool refused = false;
        try {
            ShowAviGuard progress(this, 1);
            saveInstallments(*this, refused);
            planBeforeRegeneration.forget();
        } catch (...) {
            undoPending(cdsFormaPagto);
            giveBackReplacedPlan(*this);
            if (refused)
                showStoredAfterRefusal(*this);
            throw;
        }
    }
    sbtVerificarClick();
}

void TfrmContratante::sbtCancelarClick() {
    if (activeControl() == &dbgFormPgto && cdsFormaPagto.editing()) {
        if (msgMensagensPadroes.ShowMsg("Canc", MsgType::Confirmation, mbYes | mbNo) !=
            MsgResult::Yes)
            return;
        cdsFormaPagto.cancel();
        cdsFormaPagto.cancelUpdates();
        planBeforeRegeneration.restore(*this);
        sbtVerificar.click();
        return;
    }
    TfrmPadraoGrid::sbtCancelarClick();
}

void TfrmContratante::cdsEndeContAfterCancel(DataSet&) {
    // Before the reload, which shows the party's stored plan.
    planBeforeRegeneration.restore(*this);
    sbtVerificarClick();
    {
        // Showing the stored mode must not run the options' own logic.
        EventDetach<Control::Handler> avista(rbtAvista.onClick);
        EventDetach<Control::Handler> diaFixo(rbtDiaFixo.onClick);
        EventDetach<Control::Handler> formaVar(rbtFormaVar.onClick);
        const std::string mode = cdsEndeCont.fieldByName("IDFORMAPGCONT").asString();
        const auto reloadInstallments = [this] {
            cdsFormaPagto.loadPacket(callServer(
                "DeletaParcelas", {medCdFilial.text(), edtNrOrcamento.text(),
                                   cdsEndeCont.fieldByName("NRSEQORCAEVE").asString(),
                                   cdsEndeCont.fieldByName("NRENDCLIORCEVE").asString()}));
        };
        if (mode == "E") {
            rbtAvista.setChecked(true);
            reloadInstallments();
        } else if (mode == "F") {
            rbtDiaFixo.setChecked(true);
            reloadInstallments();
            dckProxMes.setChecked(cdsEndeCont.fieldByName("IDMESVENCONOREV").asString() ==
                                  "PROXIMO");
        } else if (mode == "V") {
            rbtFormaVar.setChecked(true);
        }
    }
    dtsPadraoStateChange();
    HabColunas();
}

} // namespace ct
