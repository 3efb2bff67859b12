// Loading the budget's parties, the client search of the inscription column and the choice of a
// substitute party.
#include "module/frm_contratante.h"
#include "parties/command_state.h"
#include "platform/host/progress.h"
#include "platform/host/search.h"

namespace ct {

void TfrmContratante::showBudgetTotals() {
    nedQtContratantes.setNumber(
        static_cast<double>(cdsTotalRateado.fieldByName("TOTALCONTRAT").asInteger()));
    nedTotRateado.setNumber(cdsTotalRateado.fieldByName("TOTALRATEADO").asFloat());
    nedTotConv.setNumber(cdsTotalRateado.fieldByName("TOTALCONV").asFloat());
}

void TfrmContratante::sbtVerificarClick() {
    applyWorkingSequence();
    const std::string stNrEndCli =
        cdsEndeCont.active() ? cdsEndeCont.fieldByName("NRENDCLIORCEVE").asString() : std::string();
    {
        ShowAviGuard progress(this, 6);
        PacketReader changes(cdsUltAlteracao);
        const auto askedChanges = askLastChanges(changes);
        // Thousands of parties: read straight from the answer into the data sets.
        PacketReader parties(cdsEndeCont);
        PacketReader totals(cdsTotalRateado);
        callServer("GetContratante",
                   {medCdFilial.text(), edtNrOrcamento.text(), RpcArg::ref(stNrSeqOrca)},
                   {{0, &parties}, {1, &totals}});
        loadResultPacket(parties, 0, "GetContratante");
        loadResultPacket(totals, 1, "GetContratante");
        showBudgetTotals();
        if (!stNrEndCli.empty()) {
            LocateOptions options;
            options.caseInsensitive = true;
            cdsEndeCont.locate("NRENDCLIORCEVE", Value(stNrEndCli), options);
        }
        cdsLiderTurma.loadPacket(
            callServer("GetLiderTurma", {medCdFilial.text(), edtNrOrcamento.text()}));
        loadLastChanges(changes, askedChanges.get());
    }
    nedQtParcela.setNumber(0);
    nedPrazo.setNumber(0);
    edtObservacao.clear();
    inCountMarcado = 0;
    enableCancellation(*this);
}

void TfrmContratante::dbgPadraoEditButtonClick() {
    const Field* selected = dbgPadrao.selectedField();
    if (!selected || selected->name() != "NRINSJURCLIE" || !cdsEndeCont.active())
        return;
    cdsCliente.loadPacket(callServer("GetCliente"));
    const std::string title = msgPadrao.Msg("CLIE") + "|" + msgPadrao.Msg("CLI_CAD");
    if (!Pesquisar(dtsCliente, title, false, true))
        return;
    if (!cdsEndeCont.editing())
        cdsEndeCont.edit();
    cdsEndeCont.fieldByName("NRINSJURCLIE")
        .setValue(cdsCliente.fieldByName("NRINSJURCLIE").value());
    cdsEndeCont.fieldByName("NMFANTCLIE").setValue(cdsCliente.fieldByName("NMFANTCLIE").value());
    cdsEndeCont.fieldByName("CDCLIENCONTORCA")
        .setValue(cdsCliente.fieldByName("CDCLIENTE").value());
    cdsEndeCont.fieldByName("IDTPIJURCLIE")
        .setValue(cdsCliente.fieldByName("IDTPIJURCLIE").value());
}

void TfrmContratante::btnContSubBeforePesq(bool&) {
    cdsContSub.loadPacket(
        callServer("GetContSub", {medCdFilial.text(), edtNrOrcamento.text(),
                                  cdsEndeCont.fieldByName("NRSEQORCAEVE").asString(),
                                  cdsEndeCont.fieldByName("NRENDCLIORCEVE").asString()}));
}

void TfrmContratante::btnContSubAfterPesq() {
    const Value code = cdsContSub.fieldByName("CDCLIENTE").value();
    const Value name = cdsContSub.fieldByName("NMFANTCLIE").value();
    dbeContSub.setText(name.toString());
    if (!cdsEndeCont.editing())
        cdsEndeCont.edit();
    cdsEndeCont.fieldByName("CDCLICONTSUBORE").setValue(code);
    cdsEndeCont.fieldByName("NMFANTSUB").setValue(name);
}

} // namespace ct
