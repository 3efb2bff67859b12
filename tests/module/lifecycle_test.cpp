// Entry, activation, closing and reuse of the screen against the real server on a fresh demo
// database.
#include "module/module_entry.h"
#include "platform/host/halvren.h"
#include "screen_fixture.h"

namespace ct::testing {
namespace {

class Lifecycle : public ScreenTest {};

TEST_F(Lifecycle, EnteringTheDemoBudgetShowsItsPartiesTotalsValueAndCompany) {
    TfrmContratante& form = enter("0001", "0000000100", "00");

    EXPECT_TRUE(form.isShowing());
    EXPECT_EQ(form.text(), "Contratante");
    EXPECT_EQ(form.lblCodTela.text(), "PRQ31000");
    EXPECT_EQ(form.medCdFilial.text(), "0001");
    EXPECT_EQ(form.edtNmFilial.text(), "São Paulo");
    EXPECT_EQ(form.medCdEmpresa.text(), "01");
    EXPECT_EQ(form.edtNmEmpresa.text(), "Halvren Eventos São Paulo");
    EXPECT_EQ(form.edtNrOrcamento.text(), "0000000100");
    EXPECT_EQ(form.nedVrReali.text(), "12.000,00");
    EXPECT_DOUBLE_EQ(form.doVrConvAdicAdu, 50.0);
    EXPECT_DOUBLE_EQ(form.doVrConvAdicCri, 30.0);

    EXPECT_EQ(form.cdsEndeCont.recordCount(), 3);
    EXPECT_EQ(form.nedQtContratantes.number(), 3);
    EXPECT_EQ(form.nedTotRateado.text(), "10.500,00");
    EXPECT_EQ(form.nedTotConv.number(), 120);
    EXPECT_EQ(form.cdsLiderTurma.fieldByName("CDCLIENCONTORCA").asString(), "F52998224725");
    EXPECT_EQ(shown("NMFANTCLIE"), "Ana Beatriz Souza");
    EXPECT_EQ(shown("NRINSJURCLIE"), "529.982.247-25");
    EXPECT_EQ(shown("IDSITUCONTOREV"), "Lançado");
    EXPECT_EQ(shown("VRRECECONTOREV"), "3.000,00");

    EXPECT_EQ(form.activeControl(), &form.dbgPadrao);
    EXPECT_EQ(form.stNrSeqOrca, "00");
    EXPECT_FALSE(form.boSituacaoOrca);
    EXPECT_TRUE(form.panFiltro.enabled());
    EXPECT_EQ(dialogs.messageCount(), 0u);
    EXPECT_TRUE(errors.empty());
    // Loaded as the filter panel is left, and again as the focus enters the grid.
    EXPECT_EQ(calls("GetContratante"), 2);
    EXPECT_EQ(calls("GetSituacaoOrca"), 1);
    EXPECT_FALSE(dialogs.progressShown());
}

TEST_F(Lifecycle, AnEmptyBudgetAtEntryLeavesTheFocusInTheBranchAndLoadsNoParties) {
    TfrmContratante& form = enter("0001", "", "00");

    EXPECT_EQ(form.activeControl(), &form.medCdFilial);
    EXPECT_FALSE(form.cdsEndeCont.active());
    EXPECT_EQ(calls("GetContratante"), 0);
    EXPECT_EQ(form.edtNmFilial.text(), "São Paulo");
    EXPECT_EQ(form.medCdEmpresa.text(), "01");
    EXPECT_EQ(dialogs.messageCount(), 0u);
}

TEST_F(Lifecycle, TheBudgetsOwnCompanyWinsOverTheBranchCompanyOnALaterActivation) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    // The first activation had no parties loaded and asked with an empty key.
    EXPECT_EQ(form.cdsEmpresaOrca.recordCount(), 0);
    form.activate();
    EXPECT_EQ(form.cdsEmpresaOrca.fieldByName("CDEMPRESAORCA").asString(), "01");
    EXPECT_EQ(form.medCdEmpresa.text(), "01");
    EXPECT_EQ(calls("GetContratante"), 4);
}

TEST_F(Lifecycle, EveryActivationReloadsThePartiesThroughTheFilterPanel) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    form.cdsEndeCont.setRecNo(3);
    form.activate();
    EXPECT_EQ(calls("GetContratante"), 4);
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 3);
    // Entering the panel closed the set, so the reload starts on the first party.
    EXPECT_EQ(form.cdsEndeCont.recNo(), 1);
    EXPECT_EQ(form.activeControl(), &form.dbgPadrao);
}

TEST_F(Lifecycle, ALockedBudgetDisablesThePanelAndLaterActivationsStillReload) {
    TfrmContratante& form = enter("0001", "0000000300", "00");
    EXPECT_TRUE(form.boSituacaoOrca);
    EXPECT_FALSE(form.boOrcaFilhoDist);
    EXPECT_FALSE(form.panFiltro.enabled());
    EXPECT_FALSE(form.medCdFilial.enabledInChain());
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 2);
    EXPECT_EQ(shown("IDSITUCONTOREV"), "Conta Gerada");

    form.cdsEndeCont.setRecNo(2);
    form.activate();
    // Two loads on entry (panel exit, grid enter); the locked panel's reload is a direct one.
    EXPECT_EQ(calls("GetContratante"), 3);
    EXPECT_EQ(form.cdsEndeCont.recNo(), 2);
    EXPECT_FALSE(form.panFiltro.enabled());
    EXPECT_EQ(dialogs.messageCount(), 0u);
}

