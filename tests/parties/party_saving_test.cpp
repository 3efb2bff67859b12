// Saving, confirming and cancelling parties against the real server on a fresh demo database;
// what the server stored is read back with SQL.
#include "module/module_entry.h"
#include "party_db.h"
#include "platform/host/dispatch.h"
#include "screen_fixture.h"

namespace ct::testing {
namespace {

class PartySaving : public ScreenTest {
protected:
    TfrmContratante& f() { return screen(); }
    Field& field(const char* name) { return screen().cdsEndeCont.fieldByName(name); }
    TfrmContratante& budget100() {
        TfrmContratante& form = enter("0001", "0000000100", "00");
        dialogs.clear();
        clearCalls();
        return form;
    }
    bool click(Control& control) {
        return dispatch([&] { control.click(); });
    }
    bool goToParty(const char* name) {
        LocateOptions options;
        return f().cdsEndeCont.locate("NMFANTCLIE", Value(name), options);
    }
};

TEST_F(PartySaving, ASaveTheServerRefusesWritesNothingAndRestoresTheParties) {
    TfrmContratante& form = budget100();
    // Another user changes Ana's charged value meanwhile.
    ASSERT_EQ(execDemo("UPDATE ENDECONTORCA SET VRRECECONTOREV = 3333 WHERE CDFILIAL = '0001' AND "
                       "NRORCAEVENTO = '0000000100' AND NRENDCLIORCEVE = '0000000001'"),
              1);
    ASSERT_TRUE(click(form.sbtAlterar));
    field("VRRECECONTOREV").setAsFloat(2900);
    field("NMCONTCLIORE").setAsString("Outra pessoa");

    EXPECT_FALSE(click(form.sbtConfirmar));
    EXPECT_EQ(calls("SetEndeCont"), 1);
    ASSERT_EQ(dialogs.messageCount(), 1u);
    EXPECT_EQ(dialogs.messages()[0].type, MsgType::Error);
    EXPECT_EQ(lastMessage(), "O contratante Ana Beatriz Souza foi alterado por outro usuário. "
                             "Recarregue os dados e repita a operação.");
    EXPECT_FALSE(dialogs.progressShown());
    // The grid shows the party as the server holds it now, reloaded on the same party.
    EXPECT_EQ(calls("GetContratante"), 1);
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_FALSE(form.cdsEndeCont.hasChanges());
    EXPECT_EQ(field("NMFANTCLIE").asString(), "Ana Beatriz Souza");
    EXPECT_DOUBLE_EQ(field("VRRECECONTOREV").asFloat(), 3333.0);
    EXPECT_EQ(field("NMCONTCLIORE").asString(), "Ana Beatriz");

    const server::ResultSet stored = storedParty("0000000001");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_DOUBLE_EQ(stored.number(0, "VRRECECONTOREV"), 3333.0);
    EXPECT_EQ(stored.text(0, "NMCONTCLIORE"), "Ana Beatriz");
}

TEST_F(PartySaving, ConfirmingANewPartySavesItAndReloadsWithItsNumber) {
    TfrmContratante& form = budget100();
    ASSERT_TRUE(click(form.sbtIncluir));
    ASSERT_TRUE(form.dbgPadrao.userTypeCell(1, "32165498791")); // Fernanda
    ASSERT_TRUE(click(form.sbtConfirmar)) << lastMessage();
    EXPECT_EQ(calls("SetEndeCont"), 1);
    EXPECT_EQ(calls("GetContratante"), 1);
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 4);
    EXPECT_EQ(form.cdsEndeCont.recNo(), 1);
    EXPECT_EQ(form.nedQtContratantes.number(), 4);
    EXPECT_DOUBLE_EQ(form.nedTotRateado.number(), 12000.0);
    ASSERT_TRUE(goToParty("Fernanda Oliveira Rocha"));
    EXPECT_EQ(field("NRENDCLIORCEVE").asString(), "0000000004");
    EXPECT_EQ(field("DSENDECLIORE").asString(), "Alameda dos Maracatins, 300");
    EXPECT_EQ(field("NMBAIRRO").asString(), "Moema");
    EXPECT_EQ(storedParty("0000000004").size(), 1u);
}

TEST_F(PartySaving, ANewClientIsRegisteredWithItsParty) {
    TfrmContratante& form = budget100();
    ASSERT_TRUE(click(form.sbtIncluir));
    ASSERT_TRUE(form.dbgPadrao.userTypeCell(1, "11144477735"));
    form.dbgPadrao.userSelectColumn(3);
    ASSERT_TRUE(boNovoClie);
    ASSERT_TRUE(form.dbgPadrao.userTypeCell(2, "Cliente Novo da Silva"));
    ASSERT_TRUE(form.userType(form.dbeEndereco, "Rua Nova, 10"));
    ASSERT_TRUE(form.userType(form.dbeCodPais, "1058"));
    ASSERT_TRUE(form.userType(form.dbeEstado, "sp"));
    ASSERT_TRUE(form.userType(form.dbeCodMun, "1"));
    ASSERT_TRUE(click(form.sbtConfirmar)) << lastMessage();
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 4);

