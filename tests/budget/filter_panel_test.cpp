// The filter panel driven as a user would, against the real server on a fresh demo database.
#include "screen_fixture.h"

namespace ct::testing {
namespace {

class FilterPanel : public ScreenTest {};

TEST_F(FilterPanel, AnUnknownBranchIsRefusedAndKeepsTheFocus) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    EXPECT_TRUE(form.userType(form.medCdFilial, "9999"));
    EXPECT_FALSE(form.userFocus(form.dbgPadrao));
    EXPECT_EQ(lastMessage(), "Filial não cadastrada.");
    EXPECT_EQ(form.activeControl(), &form.medCdFilial);
    EXPECT_EQ(form.medCdFilial.text(), "9999");
    // Typing the branch cleared what depended on it.
    EXPECT_EQ(form.edtNrOrcamento.text(), "");
    EXPECT_EQ(form.edtNmFilial.text(), "");
    EXPECT_EQ(form.medCdEmpresa.text(), "");
}

TEST_F(FilterPanel, AShortBranchIsNormalisedAndFillsNameAndCompany) {
    TfrmContratante& form = enter("0001", "", "00");
    EXPECT_TRUE(form.userType(form.medCdFilial, "2"));
    EXPECT_EQ(form.medCdEmpresa.text(), "");
    EXPECT_TRUE(form.userFocus(form.medCdEmpresa));
    EXPECT_EQ(form.medCdFilial.text(), "0002");
    EXPECT_EQ(form.edtNmFilial.text(), "Campinas");
    EXPECT_EQ(form.medCdEmpresa.text(), "02");
    EXPECT_EQ(dialogs.messageCount(), 0u);
}

TEST_F(FilterPanel, AnEmptyBranchMustBeInformed) {
    TfrmContratante& form = enter("0001", "", "00");
    EXPECT_TRUE(form.userType(form.medCdFilial, ""));
    EXPECT_FALSE(form.userFocus(form.medCdEmpresa));
    EXPECT_EQ(lastMessage(), "Filial deve ser informada.");
    EXPECT_EQ(form.activeControl(), &form.medCdFilial);
}

TEST_F(FilterPanel, LeavingThePanelWithoutABudgetFails) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    EXPECT_TRUE(form.userType(form.edtNrOrcamento, ""));
    // Leaving only the budget field does not complain.
    EXPECT_TRUE(form.userFocus(form.medCdFilial));
    EXPECT_EQ(dialogs.messageCount(), 0u);
    EXPECT_FALSE(form.userFocus(form.dbgPadrao));
    EXPECT_EQ(lastMessage(), "Orçamento deve ser informado.");
    EXPECT_EQ(form.activeControl(), &form.edtNrOrcamento);
    EXPECT_FALSE(form.cdsEndeCont.active());
}

TEST_F(FilterPanel, AnUnknownBudgetIsRefused) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    EXPECT_TRUE(form.userType(form.edtNrOrcamento, "777"));
    EXPECT_FALSE(form.userFocus(form.medCdFilial));
    EXPECT_EQ(lastMessage(), "Orçamento não cadastrado.");
    EXPECT_EQ(form.edtNrOrcamento.text(), "0000000777");
    EXPECT_EQ(form.activeControl(), &form.edtNrOrcamento);
}

TEST_F(FilterPanel, CompanyChecks) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    EXPECT_TRUE(form.userType(form.medCdEmpresa, "2"));
    EXPECT_EQ(form.edtNmEmpresa.text(), "");
    EXPECT_FALSE(form.userFocus(form.edtNrOrcamento));
    EXPECT_EQ(lastMessage(), "Empresa não cadastrada.");
    EXPECT_EQ(form.activeControl(), &form.medCdEmpresa);
    EXPECT_EQ(form.medCdEmpresa.text(), "02");

    EXPECT_TRUE(form.userType(form.medCdEmpresa, ""));
    EXPECT_FALSE(form.userFocus(form.edtNrOrcamento));
    EXPECT_EQ(lastMessage(), "Empresa deve ser informada.");

    EXPECT_TRUE(form.userType(form.medCdEmpresa, "1"));
    EXPECT_TRUE(form.userFocus(form.edtNrOrcamento));
    EXPECT_EQ(form.medCdEmpresa.text(), "01");
    EXPECT_EQ(form.edtNmEmpresa.text(), "Halvren Eventos São Paulo");
}

TEST_F(FilterPanel, AnotherBudgetIsWorkedInSequence00AndTheEntryBudgetInTheEntrySequence) {
    TfrmContratante& form = enter("0001", "0000000100", "01");
    EXPECT_EQ(form.stNrSeqOrca, "01");

    EXPECT_TRUE(form.userType(form.edtNrOrcamento, "400"));
    EXPECT_TRUE(form.userFocus(form.dbgPadrao));
    EXPECT_EQ(form.stNrSeqOrca, "00");
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 3);
    EXPECT_EQ(form.cdsEndeCont.fieldByName("NRORCAEVENTO").asString(), "0000000400");
    EXPECT_EQ(form.nedVrReali.text(), "15.000,00");

    EXPECT_TRUE(form.userType(form.edtNrOrcamento, "100"));
    EXPECT_TRUE(form.userFocus(form.dbgPadrao));
    EXPECT_EQ(form.stNrSeqOrca, "01");
    EXPECT_EQ(form.nedVrReali.text(), "4.500,00");
    EXPECT_EQ(form.cdsEndeCont.fieldByName("NRSEQORCAEVE").asString(), "01");
}

