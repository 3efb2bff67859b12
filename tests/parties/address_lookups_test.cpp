// The party's address codes against the geography tables of a fresh demo database: checks on
// leaving each code, normalised codes and their names, the clearing of the lower levels and the
// search lists.
#include "platform/host/dispatch.h"
#include "screen_fixture.h"

namespace ct::testing {
namespace {

class AddressLookups : public ScreenTest {
protected:
    // Budget 100, its first party being edited (Ana: 1058 / SP / 0001 / district 0000000001):
    // the address edits take input only while a party is being changed.
    TfrmContratante& form(bool editing = true) {
        if (!entered_) {
            enter("0001", "0000000100", "00");
            entered_ = true;
            if (editing) {
                EXPECT_TRUE(dispatch([this] { screen().sbtAlterar.click(); }));
            }
            dialogs.clear();
        }
        return screen();
    }
    Field& field(const char* name) { return screen().cdsEndeCont.fieldByName(name); }

private:
    bool entered_ = false;
};

TEST_F(AddressLookups, AnUnknownCountryIsRefusedOnLeavingAndKeepsTheFocus) {
    TfrmContratante& f = form();
    ASSERT_TRUE(f.userType(f.dbeCodPais, "9999"));
    EXPECT_EQ(f.cdsEndeCont.state(), DataSetState::Edit);
    EXPECT_FALSE(f.userFocus(f.dbeEndereco));
    EXPECT_EQ(lastMessage(), "País não cadastrado.");
    EXPECT_EQ(f.activeControl(), &f.dbeCodPais);
    EXPECT_EQ(f.cdsEndeCont.state(), DataSetState::Edit);
    EXPECT_EQ(field("CDPAIS").asString(), "9999");
}

TEST_F(AddressLookups, ShortCodesAreNormalisedAndNamed) {
    TfrmContratante& f = form();
    ASSERT_TRUE(f.userType(f.dbeEstado, "SP"));
    ASSERT_TRUE(f.userType(f.dbeCodMun, "2"));
    ASSERT_TRUE(f.userType(f.dbeCodBairro, "2"));
    ASSERT_TRUE(f.userFocus(f.dbeEndereco));
    EXPECT_EQ(dialogs.messageCount(), 0u) << lastMessage();
    EXPECT_EQ(field("CDMUNICIPIO").asString(), "0002");
    EXPECT_EQ(field("NMMUNICIPIO").asString(), "Campinas");
    EXPECT_EQ(f.debNmMun.text(), "Campinas");
    EXPECT_EQ(field("CDBAIRRO").asString(), "0000000002");
    EXPECT_EQ(field("NMBAIRRO").asString(), "Barão Geraldo");
    EXPECT_EQ(f.dbeNmBairro.text(), "Barão Geraldo");
}

TEST_F(AddressLookups, AStateTypedInLowerCaseIsUpperCaseAndClearsWhatLiesBelow) {
    TfrmContratante& f = form();
    ASSERT_EQ(field("CDBAIRRO").asString(), "0000000001");
    ASSERT_TRUE(f.userType(f.dbeEstado, "rj"));
    EXPECT_EQ(f.dbeEstado.text(), "RJ");
    for (const char* cleared : {"CDMUNICIPIO", "NMMUNICIPIO", "CDBAIRRO", "NMBAIRRO"})
        EXPECT_TRUE(field(cleared).isNull()) << cleared;
    EXPECT_EQ(field("CDPAIS").asString(), "1058");
    ASSERT_TRUE(f.userFocus(f.dbeCodMun));
    EXPECT_EQ(dialogs.messageCount(), 0u) << lastMessage();
    EXPECT_EQ(field("SGESTADO").asString(), "RJ");

    ASSERT_TRUE(f.userType(f.dbeCodMun, "1"));
    ASSERT_TRUE(f.userType(f.dbeCodBairro, "2"));
    ASSERT_TRUE(f.userFocus(f.dbeEndereco));
    EXPECT_EQ(field("NMMUNICIPIO").asString(), "Rio de Janeiro");
    EXPECT_EQ(field("NMBAIRRO").asString(), "Tijuca");

    // A new municipality clears the district only.
    ASSERT_TRUE(f.userType(f.dbeCodMun, "0002"));
    EXPECT_TRUE(field("CDBAIRRO").isNull());
    EXPECT_TRUE(field("NMBAIRRO").isNull());
    EXPECT_EQ(field("SGESTADO").asString(), "RJ");
}

TEST_F(AddressLookups, UnknownStateMunicipalityAndDistrictAreRefused) {
    TfrmContratante& f = form();
    ASSERT_TRUE(f.userType(f.dbeEstado, "XX"));
    EXPECT_FALSE(f.userFocus(f.dbeEndereco));
    EXPECT_EQ(lastMessage(), "Estado não cadastrado.");
    EXPECT_EQ(f.activeControl(), &f.dbeEstado);

    ASSERT_TRUE(f.userType(f.dbeEstado, "SP"));
    ASSERT_TRUE(f.userType(f.dbeCodMun, "9"));
    EXPECT_FALSE(f.userFocus(f.dbeEndereco));
    EXPECT_EQ(lastMessage(), "Município não cadastrado.");
    EXPECT_EQ(field("CDMUNICIPIO").asString(), "0009");
    EXPECT_EQ(f.activeControl(), &f.dbeCodMun);

    ASSERT_TRUE(f.userType(f.dbeCodMun, "1"));
    ASSERT_TRUE(f.userType(f.dbeCodBairro, "77"));
    EXPECT_FALSE(f.userFocus(f.dbeEndereco));
    EXPECT_EQ(lastMessage(), "Bairro não cadastrado.");
    EXPECT_EQ(f.activeControl(), &f.dbeCodBairro);
    EXPECT_EQ(field("CDBAIRRO").asString(), "0000000077");
}

TEST_F(AddressLookups, ABlankDistrictIsAcceptedAndLeftEmpty) {
    TfrmContratante& f = form();
    ASSERT_TRUE(f.userType(f.dbeCodBairro, ""));
    ASSERT_TRUE(f.userFocus(f.dbeEndereco));
    EXPECT_EQ(dialogs.messageCount(), 0u) << lastMessage();
    EXPECT_EQ(field("CDBAIRRO").asString(), "");
    EXPECT_EQ(field("NMBAIRRO").asString(), "");
    EXPECT_EQ(f.dbeNmBairro.text(), "");
}

TEST_F(AddressLookups, ErasingTheCountryClearsEveryLowerLevel) {
    TfrmContratante& f = form();
    ASSERT_TRUE(f.userType(f.dbeCodPais, ""));
    for (const char* cleared :
         {"NMPAIS", "SGESTADO", "CDMUNICIPIO", "NMMUNICIPIO", "CDBAIRRO", "NMBAIRRO"})
        EXPECT_TRUE(field(cleared).isNull()) << cleared;
    // Leaving it empty is not an error; the post is where a country is demanded.
    EXPECT_TRUE(f.userFocus(f.dbeEndereco));
    EXPECT_EQ(dialogs.messageCount(), 0u) << lastMessage();
}

TEST_F(AddressLookups, PickingACountryPutsABrowsedPartyInEditAndKeepsTheState) {
    TfrmContratante& f = form(false);
    ASSERT_EQ(f.cdsEndeCont.state(), DataSetState::Browse);
    dialogs.queuePick(1);
    EXPECT_TRUE(dispatch([&] { f.btnPais.click(); }));
    EXPECT_EQ(f.cdsEndeCont.state(), DataSetState::Edit);
    EXPECT_EQ(f.qryPais.param("P_TCDPAIS"), "T");
    EXPECT_EQ(field("CDPAIS").asString(), "1058");
    EXPECT_EQ(field("NMPAIS").asString(), "Brasil");
    EXPECT_EQ(field("SGESTADO").asString(), "SP");
    EXPECT_EQ(field("CDBAIRRO").asString(), "0000000001");
}

TEST_F(AddressLookups, TheListsFollowTheHigherLevels) {
    TfrmContratante& f = form();
    dialogs.queuePick(2); // RJ, SP in order: SP
    EXPECT_TRUE(dispatch([&] { f.btnEstado.click(); }));
    EXPECT_EQ(f.qryEstado.recordCount(), 2);
    EXPECT_EQ(field("SGESTADO").asString(), "SP");

    dialogs.queuePick(3); // three districts of São Paulo: Vila Mariana
    EXPECT_TRUE(dispatch([&] { f.btnBairro.click(); }));
    EXPECT_EQ(f.qryBairro.recordCount(), 3);
    EXPECT_EQ(field("CDBAIRRO").asString(), "0000000003");
    EXPECT_EQ(field("NMBAIRRO").asString(), "Vila Mariana");

    dialogs.queuePick(2); // Campinas
    EXPECT_TRUE(dispatch([&] { f.btnMunicipio.click(); }));
    EXPECT_EQ(field("CDMUNICIPIO").asString(), "0002");
    EXPECT_EQ(field("NMMUNICIPIO").asString(), "Campinas");
    EXPECT_EQ(field("CDBAIRRO").asString(), "");

    // Without a country the state list has nothing to show but its empty-list text.
    ASSERT_TRUE(f.userType(f.dbeCodPais, ""));
    dialogs.queuePick(0);
    EXPECT_TRUE(dispatch([&] { f.btnEstado.click(); }));
    EXPECT_EQ(f.qryEstado.param("P_CDPAIS"), "");
    EXPECT_EQ(f.qryEstado.recordCount(), 0);
    EXPECT_EQ(f.btnEstado.emptyError(), "Não há estado cadastrado.");
}

} // namespace
} // namespace ct::testing
