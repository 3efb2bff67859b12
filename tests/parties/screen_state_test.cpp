// The commands and panels as the screen keeps them on the demo budgets, against the real server:
// the budget's situation after activation, moving between parties, entering the grid and its
// columns, and routing the toolbar commands by the grid that has the focus.
#include "platform/host/dispatch.h"
#include "platform/host/progress.h"
#include "screen_fixture.h"

namespace ct::testing {
namespace {

class ScreenState : public ScreenTest {
protected:
    // A move with the arrow keys in the parties grid (no click, so no extra evaluation).
    void keyDown(TfrmContratante& form) {
        ASSERT_EQ(form.activeControl(), &form.dbgPadrao);
        ASSERT_TRUE(form.userKey(keyArrowDown));
    }
};

TEST_F(ScreenState, ALockedBudgetOpensWithItsPartiesClosedToChange) {
    TfrmContratante& form = enter("0001", "0000000300", "00");
    ASSERT_TRUE(form.boSituacaoOrca);
    ASSERT_EQ(form.cdsEndeCont.recordCount(), 2);
    for (Control* command : std::initializer_list<Control*>{
             &form.sbtIncluir, &form.mnuIncluir, &form.sbtAlterar, &form.mnuAlterar,
             &form.sbtVerificar, &form.sbtProcurar, &form.sbtRespCotas, &form.sbtTrocaRespCotas,
             &form.btnRatear, &form.grbParamForma, &form.panFiltro}) {
        EXPECT_FALSE(command->enabled()) << command->name();
    }
    EXPECT_FALSE(form.medCdFilial.enabledInChain());
    // Neither grid can be typed into for a locked budget that is no cancellation child: right
    // after opening, and after a move.
    EXPECT_FALSE(form.dbgPadrao.editingAllowed());
    EXPECT_FALSE(form.dbgFormPgto.editingAllowed());
    ASSERT_TRUE(dispatch([&] { form.cdsEndeCont.setRecNo(2); }));
    EXPECT_FALSE(form.dbgPadrao.editingAllowed());
    EXPECT_FALSE(form.dbgFormPgto.editingAllowed());

    // A later change of state leaves the filter locked.
    EXPECT_TRUE(dispatch([&] { form.dtsPadraoStateChange(); }));
    EXPECT_FALSE(form.panFiltro.enabled());
    EXPECT_FALSE(form.edtNrOrcamento.enabledInChain());
}

TEST_F(ScreenState, AnOpenBudgetAfterALockedOneHasItsFilterBack) {
    enter("0001", "0000000300", "00", "PRQ27500");
    TfrmContratante& form = enter("0001", "0000000100", "00");
    EXPECT_FALSE(form.boSituacaoOrca);
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 3);
    EXPECT_TRUE(form.panFiltro.enabled());
    EXPECT_TRUE(form.edtNrOrcamento.enabled());
    EXPECT_TRUE(form.sbtIncluir.enabled());
    EXPECT_TRUE(form.sbtAlterar.enabled());
    EXPECT_TRUE(form.grbParamForma.enabled());
}

TEST_F(ScreenState, TheRefundWaitsForTheNextEvaluationAfterAKeyboardMove) {
    TfrmContratante& form = enter("0001", "0000000400", "00");
    ASSERT_EQ(form.cdsEndeCont["IDSITUCONTOREV"].asString(), "CNTGERADA");
    EXPECT_FALSE(form.sbtExcluir.enabled());
    EXPECT_FALSE(form.sbtAlterar.enabled());
    EXPECT_TRUE(form.btnConvExtra.enabled());
    EXPECT_TRUE(form.mnuConvExtra.enabled());
    EXPECT_FALSE(form.btnContSub.enabled());

    keyDown(form);
    ASSERT_EQ(form.cdsEndeCont["IDSITUCONTOREV"].asString(), "CANCELADO");
    EXPECT_EQ(form.dbeContSub.color(), colors::clBtnFace);
    EXPECT_TRUE(form.btnContSub.enabled());
    EXPECT_TRUE(form.lblContSub.enabled());
    EXPECT_FALSE(form.btnDevolucao.enabled());
    EXPECT_FALSE(form.mnuDevolucao.enabled());
    EXPECT_TRUE(form.sbtExcluir.enabled());
    EXPECT_FALSE(form.sbtAlterar.enabled());
    EXPECT_FALSE(form.btnConvExtra.enabled());
    EXPECT_FALSE(form.dbeContSub.enabled());

    // The next evaluation (here a change of the data set's state) makes the refund available.
    EXPECT_TRUE(dispatch([&] { form.dtsPadraoStateChange(); }));
    EXPECT_TRUE(form.btnDevolucao.enabled());
    EXPECT_TRUE(form.mnuDevolucao.enabled());

    keyDown(form);
    ASSERT_EQ(form.cdsEndeCont["IDSITUCONTOREV"].asString(), "DEVOLVIDO");
    // Coloured by the substitute button as the CANCELADO party left it.
    EXPECT_EQ(form.dbeContSub.color(), colors::clInfoBk);
    EXPECT_FALSE(form.btnDevolucao.enabled());
    EXPECT_FALSE(form.sbtExcluir.enabled());
    EXPECT_TRUE(form.btnContSub.enabled());
    EXPECT_TRUE(dispatch([&] { form.HabilitaBotoes(); }));
    EXPECT_TRUE(form.btnDevolucao.enabled());
}

TEST_F(ScreenState, AFailedPlanLoadLeavesTheModeHandlersAttached) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    // A budget number the server refuses as too long for its field.
    form.edtNrOrcamento.setText("00000001000");
    dialogs.clear();
    ActiveShowAvi(&form, 1);

