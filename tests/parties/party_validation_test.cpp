// The checks made before a party is posted and when its inscription column is left, against the
// real server on a fresh demo database (budget 0001/0000000100/00: Ana, the quota responsible,
// Carlos and Mariana).
#include "module/module_entry.h"
#include "party_db.h"
#include "platform/host/dispatch.h"
#include "platform/host/text_routines.h"
#include "screen_fixture.h"

namespace ct::testing {
namespace {

constexpr const char* joao = "45612378955";   // registered, no party in the budget
constexpr const char* carlos = "12345678909"; // party 2 of the budget
constexpr const char* ana = "52998224725";    // party 1, quota responsible
constexpr const char* unknown = "11144477735";

class PartyValidation : public ScreenTest {
protected:
    TfrmContratante& f() { return screen(); }
    Field& field(const char* name) { return screen().cdsEndeCont.fieldByName(name); }

    TfrmContratante& budget100() {
        TfrmContratante& form = enter("0001", "0000000100", "00");
        dialogs.clear();
        return form;
    }
    // A new party whose inscription is typed into the grid and left for the next column.
    bool newPartyWithInscription(const std::string& inscription) {
        EXPECT_TRUE(dispatch([&] { f().sbtIncluir.click(); }));
        EXPECT_EQ(f().cdsEndeCont.state(), DataSetState::Insert);
        EXPECT_TRUE(f().dbgPadrao.userTypeCell(1, inscription));
        return f().dbgPadrao.userSelectColumn(3);
    }
    bool post() {
        return dispatch([&] { f().cdsEndeCont.post(); });
    }
};

TEST_F(PartyValidation, ARegisteredClientGivesTheNewPartyItsNameAndRegisteredAddress) {
    budget100();
    ASSERT_TRUE(newPartyWithInscription(joao));
    EXPECT_EQ(dialogs.messageCount(), 0u) << lastMessage();
    EXPECT_EQ(field("NMFANTCLIE").asString(), "João Pedro Santos");
    EXPECT_EQ(field("CDCLIENCONTORCA").asString(), "F45612378955");
    EXPECT_EQ(field("CDCLIENTE").asString(), "F45612378955");
    EXPECT_EQ(field("IDTPIJURCLIE").asString(), "F");
    EXPECT_EQ(field("DSENDECLIORE").asString(), "Avenida Atlântica, 2000");
    EXPECT_EQ(field("DSCOENDCLORE").asString(), "Bloco B, apto 801");
    EXPECT_EQ(field("CDPAIS").asString(), "1058");
    EXPECT_EQ(field("SGESTADO").asString(), "RJ");
    EXPECT_EQ(field("CDMUNICIPIO").asString(), "0001");
    EXPECT_EQ(field("CDBAIRRO").asString(), "0000000001");
    EXPECT_EQ(field("NRCELCLIORE1").asString(), "(21) 99404-5050");
    EXPECT_FALSE(boNovoClie);
    EXPECT_EQ(f().dbgPadrao.selectedIndex(), 3);

    // The names of the address codes come with the post, looked up again.
    ASSERT_TRUE(post()) << lastMessage();
    EXPECT_EQ(field("NMPAIS").asString(), "Brasil");
    EXPECT_EQ(field("NMMUNICIPIO").asString(), "Rio de Janeiro");
    EXPECT_EQ(field("NMBAIRRO").asString(), "Copacabana");
    EXPECT_EQ(field("NMRAZSOCCLIE").asString(), "João Pedro Santos");
    EXPECT_EQ(field("IDSITUCONTOREV").asString(), "LANCADO");
    EXPECT_EQ(field("CDFILIAL").asString(), "0001");
    EXPECT_EQ(field("NRSEQORCAEVE").asString(), "00");
    EXPECT_EQ(field("IDFORMAPGCONT").asString(), "E");
    EXPECT_EQ(field("QTPARCCONTOREV").asInteger(), 0);
    EXPECT_EQ(field("NRDIAVENCONOREV").asInteger(), 0);
    EXPECT_EQ(field("IDMESVENCONOREV").asString(), "ATUAL");
    EXPECT_EQ(field("QTCONVADICADULTO").asFloat(), 0);
}

TEST_F(PartyValidation, AClientAlreadyInTheBudgetIsRefusedOnLeavingTheInscription) {
    budget100();
    EXPECT_FALSE(newPartyWithInscription(carlos));
    EXPECT_EQ(lastMessage(), "Contratante já cadastrado para o orçamento.");
    EXPECT_EQ(f().dbgPadrao.selectedIndex(), 1);
    EXPECT_EQ(f().cdsEndeCont.state(), DataSetState::Insert);
    EXPECT_EQ(f().cdsEndeCont.recordCount(), 3);
}

TEST_F(PartyValidation, AnInscriptionOfNoClientStartsANewClient) {
    budget100();
    // The new client's path takes the grid to the name column instead of the one asked for.
    newPartyWithInscription(unknown);
    ASSERT_EQ(dialogs.messageCount(), 1u);
    EXPECT_EQ(dialogs.messages()[0].type, MsgType::Information);
    EXPECT_EQ(lastMessage(),
              "A inscrição não existe. O contratante será incluído no cadastro de cliente.");
    EXPECT_TRUE(boNovoClie);
    EXPECT_EQ(field("CDCLIENTE").asString(), std::string("F") + unknown);
    EXPECT_EQ(field("CDCLIENCONTORCA").asString(), std::string("F") + unknown);
    EXPECT_EQ(field("IDTPIJURCLIE").asString(), "F");
    EXPECT_TRUE(field("NMFANTCLIE").isNull());
    EXPECT_EQ(f().dbgPadrao.selectedField()->name(), "NMFANTCLIE");
    EXPECT_FALSE(f().dbgPadrao.column(2).readOnly());

    // The name is typed; without an address the post is refused and the row stays.
    ASSERT_TRUE(f().dbgPadrao.userTypeCell(2, "Cliente Novo da Silva"));
    dialogs.clear();
    EXPECT_FALSE(dispatch([&] { f().sbtConfirmar.click(); }));
    EXPECT_EQ(lastMessage(), "Endereço deve ser informado.");
    EXPECT_EQ(f().activeControl(), &f().dbeEndereco);
    EXPECT_EQ(f().cdsEndeCont.state(), DataSetState::Insert);
    EXPECT_EQ(field("NMFANTCLIE").asString(), "Cliente Novo da Silva");
}

TEST_F(PartyValidation, AnEmptyInscriptionIsRefusedBeforeAnyClientLookup) {
    budget100();
    ASSERT_TRUE(dispatch([&] { f().sbtIncluir.click(); }));
    clearCalls();
    EXPECT_FALSE(post());
    EXPECT_EQ(lastMessage(), "Inscrição deve ser informada.");
    EXPECT_EQ(calls("GetClie"), 0);
    EXPECT_EQ(calls("SetEndeCont"), 0);
    EXPECT_EQ(f().dbgPadrao.selectedIndex(), 1);
    EXPECT_EQ(f().cdsEndeCont.state(), DataSetState::Insert);
}

TEST_F(PartyValidation, AnInscriptionOfAnotherPartyIsRefusedUnlessItIsTheQuotaResponsible) {
    budget100();
    ASSERT_TRUE(dispatch([&] { f().sbtIncluir.click(); }));
    field("NRINSJURCLIE").setAsString(carlos);
    field("NMFANTCLIE").setAsString("Outro nome");
    EXPECT_FALSE(post());
    EXPECT_EQ(lastMessage(), "Contratante já cadastrado.");
    EXPECT_TRUE(field("NMFANTCLIE").isNull());
    EXPECT_EQ(f().cdsEndeCont.state(), DataSetState::Insert);

    // Ana is the quota responsible: the party check lets her through, the client check does not.
    field("NRINSJURCLIE").setAsString(ana);
    EXPECT_FALSE(post());
    EXPECT_EQ(lastMessage(), "Contratante já cadastrado para o orçamento.");
}

TEST_F(PartyValidation, AddressCodesAreDemandedInOrderOnPost) {
    budget100();
    ASSERT_TRUE(dispatch([&] { f().sbtAlterar.click(); }));
    ASSERT_TRUE(f().userType(f().dbeCodPais, ""));
    EXPECT_FALSE(post());
    EXPECT_EQ(lastMessage(), "País deve ser informado.");
    EXPECT_EQ(f().activeControl(), &f().dbeCodPais);

    ASSERT_TRUE(f().userType(f().dbeCodPais, "1058"));
    EXPECT_FALSE(post());
    EXPECT_EQ(lastMessage(), "Estado deve ser informado.");
    ASSERT_TRUE(f().userType(f().dbeEstado, "SP"));
    EXPECT_FALSE(post());
    EXPECT_EQ(lastMessage(), "Município deve ser informado.");
    EXPECT_EQ(f().activeControl(), &f().dbeCodMun);
}

TEST_F(PartyValidation, InvitationPricesGoInOncePerEditEvenAfterARefusedPost) {
    budget100(); // Ana: no additional invitations, 3.000,00, no payment plan
    ASSERT_EQ(field("NMFANTCLIE").asString(), "Ana Beatriz Souza");
    f().cdsEndeCont.edit();
    field("QTCONVADICADULTO").setAsFloat(2);
    field("QTCONVADICCRIANCA").setAsFloat(1);
    field("DSENDECLIORE").clear();
    EXPECT_FALSE(post());
    EXPECT_EQ(lastMessage(), "Endereço deve ser informado.");
    EXPECT_DOUBLE_EQ(field("VRRECECONTOREV").asFloat(), 3130.0);

    // Posted again in the same edit: the prices are not taken out and put in a second time.
    field("DSENDECLIORE").setAsString("Rua dos Pinheiros, 120");
    ASSERT_TRUE(post()) << lastMessage();
    EXPECT_DOUBLE_EQ(field("VRRECECONTOREV").asFloat(), 3130.0);
    EXPECT_DOUBLE_EQ(field("VRTOTCONVADU").asFloat(), 100.0);
    EXPECT_DOUBLE_EQ(field("VRTOTCONVCRI").asFloat(), 30.0);
    const server::ResultSet stored = storedParty("0000000001");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_DOUBLE_EQ(stored.number(0, "VRRECECONTOREV"), 3130.0);

    // A new edit prices from the counts now saved: 2 adults down to 0 takes 100,00 out.
    f().cdsEndeCont.edit();
    field("QTCONVADICADULTO").setAsFloat(0);
    ASSERT_TRUE(post()) << lastMessage();
    EXPECT_DOUBLE_EQ(field("VRRECECONTOREV").asFloat(), 3030.0);
}

TEST_F(PartyValidation, ANewPartyGetsTheChildPricesOnTopOfItsShare) {
    TfrmContratante& form = budget100();
    ASSERT_TRUE(newPartyWithInscription(joao));
    EXPECT_DOUBLE_EQ(field("VRRECECONTOREV").asFloat(), 1500.0); // 12.000,00 - 10.500,00
    field("QTCONVADICCRIANCA").setAsFloat(2);
    ASSERT_TRUE(post()) << lastMessage();
    EXPECT_DOUBLE_EQ(field("VRRECECONTOREV").asFloat(), 1560.0);
    EXPECT_DOUBLE_EQ(form.nedTotRateado.number(), 12060.0);
}

TEST_F(PartyValidation, AFixedDayPlanNeedsItsDayAndCount) {
    TfrmContratante& form = budget100();
    form.cdsEndeCont.edit();
    form.rbtDiaFixo.setChecked(true);
    form.speDiaPagto.setValue(0);
    form.speNrParcelas.setValue(3);
    EXPECT_FALSE(post());
    EXPECT_EQ(lastMessage(), "Dados da parcela fixa devem ser informados.");

    form.speDiaPagto.setValue(15);
    form.dckProxMes.setChecked(true);
    ASSERT_TRUE(post()) << lastMessage();
    EXPECT_EQ(field("IDFORMAPGCONT").asString(), "F");
    EXPECT_EQ(field("NRDIAVENCONOREV").asInteger(), 15);
    EXPECT_EQ(field("QTPARCCONTOREV").asInteger(), 3);
    EXPECT_EQ(field("IDMESVENCONOREV").asString(), "PROXIMO");
}

TEST_F(PartyValidation, AnExistingPartyChangedToAnUnknownInscriptionBecomesANewClient) {
    TfrmContratante& form = budget100();
    form.cdsEndeCont.setRecNo(3); // Mariana
    form.cdsEndeCont.edit();
    field("NRINSJURCLIE").setAsString(unknown);
    ASSERT_TRUE(post()) << lastMessage();
    ASSERT_EQ(dialogs.messageCount(), 1u);
    EXPECT_EQ(dialogs.messages()[0].type, MsgType::Information);
    EXPECT_EQ(lastMessage(),
              "A inscrição não existe. O contratante será incluído no cadastro de cliente.");
    EXPECT_TRUE(boNovoClie);
    EXPECT_EQ(field("CDCLIENCONTORCA").asString(), std::string("F") + unknown);
    EXPECT_EQ(field("CDCLIENTE").asString(), std::string("F") + unknown);
    EXPECT_EQ(field("NRINSJURCLIE").editMask(), PictPess("I"));
    const server::ResultSet client = queryDemo(
        "SELECT NMFANTCLIE FROM CLIENTE WHERE CDCLIENTE = :c", {{"c", std::string("F") + unknown}});
    ASSERT_EQ(client.size(), 1u);
    EXPECT_EQ(client.text(0, "NMFANTCLIE"), "Mariana Alves Costa");
}

TEST_F(PartyValidation, AnExistingPartyChangedToARegisteredClientKeepsItsOwnAddress) {
    TfrmContratante& form = budget100();
    form.cdsEndeCont.setRecNo(3); // Mariana
    form.cdsEndeCont.edit();
    field("NRINSJURCLIE").setAsString(joao);
    ASSERT_TRUE(post()) << lastMessage();
    EXPECT_EQ(dialogs.messageCount(), 0u) << lastMessage();
    EXPECT_FALSE(boNovoClie);
    EXPECT_EQ(field("NMFANTCLIE").asString(), "João Pedro Santos");
    EXPECT_EQ(field("CDCLIENCONTORCA").asString(), "F45612378955");
    EXPECT_EQ(field("DSENDECLIORE").asString(), "Rua Coronel Quirino, 800");
    EXPECT_EQ(field("CDMUNICIPIO").asString(), "0002");
    EXPECT_TRUE(form.dbgPadrao.column(1).readOnly());
}

TEST_F(PartyValidation, ChangingTheChargedValueOfAPlanWithInstallmentsWarns) {
    TfrmContratante& form = budget100();
    form.cdsEndeCont.setRecNo(3); // Mariana, installments of 4.000,00
    ASSERT_TRUE(form.rbtFormaVar.checked());
    ASSERT_TRUE(form.userFocus(form.dbgPadrao));
    ASSERT_TRUE(form.dbgPadrao.userTypeCell(4, "4500"));
    dialogs.clear();
    EXPECT_FALSE(form.dbgPadrao.userSelectColumn(5));
    ASSERT_EQ(dialogs.messageCount(), 1u);
    EXPECT_EQ(dialogs.messages()[0].type, MsgType::Warning);
    EXPECT_EQ(lastMessage(),
              "O valor das parcelas do contratante Mariana Alves Costa deve ser atualizado.");
    EXPECT_EQ(form.dbgFormPgto.selectedField()->name(), "VRPARCELACONT");
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Edit);
    EXPECT_DOUBLE_EQ(field("VRRECECONTOREV").asFloat(), 4500.0);

