// Creation, activation and closing of the screen.
#include "module/frm_contratante.h"
#include "module/working_sequence.h"
#include "parties/command_state.h"
#include "platform/host/dates.h"
#include "platform/host/errors.h"
#include "platform/host/halvren.h"
#include "platform/host/search.h"
#include "platform/host/text_routines.h"

namespace ct {

void TfrmContratante::FormCreate() {
    TfrmPadraoGrid::FormCreate();
    netContratante.open();
    cdsFormaPagto.fieldByName("DTVENCPARCCONT").setEditMask(DateMask());
    cdsEndeClie.createDataSet();
    // Kept open and empty: its pending changes are the new-client packet of a save.
    cdsNovoClie.createDataSet();
    boPrimVez = true;
    stOrigGlobal.clear();
    stOp.clear();
}

void TfrmContratante::netContratanteBeforeConnect() {
    netContratante.setHost(Halvren::WebURL());
    netContratante.setPort(Halvren::WebPort());
}

void TfrmContratante::applyWorkingSequence() {
    stNrSeqOrca = workingSequence(edtNrOrcamento.text(), stNrOrca, stNrSeq);
}

void TfrmContratante::FormActivate() {
    qryPesqFilial.close();
    qryPesqFilial.setParam("P_CDFILIAL", medCdFilial.text());
    openLookup(qryPesqFilial);

    cdsEmpresaOrca.loadPacket(
        callServer("GetEmpresaOrca", {cdsEndeCont.fieldByName("CDFILIAL").asString(),
                                      cdsEndeCont.fieldByName("NRORCAEVENTO").asString()}));

    const std::string budgetCompany = cdsEmpresaOrca.fieldByName("CDEMPRESAORCA").asString();
    medCdEmpresa.setText(EmptyString(budgetCompany)
                             ? qryPesqFilial.fieldByName("CDEMPRESA").asString()
                             : budgetCompany);

    qryEmpresa.setParam("P_CDEMPRESA", medCdEmpresa.text());
    openLookup(qryEmpresa);
    if (qryEmpresa.isEmpty()) {
        medCdEmpresa.setFocus();
        MensErro(msgPadrao.Msg("EMPR_NAO_CAD"));
    }
    edtNmEmpresa.setText(qryEmpresa.fieldByName("NMEMPRESA").asString());
    edtNmFilial.setText(qryPesqFilial.fieldByName("NMFILIAL").asString());

    // Entering and leaving the filter panel is what validates the budget and loads its parties.
    // A panel locked by the budget's situation cannot be entered: the parties of the budget on
    // screen are then reloaded directly.
    const bool throughPanel = medCdFilial.canFocus();
    medCdFilial.setFocus();
    dtsPadraoStateChange();
    if (!edtNrOrcamento.text().empty()) {
        dbgPadrao.setFocus();
        if (!throughPanel)
            sbtVerificarClick();
    }
    cdsEndeContAfterScroll(cdsEndeCont);
    if (stTelaOrig == "PRQ27500")
        HabilitaBotoes();

    const nlohmann::json situation =
        callServer("GetSituacaoOrca",
                   {cdsEndeCont.fieldByName("CDFILIAL").asString(),
                    cdsEndeCont.fieldByName("NRORCAEVENTO").asString(), RpcArg::ref(stNrSeq)});
    boSituacaoOrca = answerAsBool(resultElement(situation, 0, "GetSituacaoOrca"));
    boOrcaFilhoDist = answerAsBool(resultElement(situation, 1, "GetSituacaoOrca"));
    if (boSituacaoOrca)
        panFiltro.setEnabled(false);
    // The commands and the grids' editing evaluated above did not know the budget's situation yet.
    applyGridEditing(*this);
    HabilitaBotoes();
}

void TfrmContratante::FormClose(CloseAction& action) {
    TfrmPadraoGrid::FormClose(action);
    netContratante.close();
    // The order the user chose lasts while the screen is open.
    cdsEndeCont.setIndexFieldNames("");
}

} // namespace ct