    std::string personType;
    const nlohmann::json found =
        form.callServer("GetClie", {std::string("11144477735"), RpcArg::ref(personType)});
    ASSERT_TRUE(found.is_array());
    ASSERT_EQ(found[0]["rows"].size(), 1u);
    const server::ResultSet client =
        queryDemo("SELECT NMFANTCLIE, IDTPIJURCLIE FROM CLIENTE WHERE CDCLIENTE = 'F11144477735'");
    ASSERT_EQ(client.size(), 1u);
    EXPECT_EQ(client.text(0, "NMFANTCLIE"), "Cliente Novo da Silva");
    EXPECT_EQ(client.text(0, "IDTPIJURCLIE"), "F");
}

TEST_F(PartySaving, APendingInstallmentEditIsSavedWithAPartyInTheVariableMode) {
    TfrmContratante& form = budget100();
    ASSERT_TRUE(goToParty("Mariana Alves Costa"));
    ASSERT_TRUE(form.rbtFormaVar.checked());
    ASSERT_EQ(form.cdsFormaPagto.recordCount(), 3);
    form.cdsEndeCont.edit();
    field("NMCONTCLIORE").setAsString("Mariana");
    form.cdsFormaPagto.first();
    ASSERT_EQ(form.cdsFormaPagto.fieldByName("QTDIAFORMAPGCON").asInteger(), 30);
    form.cdsFormaPagto.edit();
    form.cdsFormaPagto.fieldByName("DSOBSPARCCONT").setAsString("Primeira parcela");
    ASSERT_TRUE(dispatch([&] { form.cdsEndeCont.post(); })) << lastMessage();
    EXPECT_EQ(calls("SetEndeCont"), 1);
    EXPECT_EQ(calls("SetFormaPagto"), 1);
    EXPECT_FALSE(form.cdsFormaPagto.hasChanges());
    const server::ResultSet stored =
        queryDemo("SELECT DSOBSPARCCONT FROM FORMAPAGTOCONT WHERE CDFILIAL = '0001' AND "
                  "NRORCAEVENTO = '0000000100' AND NRENDCLIORCEVE = '0000000003' AND "
                  "QTDIAFORMAPGCON = 30");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored.text(0, "DSOBSPARCCONT"), "Primeira parcela");
    EXPECT_EQ(storedParty("0000000003").text(0, "NMCONTCLIORE"), "Mariana");
}

TEST_F(PartySaving, CancellingAnInsertReloadsAndRestoresThePaymentOptions) {
    TfrmContratante& form = budget100();
    ASSERT_TRUE(goToParty("Carlos Eduardo Lima"));
    ASSERT_TRUE(click(form.sbtIncluir));
    ASSERT_TRUE(form.rbtAvista.checked());
    clearCalls();
    ASSERT_TRUE(click(form.sbtCancelar)) << lastMessage();
    EXPECT_EQ(calls("GetContratante"), 1);
    EXPECT_EQ(calls("DeletaParcelas"), 1);
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 3);
    EXPECT_EQ(field("NMFANTCLIE").asString(), "Carlos Eduardo Lima");
    EXPECT_TRUE(form.rbtDiaFixo.checked());
    EXPECT_FALSE(form.rbtAvista.checked());
    EXPECT_TRUE(form.dckProxMes.checked());
    // The options' own handlers are attached again.
    EXPECT_TRUE(form.rbtAvista.onClick);
    EXPECT_TRUE(form.rbtDiaFixo.onClick);
    EXPECT_TRUE(form.rbtFormaVar.onClick);
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Browse);
}

