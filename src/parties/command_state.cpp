// Which commands, menus and panels can be used: recomputed from the screen's state after every
// event that may change it, so that a command is never refused after the click.
#include "parties/command_state.h"

#include "module/frm_contratante.h"
#include "payment/payment_panel.h"
#include "platform/host/round_dec.h"
#include "platform/host/search.h"

namespace ct {
namespace {

bool isStatus(const std::string& status, std::initializer_list<const char*> wanted) {
    for (const char* code : wanted)
        if (status == code)
            return true;
    return false;
}

bool isBlank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

bool hasRows(const DataSet& set) {
    return set.active() && !set.isEmpty();
}

// Insert and edit of a party end in the grid's inscription column.
void focusInscription(TfrmContratante& form) {
    if (form.dbgPadrao.canFocus())
        form.dbgPadrao.setFocus();
    form.dbgPadrao.setSelectedField("NRINSJURCLIE");
}

} // namespace

void TfrmContratante::HabilitaBotoes() {
    const bool hasParty = hasRows(cdsEndeCont);
    const bool partyEditing = cdsEndeCont.editing();
    const std::string status = cdsEndeCont.fieldByName("IDSITUCONTOREV").asString();
    const std::string sequence = cdsEndeCont.fieldByName("NRSEQORCAEVE").asString();
    const Control* active = activeControl();
    const bool deletable = isStatus(status, {"LANCADO", "CANCELADO"});
    const bool onInstallments = active == &dbgFormPgto;

    // 1. Delete acts on the grid that has the focus; the party's status decides in both (an
    // installment goes only with a plan that may change).
    sbtExcluir.setEnabled((hasParty && active == &dbgPadrao && deletable && !partyEditing) ||
                          (hasRows(cdsFormaPagto) && onInstallments && status == "LANCADO" &&
                           !cdsFormaPagto.editing()));
    // 2 to 4. On the installments grid insert adds an installment.
    sbtIncluir.setEnabled(!partyEditing && !boSituacaoOrca && !boOrcaFilhoDist &&
                          !(onInstallments && planLocked(*this)));
    sbtAlterar.setEnabled(hasParty && status == "LANCADO" && !partyEditing && !boSituacaoOrca);
    sbtVerificar.setEnabled(sbtAlterar.enabled());
    sbtProcurar.setEnabled(sbtAlterar.enabled());
    // 5.
    mnuIncluir.setEnabled(sbtIncluir.enabled());
    mnuAlterar.setEnabled(sbtAlterar.enabled());
    mnuVerificar.setEnabled(sbtVerificar.enabled());
    mnuProcurar.setEnabled(sbtProcurar.enabled());
    mnuExcluir.setEnabled(sbtExcluir.enabled());
    // 6. The substitute-party button as the previous evaluation (or the scroll) left it: after a
    // change of party the refund waits one evaluation.
    const bool substituteBefore = btnContSub.enabled();
    btnDevolucao.setEnabled(substituteBefore && !partyEditing);
    mnuDevolucao.setEnabled(substituteBefore);
    // 7.
    mnuConvExtra.setEnabled(!partyEditing && status == "CNTGERADA" &&
                            !cdsEndeCont.fieldByName("QTEXTCONVOREV").asString().empty() &&
                            !cdsEndeCont.fieldByName("VREXTCONVOREV").asString().empty());
    btnConvExtra.setEnabled(mnuConvExtra.enabled());
    // 8 and 9.
    const bool noResponsible = cdsLiderTurma.isEmpty();
    sbtRespCotas.setEnabled(hasParty && !boSituacaoOrca && sequence == "00" &&
                            status == "LANCADO" && !partyEditing &&
                            (cdsEndeCont.fieldByName("IDCONTRESPCOTAORCA").asString() == "N" ||
                             isBlank(cdsEndeCont.fieldByName("IDCONTRESPCOTAORCA").asString())) &&
                            noResponsible);
    sbtTrocaRespCotas.setEnabled(!sbtRespCotas.enabled() && !noResponsible && sequence == "00" &&
                                 !boSituacaoOrca);
    // 10.
    if (stTelaOrig == "PRQ27500") {
        for (Control* command :
             std::initializer_list<Control*>{&btnDevolucao, &btnConvExtra, &mnuDevolucao,
                                             &mnuConvExtra, &sbtRespCotas, &sbtTrocaRespCotas})
            command->setEnabled(false);
    }
    // 11.
    dbeContSub.setEnabled(false);
    btnContSub.setEnabled(hasParty && isStatus(status, {"CANCELADO", "DEVOLVIDO"}));
    lblContSub.setEnabled(btnContSub.enabled());
    // 12 to 14.
    btnRatear.setEnabled(hasParty && status == "LANCADO" && !partyEditing &&
                         !cdsFormaPagto.editing() && !boSituacaoOrca);
    mnuRatear.setEnabled(btnRatear.enabled());
    gpbDadosCont.setEnabled(partyEditing);
    grbParamForma.setEnabled(RoundDec(doVrTotalOrev, 2) > 0 && !boSituacaoOrca &&
                             !planLocked(*this));
    enableCancellation(*this);
}

void enableCancellation(TfrmContratante& form) {
    form.btnCancelaCont.setEnabled(hasRows(form.cdsEndeCont) && !form.cdsEndeCont.editing() &&
                                   !form.boSituacaoOrca && form.inCountMarcado > 0);
    form.mnuCancelaCont.setEnabled(form.btnCancelaCont.enabled());
}

void TfrmContratante::dtsPadraoStateChange() {
    TfrmPadraoGrid::dtsPadraoStateChange();
    const bool partyEditing = cdsEndeCont.editing();
    if (partyEditing && rbtFormaVar.checked() && cdsFormaPagto.active() &&
        !cdsFormaPagto.editing() && !planLocked(*this))
        cdsFormaPagto.edit();

    const DataSetState sourceState = dtsPadrao.state();
    const bool sourceEditing =
        sourceState == DataSetState::Edit || sourceState == DataSetState::Insert;
    // No budget change while a party is being edited. A budget whose situation locks its parties
    // keeps the filter the activation locked; a later entry unlocks it before the flag is known
    // again, so the flag alone never locks it here.
    if (sourceEditing)
        SetChildEnabled(panFiltro, false);
    else if (!boSituacaoOrca)
        SetChildEnabled(panFiltro, true);

    const Control* active = activeControl();
    const bool onPaymentMode =
        active == &rbtAvista || active == &rbtDiaFixo || active == &rbtFormaVar;
    if (onPaymentMode && partyEditing) {
        if (cdsFormaPagto.editing()) {
            SetChildEnabled(dbgPadrao, false);
            SetChildEnabled(dbgFormPgto, true);
        } else {
            SetChildEnabled(dbgPadrao, true);
            SetChildEnabled(rbtFormaVar, false);
        }
    } else if (!partyEditing) {
        // Locked only for the edit that locked them.
        SetChildEnabled(dbgPadrao, true);
        SetChildEnabled(rbtFormaVar, true);
    }
    HabilitaBotoes();
}

void TfrmContratante::cdsEndeContAfterScroll(DataSet&) {
    dbeContSub.setColor(btnContSub.enabled() ? colors::clInfoBk : colors::clBtnFace);
    btnConvExtra.setEnabled(mnuConvExtra.enabled());
    HabColunas();
    mnuIncluir.setEnabled(sbtIncluir.enabled());
    dbeContSub.setEnabled(false);
    btnContSub.setEnabled(false);
    lblContSub.setEnabled(false);
    VerificaFormaPagto();

    applyGridEditing(*this);
    HabilitaBotoes();
}

void applyGridEditing(TfrmContratante& form) {
    const Field* selected = form.dbgPadrao.selectedField();
    const bool onMark = selected && selected->name() == "IDMARCADO";
    const bool editable = !onMark && (!form.boSituacaoOrca || form.boOrcaFilhoDist);
    form.dbgPadrao.setEditing(editable);
    form.dbgFormPgto.setEditing(editable && !planLocked(form));
}

void TfrmContratante::sbtIncluirClick() {
    if (activeControl() == &dbgFormPgto) {
        if (!cdsFormaPagto.active())
            cdsFormaPagto.open();
        cdsFormaPagto.insert();
    } else {
        TfrmPadraoGrid::sbtIncluirClick();
        focusInscription(*this);
    }
    HabilitaBotoes();
}

void TfrmContratante::sbtAlterarClick() {
    if (activeControl() == &dbgFormPgto) {
        if (cdsFormaPagto.active())
            cdsFormaPagto.edit();
    } else {
        TfrmPadraoGrid::sbtAlterarClick();
        focusInscription(*this);
    }
    HabilitaBotoes();
}

void TfrmContratante::sbtProcurarClick() {
    if (activeControl() != &dbgFormPgto) {
        TfrmPadraoGrid::sbtProcurarClick();
        return;
    }
    if (DataSet* installments = dtsFormaPagto.dataSet(); installments && installments->active()) {
        commitActiveEditor();
        Procura(*installments);
    }
}

void bindScreenStateEvents(TfrmContratante& form) {
    form.dbgPadrao.onColEnter = [&form] { form.dbgPadraoColEnter(); };
    form.rbtAvista.onClick = [&form] { form.rbtAvistaClick(); };
    form.rbtDiaFixo.onClick = [&form] { form.rbtDiaFixoClick(); };
    form.rbtFormaVar.onClick = [&form] { form.rbtFormaVarClick(); };
    form.speDiaPagto.onChange = [&form] { form.speDiaPagtoChange(); };
    form.speNrParcelas.onChange = [&form] { form.speNrParcelasChange(); };
}

} // namespace ct