    // The same value again is no change.
    form.cdsEndeCont.cancel();
    ASSERT_TRUE(form.userFocus(form.dbgPadrao));
    ASSERT_TRUE(form.dbgPadrao.userTypeCell(4, "4000"));
    dialogs.clear();
    EXPECT_TRUE(form.dbgPadrao.userSelectColumn(5));
    EXPECT_EQ(dialogs.messageCount(), 0u) << lastMessage();
}

TEST_F(PartyValidation, TheColumnsFollowTheStatusOfTheCurrentParty) {
    TfrmContratante& form = budget100();
    form.HabColunas();
    for (int open : {0, 1, 3, 4, 6, 7})
        EXPECT_FALSE(form.dbgPadrao.column(open).readOnly()) << open;
    for (int billed : {8, 9})
        EXPECT_TRUE(form.dbgPadrao.column(billed).readOnly()) << billed;

    form.cdsEndeCont.edit();
    field("IDSITUCONTOREV").setAsString("CNTGERADA");
    form.HabColunas();
    for (int locked : {0, 1, 3, 4, 6, 7})
        EXPECT_TRUE(form.dbgPadrao.column(locked).readOnly()) << locked;
    for (int billed : {8, 9})
        EXPECT_FALSE(form.dbgPadrao.column(billed).readOnly()) << billed;
    EXPECT_TRUE(form.dbgPadrao.column(2).readOnly()) << "the name column is left as it was";
}

} // namespace
} // namespace ct::testing
