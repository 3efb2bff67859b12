#include "operations/refund_dialog.h"

#include "messages/messages.h"
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "money/refund.h"
#include "parties/record_fields.h"
#include "platform/host/busy_cursor.h"
#include "platform/host/dispatch.h"
#include "platform/host/errors.h"
#include "platform/host/round_dec.h"
#include "platform/ui/form_host.h"
#include "platform/ui/ui_error.h"

#include <memory>

namespace ct {

TfrmContaDevolucao* frmContaDevolucao = nullptr;

namespace {

std::unique_ptr<TfrmContaDevolucao> dialog;

void moneyEdit(NumberEdit& edit) {
    edit.setDecimals(2);
    edit.setDisplayFormat("#,##0.00");
    edit.setNumber(0);
}

} // namespace

bool nothingReceived(const DataSet& cdsVrConta) {
    return cdsVrConta.isEmpty() || RoundDec(cdsVrConta.fieldByName("VRATUAREC").asFloat(), 2) == 0;
}

TfrmContaDevolucao::TfrmContaDevolucao(TfrmContratante& screen)
    : TfrmRotiGeral("frmContaDevolucao", "Conta de Devolução", "PRQ31001")
    , cdsVrConta("cdsVrConta", receivedValueFields())
    , lblVrPago(grbDadosRel, "lblVrPago", "Valor Pago")
    , nedVrPago(grbDadosRel, "nedVrPago", 2)
    , lblMulta(grbDadosRel, "lblMulta", "Multa")
    , nedMulta(grbDadosRel, "nedMulta", 2)
    , lblVrDevolucao(grbDadosRel, "lblVrDevolucao", "Valor da Devolução")
    , nedVrDevolucao(grbDadosRel, "nedVrDevolucao", 2)
    , screen_(screen) {
    msgPadrao = refundMessages();
    for (NumberEdit* edit : {&nedVrPago, &nedMulta, &nedVrDevolucao})
        moneyEdit(*edit);
    nedVrPago.setReadOnly(true);
    nedVrPago.setColor(colors::clBtnFace);
    // The user starts with the fine; what was paid is only shown. Entering a value selects it,
    // so that typing replaces the "0,00" (or the refused value) instead of adding to it.
    for (NumberEdit* typed : {&nedMulta, &nedVrDevolucao})
        typed->onEnter = [typed] { typed->selectAll(); };
    onShow = [this] { setFocus(nedMulta); };
}

TfrmContaDevolucao::~TfrmContaDevolucao() = default;

std::vector<RpcArg> TfrmContaDevolucao::selectedParty() const {
    const DataSet& parties = screen_.cdsEndeCont;
    return {screen_.medCdFilial.text(), screen_.edtNrOrcamento.text(),
            parties.fieldByName("NRSEQORCAEVE").asString(),
            parties.fieldByName("NRENDCLIORCEVE").asString()};
}

void TfrmContaDevolucao::showPaid() {
    nedVrPago.setNumber(cdsVrConta.isEmpty() ? 0 : cdsVrConta.fieldByName("VRATUAREC").asFloat());
}

void TfrmContaDevolucao::FormCreate() {
    TfrmRotiGeral::FormCreate();
    cdsVrConta.loadPacket(screen_.callServer("GetVrConta", selectedParty()));
    showPaid();
    if (nothingReceived(cdsVrConta)) {
        sbtConfirma.setEnabled(false);
        MensErro(msgPadrao.Msg("RECEBER_ZERO"));
    }
}

void TfrmContaDevolucao::sbtConfirmaClick() {
    if (!(RoundDec(nedMulta.number(), 2) >= 0)) {
        nedMulta.setFocus();
        MensErro(msgPadrao.Msg("MULTA_NEGATIVO"));
    }
    if (!(RoundDec(nedVrDevolucao.number(), 2) >= 0)) {
        nedVrDevolucao.setFocus();
        MensErro(msgPadrao.Msg("VRDEVOL_NEGATIVO"));
    }
    // The fine is a percentage of the refund, added to it.
    dbValor = nedVrDevolucao.number() + nedMulta.number() * nedVrDevolucao.number() / 100;
    // The server refuses the same; asked here, the user keeps the dialog and what was typed.
    const double received =
        cdsVrConta.isEmpty() ? 0 : cdsVrConta.fieldByName("VRATUAREC").asFloat();
    if (const auto above = money::refundAboveReceived(dbValor, received)) {
        nedVrDevolucao.setFocus();
        MensErro(*above);
    }
    std::vector<RpcArg> args = selectedParty();
    args.push_back(RpcArg::ref(dbValor));
    cdsVrConta.loadPacket(screen_.callServer("SetGeraDevolucao", args));
    showPaid();
    // Done: the base dialog closes with OK, and the screen's activation reloads the parties.
    TfrmRotiGeral::sbtConfirmaClick();
}

void releaseContaDevolucao() {
    if (!dialog)
        return;
    if (dialog->isShowing())
        dialog->close();
    formHost().release(*dialog);
    frmContaDevolucao = nullptr;
    dialog.reset();
}

int CriaValorDevolucao() {
    if (!frmContratante)
        throw UiError("A conta de devolução precisa da tela do Contratante.");
    {
        BusyCursor hourglass;
        releaseContaDevolucao();
        dialog = std::make_unique<TfrmContaDevolucao>(*frmContratante);
        frmContaDevolucao = dialog.get();
        // A failed creation step has shown its message; the dialog is shown all the same.
        dispatch([] { frmContaDevolucao->FormCreate(); });
    }
    TfrmContaDevolucao& shown = *frmContaDevolucao;
    shown.showModal();
    const int result = shown.modalResult();
    // A blocking host is done with it; one that returned at once keeps it shown.
    if (!shown.isShowing())
        releaseContaDevolucao();
    return result;
}

} // namespace ct