    EXPECT_FALSE(dispatch([&] { form.cdsEndeCont.setRecNo(3); }));
    EXPECT_EQ(dialogs.messageCount(), 1u);
    EXPECT_FALSE(ShowAviActive());
    ASSERT_TRUE(form.rbtAvista.onClick);
    ASSERT_TRUE(form.rbtDiaFixo.onClick);
    ASSERT_TRUE(form.rbtFormaVar.onClick);
    ASSERT_TRUE(form.speDiaPagto.onChange);
    ASSERT_TRUE(form.speNrParcelas.onChange);
    // And they work: changing the day puts the party into edit.
    form.speDiaPagto.onChange();
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Edit);
}

TEST_F(ScreenState, ChoosingAFixedDayEditsThePartyUntilTheEditEnds) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    ASSERT_TRUE(form.userClick(form.rbtDiaFixo));
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Edit);
    EXPECT_TRUE(form.speDiaPagto.enabled());
    EXPECT_TRUE(form.dckProxMes.enabled());
    EXPECT_FALSE(form.grbParcAuto.enabled());
    EXPECT_FALSE(form.rbtFormaVar.enabled());
    EXPECT_TRUE(form.dbgPadrao.enabled());
    EXPECT_FALSE(form.panFiltro.enabled());
    EXPECT_TRUE(form.gpbDadosCont.enabled());
    EXPECT_FALSE(form.sbtIncluir.enabled());
    EXPECT_FALSE(form.btnRatear.enabled());
    EXPECT_TRUE(form.sbtConfirmar.enabled());
    // The mode letter "F" is written by the save, not by the click.
    EXPECT_EQ(form.cdsEndeCont["IDFORMAPGCONT"].asString(), "E");

    ASSERT_TRUE(dispatch([&] { form.cdsEndeCont.cancel(); }));
    EXPECT_TRUE(form.rbtFormaVar.enabled());
    EXPECT_TRUE(form.panFiltro.enabled());
    EXPECT_TRUE(form.sbtIncluir.enabled());
    EXPECT_FALSE(form.gpbDadosCont.enabled());
}

TEST_F(ScreenState, ChangingTheDayOrCountEditsTheParty) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    ASSERT_TRUE(dispatch([&] { form.cdsEndeCont.setRecNo(2); }));
    ASSERT_TRUE(form.userType(form.speNrParcelas, "7"));
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Edit);
    EXPECT_EQ(form.speNrParcelas.value(), 7);
    ASSERT_TRUE(dispatch([&] { form.cdsEndeCont.cancel(); }));
    ASSERT_TRUE(form.userType(form.speDiaPagto, "20"));
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Edit);
}

TEST_F(ScreenState, EnteringTheGridReloadsThePartiesUnlessOneIsBeingEdited) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    ASSERT_TRUE(dispatch([&] { form.cdsEndeCont.setRecNo(2); }));
    ASSERT_TRUE(form.userFocus(form.rbtAvista));
    form.dbgPadrao.setSelectedField("QTCONVCONTOREV");
    clearCalls();

    ASSERT_TRUE(form.userFocus(form.dbgPadrao));
    EXPECT_EQ(calls("GetContratante"), 1);
    EXPECT_EQ(form.dbgPadrao.selectedField()->name(), "NRINSJURCLIE");
    EXPECT_EQ(form.cdsEndeCont.recNo(), 2);

    ASSERT_TRUE(form.userFocus(form.rbtAvista));
    form.dbgPadrao.setSelectedField("QTCONVCONTOREV");
    ASSERT_TRUE(dispatch([&] { form.cdsEndeCont.edit(); }));
    clearCalls();
    ASSERT_TRUE(form.userFocus(form.dbgPadrao));
    EXPECT_EQ(calls("GetContratante"), 0);
    EXPECT_EQ(form.dbgPadrao.selectedField()->name(), "QTCONVCONTOREV");
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Edit);
}