TEST_F(PartySaving, CancellingAnInstallmentEditAsksFirst) {
    TfrmContratante& form = budget100();
    ASSERT_TRUE(goToParty("Mariana Alves Costa"));
    ASSERT_EQ(form.cdsFormaPagto.recordCount(), 3);
    ASSERT_TRUE(form.userFocus(form.dbgFormPgto));
    form.cdsFormaPagto.edit();
    form.cdsFormaPagto.fieldByName("DSOBSPARCCONT").setAsString("mudada");

    dialogs.queueAnswer(MsgResult::No);
    clearCalls();
    EXPECT_TRUE(click(form.sbtCancelar));
    EXPECT_EQ(lastMessage(), "Cancelar operação?");
    EXPECT_EQ(form.cdsFormaPagto.state(), DataSetState::Edit);
    EXPECT_EQ(calls("GetContratante"), 0);

    dialogs.queueAnswer(MsgResult::Yes);
    EXPECT_TRUE(click(form.sbtCancelar));
    EXPECT_EQ(calls("GetContratante"), 1);
    EXPECT_EQ(dialogs.pendingAnswers(), 0u);
}

TEST_F(PartySaving, TheInstallmentsMustAddUpToTheChargedValue) {
    TfrmContratante& form = budget100();
    ASSERT_TRUE(goToParty("Mariana Alves Costa"));
    ASSERT_EQ(form.cdsFormaPagto.recordCount(), 3);
    EXPECT_TRUE(dispatch([&] { form.Vd_Valor(); }));
    EXPECT_TRUE(form.cdsFormaPagto.eof());

    form.cdsEndeCont.edit();
    field("VRRECECONTOREV").setAsFloat(4000.01);
    form.cdsFormaPagto.setRecNo(2);
    EXPECT_FALSE(dispatch([&] { form.Vd_Valor(); }));
    EXPECT_EQ(lastMessage(), "A soma das parcelas deve ser igual ao valor cobrado do contratante.");
    EXPECT_EQ(form.cdsFormaPagto.recNo(), 2) << "back on the installment that was current";
    EXPECT_EQ(form.dbgFormPgto.selectedField()->name(), "VRPARCELACONT");

    // The whole save is refused the same way, and nothing reaches the server.
    clearCalls();
    EXPECT_FALSE(dispatch([&] { form.cdsEndeCont.post(); }));
    EXPECT_EQ(lastMessage(), "A soma das parcelas deve ser igual ao valor cobrado do contratante.");
    EXPECT_EQ(calls("SetEndeCont"), 0);
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Edit);
}

TEST_F(PartySaving, TheDaysOfAnInstallmentAreCheckedOnce) {
    TfrmContratante& form = budget100();
    ASSERT_TRUE(goToParty("Mariana Alves Costa"));
    ASSERT_EQ(form.cdsFormaPagto.recordCount(), 3);
    form.cdsAuxFormaPagto.copyFrom(form.cdsFormaPagto);
    form.cdsFormaPagto.append();
    EXPECT_TRUE(dispatch([&] { form.vd_prazo(false); })) << "empty days wait for the save";
    EXPECT_FALSE(dispatch([&] { form.vd_prazo(true); }));
    EXPECT_EQ(lastMessage(), "Prazo deve ser informado.");
    EXPECT_EQ(form.dbgFormPgto.selectedField()->name(), "QTDIAFORMAPGCON");

    form.cdsFormaPagto.fieldByName("QTDIAFORMAPGCON").setAsFloat(60);
    EXPECT_FALSE(dispatch([&] { form.vd_prazo(false); }));
    EXPECT_EQ(lastMessage(), "Prazo já informado.");
    form.cdsFormaPagto.fieldByName("QTDIAFORMAPGCON").setAsFloat(0);
    EXPECT_FALSE(dispatch([&] { form.vd_prazo(false); }));
    EXPECT_EQ(lastMessage(), "Prazo deve ser maior que zero.");
    form.cdsFormaPagto.fieldByName("QTDIAFORMAPGCON").setAsFloat(120);
    dialogs.clear();
    EXPECT_TRUE(dispatch([&] { form.vd_prazo(true); }));
    EXPECT_EQ(dialogs.messageCount(), 0u);
}