TEST_F(FilterPanel, ABudgetWithoutPartiesTakesItsClientOnYes) {
    dialogs.queueAnswer(MsgResult::Yes);
    TfrmContratante& form = enter("0001", "0000000200", "00");
    EXPECT_EQ(lastMessage(), "Deseja gravar o cliente do orçamento como contratante?");
    EXPECT_EQ(dialogs.messages().back().type, MsgType::Confirmation);
    EXPECT_EQ(calls("SetClienteContratante"), 1);
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 1);
    EXPECT_EQ(shown("NMFANTCLIE"), "Fernanda Oliveira Rocha");
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(form.nedQtContratantes.number(), 1);
    EXPECT_EQ(dialogs.pendingAnswers(), 0u);
}

TEST_F(FilterPanel, ABudgetWithoutPartiesStartsANewPartyAtTheBranchAddressOnNo) {
    dialogs.queueAnswer(MsgResult::No);
    TfrmContratante& form = enter("0001", "0000000200", "00");
    EXPECT_EQ(calls("SetClienteContratante"), 0);
    EXPECT_EQ(calls("GetEndeFili"), 1);
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Insert);
    EXPECT_EQ(form.cdsEndeCont.fieldByName("CDPAIS").asString(), "1058");
    EXPECT_EQ(form.cdsEndeCont.fieldByName("NMPAIS").asString(), "Brasil");
    EXPECT_EQ(form.cdsEndeCont.fieldByName("SGESTADO").asString(), "SP");
    EXPECT_EQ(form.cdsEndeCont.fieldByName("CDMUNICIPIO").asString(), "0001");
    EXPECT_EQ(form.cdsEndeCont.fieldByName("NMMUNICIPIO").asString(), "São Paulo");
    // Nobody carries the realised value yet: the new party starts with all of it.
    EXPECT_EQ(shown("VRRECECONTOREV"), "5.000,00");
    EXPECT_EQ(form.cdsEndeCont.fieldByName("IDFORMAPGCONT").asString(), "E");
    EXPECT_EQ(form.activeControl(), &form.dbgPadrao);
    EXPECT_EQ(form.dbgPadrao.selectedField()->name(), "NRINSJURCLIE");
    EXPECT_FALSE(dialogs.progressShown());
}

TEST_F(FilterPanel, AnotherSequenceOfAnOrdinaryBudgetImportsItsPartiesWithoutAQuestion) {
    TfrmContratante& form = enter("0001", "0000000100", "01");
    EXPECT_EQ(dialogs.messageCount(), 0u);
    EXPECT_EQ(calls("SetImpContratante"), 1);
    // After the import, and again as the focus enters the grid.
    EXPECT_EQ(calls("GetContratante"), 3);
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 3);
    EXPECT_EQ(form.cdsParamOrca.fieldByName("IDQTCONVOBRIGATORCA").asString(), "S");
}

TEST_F(FilterPanel, ChangingTheBranchClearsWhatDependsOnIt) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    form.medCdFilial.setText("0002");
    EXPECT_EQ(form.edtNmFilial.text(), "");
    EXPECT_EQ(form.nedVrReali.number(), 0);
    EXPECT_EQ(form.edtNrOrcamento.text(), "");
    EXPECT_EQ(form.medCdEmpresa.text(), "");
    EXPECT_EQ(form.edtNmEmpresa.text(), "");
}

TEST_F(FilterPanel, EnteringThePanelClosesThePartiesAndZeroesTheTotals) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    EXPECT_TRUE(form.userFocus(form.edtNrOrcamento));
    EXPECT_FALSE(form.cdsEndeCont.active());
    EXPECT_EQ(form.nedQtContratantes.number(), 0);
    EXPECT_EQ(form.nedTotRateado.number(), 0);
    EXPECT_EQ(form.nedTotConv.number(), 0);
}

TEST_F(FilterPanel, TheSearchButtonsFillTheirFields) {
    TfrmContratante& form = enter("0001", "", "00");

    dialogs.queuePick(2);
    EXPECT_TRUE(form.userClick(form.btnFilial));
    EXPECT_EQ(form.medCdFilial.text(), "0002");
    EXPECT_EQ(form.edtNmFilial.text(), "Campinas");

    dialogs.queuePick(1);
    EXPECT_TRUE(form.userClick(form.btpEmpresa));
    EXPECT_EQ(calls("GetEmpresa"), 1);
    EXPECT_EQ(form.medCdEmpresa.text(), "02");

    dialogs.queuePick(1);
    EXPECT_TRUE(form.userClick(form.btnNrOrcamento));
    EXPECT_EQ(form.edtNrOrcamento.text(), "0000000600");
    EXPECT_EQ(form.nedVrReali.text(), "6.000,00");
    EXPECT_DOUBLE_EQ(form.doVrConvAdicAdu, 50.0);
    EXPECT_DOUBLE_EQ(form.doVrConvAdicCri, 30.0);
    EXPECT_EQ(form.activeControl(), &form.edtNrOrcamento);
}

TEST_F(FilterPanel, APickedNothingChangesNothing) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    dialogs.queuePick(0);
    EXPECT_TRUE(form.userClick(form.btnNrOrcamento));
    EXPECT_EQ(form.edtNrOrcamento.text(), "0000000100");
    EXPECT_EQ(form.nedVrReali.text(), "12.000,00");
}

} // namespace
} // namespace ct::testing
