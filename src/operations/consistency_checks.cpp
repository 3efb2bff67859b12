// Whether the budget's parties agree with the budget: their invitations and their number. Asked
// before an extra-invitations account and before leaving for the sibling screens.
#include "module/frm_contratante.h"
#include "platform/host/errors.h"
#include "platform/host/progress.h"

namespace ct {
namespace {

// Invitations that disagree only point the user at the current party's invitations.
void focusInvitations(TfrmContratante& form) {
    if (form.dbgPadrao.canFocus())
        form.dbgPadrao.setFocus();
    form.dbgPadrao.setSelectedField("QTCONVCONTOREV");
}

std::string elementText(const nlohmann::json& element) {
    return element.is_string() ? element.get<std::string>() : std::string();
}

} // namespace

void TfrmContratante::Vd_TipoEveCustoEfetivo() {
    ShowAviGuard progress(this, 6);
    const nlohmann::json arATivoEveCustoEfet =
        callServer("GetVdTipoEveCustEfet",
                   {medCdFilial.text(), edtNrOrcamento.text(), RpcArg::ref(stNrSeqOrca)});
    const bool invitationsRequired =
        cdsParamOrca.active() && cdsParamOrca.fieldByName("IDQTCONVOBRIGATORCA").asString() == "S";
    if (invitationsRequired) {
        const std::string key =
            elementText(resultElement(arATivoEveCustoEfet, 1, "GetVdTipoEveCustEfet"));
        const Field& invitations = cdsEndeCont.fieldByName("QTCONVCONTOREV");
        const bool partyWithout =
            cdsEndeCont.active() && (invitations.isNull() || invitations.asString().empty() ||
                                     !(invitations.asFloat() > 0));
        if (key == "CONV_DIF" || key == "CONV_QTD_ZERO" || partyWithout)
            focusInvitations(*this);
    }
    Vd_qtContratante();
}

void TfrmContratante::Vd_qtContratante() {
    const bool agrees =
        resultFlag(callServer("GetQtContratantes", {medCdFilial.text(), edtNrOrcamento.text(),
                                                    RpcArg::ref(stNrSeqOrca)}),
                   "GetQtContratantes");
    if (!agrees) {
        DeactiveShowAvi();
        MensErro(msgPadrao.Msg("QT_CONTR_DIF"));
    }
}

} // namespace ct
