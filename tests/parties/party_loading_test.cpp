// Reloading the parties, the client search and the substitute party against the real server on a
// fresh demo database.
#include "platform/host/dispatch.h"
#include "screen_fixture.h"

namespace ct::testing {
namespace {

class PartyLoading : public ScreenTest {};

TEST_F(PartyLoading, ReloadingKeepsTheSavedPartyThatWasCurrent) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    form.cdsEndeCont.setRecNo(2);
    form.inCountMarcado = 2;
    form.nedQtParcela.setNumber(3);
    form.nedPrazo.setNumber(30);
    form.edtObservacao.setText("Entrada");

    EXPECT_TRUE(dispatch([&] { form.sbtVerificar.click(); }));
    // Two loads at entry (filter panel exit, grid enter), then the click's.
    EXPECT_EQ(calls("GetContratante"), 3);
    EXPECT_EQ(calls("GetLiderTurma"), 3);
    EXPECT_EQ(form.cdsEndeCont.recNo(), 2);
    EXPECT_EQ(form.cdsEndeCont.fieldByName("NRENDCLIORCEVE").asString(), "0000000002");
    EXPECT_EQ(form.inCountMarcado, 0);
    EXPECT_EQ(form.nedQtParcela.number(), 0);
    EXPECT_EQ(form.nedPrazo.number(), 0);
    EXPECT_EQ(form.edtObservacao.text(), "");
    EXPECT_FALSE(form.cdsEndeCont.hasChanges());
    EXPECT_FALSE(dialogs.progressShown());
}

TEST_F(PartyLoading, ReloadingDuringTheInsertOfANewPartyGoesToTheFirstRow) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    form.cdsEndeCont.setRecNo(3);
    form.cdsEndeCont.append();
    EXPECT_TRUE(dispatch([&] { form.sbtVerificarClick(); }));
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 3);
    EXPECT_EQ(form.cdsEndeCont.recNo(), 1);
}

TEST_F(PartyLoading, AFailedReloadKeepsWhatItHadNotReplaced) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    form.cdsEndeCont.setRecNo(2);
    form.inCountMarcado = 1;
    form.nedQtParcela.setNumber(4);
    // A branch the server refuses as too long for its field.
    form.medCdFilial.setText("00001");
    dialogs.clear();

    EXPECT_FALSE(dispatch([&] { form.sbtVerificarClick(); }));
    ASSERT_EQ(dialogs.messageCount(), 1u);
    EXPECT_EQ(dialogs.messages().front().type, MsgType::Error);
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 3);
    EXPECT_EQ(form.cdsEndeCont.recNo(), 2);
    EXPECT_EQ(form.inCountMarcado, 1);
    EXPECT_EQ(form.nedQtParcela.number(), 4);
    EXPECT_FALSE(dialogs.progressShown());
}

TEST_F(PartyLoading, TheClientSearchFillsTheRowBeingInserted) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    form.cdsEndeCont.append();
    dialogs.queuePick(2);
    EXPECT_TRUE(form.dbgPadrao.userClickEllipsis(1));
    EXPECT_EQ(calls("GetCliente"), 1);
    EXPECT_EQ(dialogs.dialogs().back().text, "Contratante|");
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Insert);
    DataSet& clients = form.cdsCliente;
    ASSERT_EQ(clients.recNo(), 2);
    EXPECT_EQ(form.cdsEndeCont["NRINSJURCLIE"].asString(), clients["NRINSJURCLIE"].asString());
    EXPECT_EQ(form.cdsEndeCont["NMFANTCLIE"].asString(), clients["NMFANTCLIE"].asString());
    EXPECT_EQ(form.cdsEndeCont["CDCLIENCONTORCA"].asString(), clients["CDCLIENTE"].asString());
    EXPECT_EQ(form.cdsEndeCont["IDTPIJURCLIE"].asString(), clients["IDTPIJURCLIE"].asString());
    EXPECT_FALSE(form.cdsEndeCont["NRINSJURCLIE"].asString().empty());
}

TEST_F(PartyLoading, TheClientSearchWithoutAPickChangesNothing) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    dialogs.queuePick(0);
    EXPECT_TRUE(form.dbgPadrao.userClickEllipsis(1));
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(form.cdsEndeCont["NMFANTCLIE"].asString(), "Ana Beatriz Souza");
}

TEST_F(PartyLoading, OnlyTheInscriptionColumnSearchesClients) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    form.dbgPadrao.setSelectedField("NMFANTCLIE");
    EXPECT_TRUE(dispatch([&] { form.dbgPadraoEditButtonClick(); }));
    EXPECT_EQ(calls("GetCliente"), 0);
    for (const auto& dialog : dialogs.dialogs())
        EXPECT_NE(dialog.kind, FakeDialogService::Dialog::Kind::Search);
}

TEST_F(PartyLoading, ChoosingASubstitutePutsTheSavedPartyInEdit) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    dialogs.queuePick(1);
    EXPECT_TRUE(dispatch([&] { form.btnContSub.click(); }));
    EXPECT_EQ(calls("GetContSub"), 1);
    EXPECT_EQ(form.cdsContSub.recordCount(), 2);
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Edit);
    EXPECT_EQ(form.cdsEndeCont["CDCLICONTSUBORE"].asString(), "F12345678909");
    EXPECT_EQ(form.cdsEndeCont["NMFANTSUB"].asString(), "Carlos Eduardo Lima");
    EXPECT_EQ(form.dbeContSub.text(), "Carlos Eduardo Lima");
    EXPECT_EQ(form.cdsContSub["NRINSJURCLIE"].displayText(), "123.456.789-09");
}

} // namespace
} // namespace ct::testing
