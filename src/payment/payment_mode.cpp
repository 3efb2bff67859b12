// The payment mode of the current party: the three mode buttons, the fixed-day spin edits and
// the enabling of the payment panel.
#include "module/frm_contratante.h"
#include "payment/payment_panel.h"
#include "platform/host/round_dec.h"

namespace ct {
namespace {

// A mode change is a change of the party: a browsing party goes into edit. A closed party set
// has no party to change.
void putPartyIntoEdit(DataSet& parties) {
    if (parties.active() && !parties.editing())
        parties.edit();
}

} // namespace

bool planLocked(const TfrmContratante& form) {
    const DataSet& parties = form.cdsEndeCont;
    return parties.active() && !parties.isEmpty() && parties.state() != DataSetState::Insert &&
           parties.fieldByName("IDSITUCONTOREV").asString() != "LANCADO";
}

void applyPaymentPanelRule(TfrmContratante& form) {
    const bool fixedDay = form.rbtDiaFixo.checked();
    form.speDiaPagto.setEnabled(fixedDay);
    form.speNrParcelas.setEnabled(fixedDay);
    form.dckProxMes.setEnabled(fixedDay);

    const double charged = form.cdsEndeCont.fieldByName("VRRECECONTOREV").asFloat();
    const bool installments = form.rbtFormaVar.checked() && RoundDec(charged, 2) > 0;
    form.grbParcAuto.setEnabled(installments);
    form.dbgFormPgto.setEnabled(installments);
}

void TfrmContratante::rbtAvistaClick() {
    putPartyIntoEdit(cdsEndeCont);
    if (cdsEndeCont.editing())
        cdsEndeCont.fieldByName("IDFORMAPGCONT").setAsString("E");
    rbtDiaFixoClick();
    rbtFormaVarClick();
    HabilitaBotoes();
}

void TfrmContratante::rbtDiaFixoClick() {
    putPartyIntoEdit(cdsEndeCont);
    applyPaymentPanelRule(*this);
    HabilitaBotoes();
}

void TfrmContratante::rbtFormaVarClick() {
    const bool noParty = !cdsEndeCont.editing() && cdsEndeCont.isEmpty();
    if (noParty) {
        if (!cdsFormaPagto.active())
            cdsFormaPagto.open();
        cdsFormaPagto.insert();
    } else {
        if (!cdsFormaPagto.active()) {
            cdsFormaPagto.loadPacket(
                callServer("GetFormaPtgo", {medCdFilial.text(), edtNrOrcamento.text(),
                                            cdsEndeCont.fieldByName("NRSEQORCAEVE").asString(),
                                            cdsEndeCont.fieldByName("NRENDCLIORCEVE").asString()}));
        }
        cdsEndeCont.edit();
    }
    applyPaymentPanelRule(*this);
    if (rbtFormaVar.checked() && cdsEndeCont.state() == DataSetState::Edit)
        cdsEndeCont.fieldByName("IDFORMAPGCONT").setAsString("V");
    HabilitaBotoes();
}

void TfrmContratante::speDiaPagtoChange() {
    putPartyIntoEdit(cdsEndeCont);
}

void TfrmContratante::speNrParcelasChange() {
    putPartyIntoEdit(cdsEndeCont);
}

} // namespace ct