TEST_F(Lifecycle, AChildOfACancellationIsFlaggedOnceItHasAParty) {
    dialogs.queueAnswer(MsgResult::Yes);
    TfrmContratante& form = enter("0001", "0000000500", "00");
    EXPECT_EQ(lastMessage(), "Deseja gravar o cliente do orçamento como contratante?");
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 1);
    EXPECT_TRUE(form.boOrcaFilhoDist);
    EXPECT_FALSE(form.boSituacaoOrca);
    EXPECT_TRUE(form.panFiltro.enabled());
}

TEST_F(Lifecycle, TheExitCommandClosesTheScreenAndTheConnection) {
    TfrmContratante& form = enter("0001", "0000000100", "00", "PRQ27500");
    form.mnuSair.click();
    EXPECT_FALSE(form.isShowing());
    EXPECT_FALSE(form.netContratante.connected());
    EXPECT_TRUE(boIdCriado);
}

TEST_F(Lifecycle, ASecondEntryReusesTheScreenWithTheNewValues) {
    TfrmContratante& first = enter("0001", "0000000300", "00", "PRQ20000");
    EXPECT_FALSE(first.panFiltro.enabled());
    first.mnuSair.click();

    TfrmContratante& second = enter("0001", "0000000100", "01", "PRQ27500");
    EXPECT_EQ(&first, &second);
    EXPECT_TRUE(second.isShowing());
    EXPECT_TRUE(second.netContratante.connected());
    EXPECT_EQ(second.stNrOrca, "0000000100");
    EXPECT_EQ(second.stNrSeq, "01");
    EXPECT_EQ(second.stTelaOrig, "PRQ27500");
    EXPECT_EQ(second.edtNrOrcamento.text(), "0000000100");
    // The earlier budget was locked; this one is not, and the panel is usable again.
    EXPECT_TRUE(second.panFiltro.enabled());
    EXPECT_TRUE(second.medCdFilial.enabledInChain());
    EXPECT_EQ(second.stNrSeqOrca, "01");
    EXPECT_EQ(second.cdsEndeCont.recordCount(), 3);
    EXPECT_EQ(second.cdsEndeCont.fieldByName("NRSEQORCAEVE").asString(), "01");
    EXPECT_TRUE(errors.empty());
}

TEST_F(Lifecycle, ASecondEntryWhileTheScreenIsStillShownReplacesTheFirst) {
    TfrmContratante& first = enter("0001", "0000000300", "00");
    TfrmContratante& second = enter("0001", "0000000100", "00");
    EXPECT_EQ(&first, &second);
    EXPECT_TRUE(second.isShowing());
    EXPECT_EQ(second.cdsEndeCont.recordCount(), 3);
    EXPECT_TRUE(errors.empty());
}

TEST_F(Lifecycle, AnUnknownBranchAtEntryStopsTheActivationAtTheCompany) {
    TfrmContratante& form = enter("9999", "0000000100", "00");
    EXPECT_EQ(lastMessage(), "Empresa não cadastrada.");
    EXPECT_EQ(form.activeControl(), &form.medCdEmpresa);
    EXPECT_EQ(calls("GetContratante"), 0);
    EXPECT_EQ(calls("GetSituacaoOrca"), 0);
}

TEST_F(Lifecycle, AnUnreachableServerIsShownAndTheActivationStops) {
    Halvren::setWebPort(1);
    TfrmContratante& form = enter("0001", "0000000100", "00");
    EXPECT_EQ(dialogs.messageCount(), 1u);
    EXPECT_EQ(dialogs.messages().front().type, MsgType::Error);
    EXPECT_FALSE(form.cdsEndeCont.active());
    EXPECT_EQ(calls("GetContratante"), 0);
}

TEST(ModuleEntry, AMalformedEntryIsReportedAndShowsNothing) {
    std::vector<std::string> shownErrors;
    const ErrorDisplay previous =
        setErrorDisplay([&](const std::string& text) { shownErrors.push_back(text); });
    Initialize();
    IniProc(nlohmann::json::array({"0001", "0000000100"}));
    IniProc(nlohmann::json::object());
    EXPECT_EQ(shownErrors.size(), 2u);
    EXPECT_FALSE(boIdCriado);
    EXPECT_EQ(frmContratante, nullptr);
    Finalize();
    setErrorDisplay(previous);
}

TEST(ModuleEntry, InitialisationAndFinalisationAreCounted) {
    Initialize();
    Initialize();
    stAntigo = "30";
    Finalize();
    EXPECT_EQ(stAntigo, "30"); // not the last finalisation yet
    Finalize();
    EXPECT_TRUE(stAntigo.empty());
    EXPECT_FALSE(boIdCriado);
}

} // namespace
} // namespace ct::testing