TEST_F(ScreenState, TheMarkColumnIsNeverTypedIntoAndAnApprovedBudgetsColumnsAre) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    ASSERT_EQ(form.cdsEndeCont["IDSITUORCEVE"].asString(), "2");
    ASSERT_TRUE(form.dbgPadrao.userSelectColumn(0));
    EXPECT_FALSE(form.dbgPadrao.editingAllowed());
    // A change of party with the mark column selected keeps both grids from editing.
    keyDown(form);
    EXPECT_FALSE(form.dbgPadrao.editingAllowed());
    EXPECT_FALSE(form.dbgFormPgto.editingAllowed());
    ASSERT_TRUE(form.dbgPadrao.userSelectColumn(3));
    EXPECT_TRUE(form.dbgPadrao.editingAllowed());
}

TEST_F(ScreenState, ALockedBudgetsColumnsStayClosedToTyping) {
    TfrmContratante& form = enter("0001", "0000000300", "00");
    ASSERT_NE(form.cdsEndeCont["IDSITUORCEVE"].asString(), "2");
    ASSERT_TRUE(form.userFocus(form.dbgPadrao));
    ASSERT_TRUE(form.userKey(keyArrowDown));
    ASSERT_EQ(form.cdsEndeCont.recNo(), 2);
    ASSERT_TRUE(form.dbgPadrao.userSelectColumn(3));
    EXPECT_FALSE(form.dbgPadrao.editingAllowed());
}

TEST_F(ScreenState, InsertAndEditActOnTheGridThatHasTheFocus) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    ASSERT_TRUE(dispatch([&] { form.cdsEndeCont.setRecNo(3); }));
    ASSERT_TRUE(form.userFocus(form.dbgFormPgto));
    ASSERT_TRUE(form.userClick(form.sbtAlterar));
    EXPECT_EQ(form.cdsFormaPagto.state(), DataSetState::Edit);
    EXPECT_EQ(form.activeControl(), &form.dbgFormPgto);
    // Editing an installment edits its party: both edits end before the next command.
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Edit);
    ASSERT_TRUE(dispatch([&] { form.cdsFormaPagto.cancel(); }));
    ASSERT_TRUE(dispatch([&] { form.cdsEndeCont.cancel(); }));
    ASSERT_EQ(form.activeControl(), &form.dbgFormPgto);

    ASSERT_TRUE(form.userClick(form.sbtIncluir));
    EXPECT_EQ(form.cdsFormaPagto.state(), DataSetState::Insert);
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 3);
    EXPECT_FALSE(form.sbtExcluir.enabled()); // an installment being inserted cannot be deleted
    ASSERT_TRUE(dispatch([&] { form.cdsFormaPagto.cancel(); }));
}

TEST_F(ScreenState, InsertAndEditOfAPartyEndInTheInscriptionColumn) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    form.dbgPadrao.setSelectedField("QTCONVCONTOREV");
    ASSERT_TRUE(form.userClick(form.sbtAlterar));
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Edit);
    EXPECT_EQ(form.activeControl(), &form.dbgPadrao);
    EXPECT_EQ(form.dbgPadrao.selectedField()->name(), "NRINSJURCLIE");
    EXPECT_FALSE(form.sbtAlterar.enabled());
    EXPECT_TRUE(form.gpbDadosCont.enabled());
    ASSERT_TRUE(dispatch([&] { form.cdsEndeCont.cancel(); }));

    ASSERT_TRUE(form.userClick(form.sbtIncluir));
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Insert);
    EXPECT_EQ(form.dbgPadrao.selectedField()->name(), "NRINSJURCLIE");
    EXPECT_FALSE(form.sbtIncluir.enabled());
    EXPECT_FALSE(form.mnuIncluir.enabled());
    EXPECT_TRUE(form.rbtAvista.checked());
}

TEST_F(ScreenState, SearchListsTheInstallmentsOnlyWhenTheyAreLoaded) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    ASSERT_TRUE(dispatch([&] { form.cdsEndeCont.setRecNo(3); }));
    ASSERT_TRUE(form.userFocus(form.dbgFormPgto));
    dialogs.clear();
    dialogs.queuePick(0);
    ASSERT_TRUE(form.userClick(form.sbtProcurar));
    ASSERT_EQ(dialogs.dialogs().size(), 1u);
    EXPECT_EQ(dialogs.dialogs().back().kind, FakeDialogService::Dialog::Kind::Search);
    EXPECT_EQ(dialogs.dialogs().back().text, "cdsFormaPagto");

    // With the installments closed nothing is searched.
    form.cdsFormaPagto.close();
    dialogs.clear();
    EXPECT_TRUE(dispatch([&] { form.sbtProcurarClick(); }));
    EXPECT_TRUE(dialogs.dialogs().empty());

    // From the parties grid the search lists the parties.
    ASSERT_TRUE(form.userFocus(form.dbgPadrao));
    dialogs.clear();
    dialogs.queuePick(0);
    ASSERT_TRUE(form.userClick(form.sbtProcurar));
    ASSERT_FALSE(dialogs.dialogs().empty());
    EXPECT_EQ(dialogs.dialogs().back().text, "cdsEndeCont");
}

} // namespace
} // namespace ct::testing