TEST_F(PartySaving, ARefusedInstallmentSaveUndoesTheInstallmentsOnly) {
    TfrmContratante& form = budget100();
    ASSERT_TRUE(goToParty("Mariana Alves Costa"));
    // Another user changes an installment meanwhile.
    ASSERT_EQ(execDemo("UPDATE FORMAPAGTOCONT SET DSOBSPARCCONT = 'outro' WHERE CDFILIAL = "
                       "'0001' AND NRORCAEVENTO = '0000000100' AND NRENDCLIORCEVE = "
                       "'0000000003' AND QTDIAFORMAPGCON = 30"),
              1);
    form.cdsEndeCont.edit();
    field("NMCONTCLIORE").setAsString("Mariana");
    form.cdsFormaPagto.first();
    ASSERT_EQ(form.cdsFormaPagto.fieldByName("QTDIAFORMAPGCON").asInteger(), 30);
    const std::string before = form.cdsFormaPagto.fieldByName("DSOBSPARCCONT").asString();
    form.cdsFormaPagto.edit();
    form.cdsFormaPagto.fieldByName("DSOBSPARCCONT").setAsString("Primeira parcela");
    EXPECT_FALSE(dispatch([&] { form.cdsEndeCont.post(); }));
    EXPECT_EQ(calls("SetFormaPagto"), 1);
    EXPECT_EQ(dialogs.messages().back().type, MsgType::Error);
    EXPECT_FALSE(form.cdsFormaPagto.hasChanges());
    // Neither the refused note nor the one the edit started from: what the server holds now.
    EXPECT_EQ(field("NMFANTCLIE").asString(), "Mariana Alves Costa");
    form.cdsFormaPagto.first();
    EXPECT_NE(before, "outro");
    EXPECT_EQ(form.cdsFormaPagto.fieldByName("DSOBSPARCCONT").asString(), "outro");
    // The party itself had been saved before the installments were refused.
    EXPECT_EQ(storedParty("0000000003").text(0, "NMCONTCLIORE"), "Mariana");
    EXPECT_EQ(queryDemo("SELECT DSOBSPARCCONT FROM FORMAPAGTOCONT WHERE NRENDCLIORCEVE = "
                        "'0000000003' AND QTDIAFORMAPGCON = 30")
                  .text(0, "DSOBSPARCCONT"),
              "outro");
}

TEST_F(PartySaving, ARefusedSaveAfterARegenerationGivesThePartyItsPlanBack) {
    TfrmContratante& form = budget100();
    ASSERT_TRUE(goToParty("Mariana Alves Costa"));
    form.nedQtParcela.setNumber(2);
    form.nedPrazo.setNumber(45);
    ASSERT_TRUE(click(form.sbtGeraParc)) << lastMessage();
    const char* plan = "SELECT VRPARCELACONT FROM FORMAPAGTOCONT WHERE NRORCAEVENTO = "
                       "'0000000100' AND NRENDCLIORCEVE = '0000000003' ORDER BY QTDIAFORMAPGCON";
    ASSERT_EQ(queryDemo(plan).size(), 0u) << "the stored plan goes at once";
    // Another user changes Mariana meanwhile: the save is refused.
    ASSERT_EQ(execDemo("UPDATE ENDECONTORCA SET NMCONTCLIORE = 'outro' WHERE NRORCAEVENTO = "
                       "'0000000100' AND NRENDCLIORCEVE = '0000000003'"),
              1);
    field("NMCONTCLIORE").setAsString("Mariana");
    EXPECT_FALSE(click(form.sbtConfirmar));
    EXPECT_EQ(calls("SetEndeCont"), 1);
    const server::ResultSet stored = queryDemo(plan);
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_DOUBLE_EQ(stored.number(2, "VRPARCELACONT"), 1333.34);
    EXPECT_EQ(form.cdsFormaPagto.recordCount(), 3);
    EXPECT_FALSE(form.cdsFormaPagto.hasChanges());
}

} // namespace
} // namespace ct::testing
