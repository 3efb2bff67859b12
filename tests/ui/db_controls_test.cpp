#include "platform/dataset/data_source.h"
#include "platform/dataset/dataset.h"
#include "platform/host/dispatch.h"
#include "platform/host/silent_abort.h"
#include "platform/ui/db_controls.h"
#include "platform/ui/form.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ct {
namespace {

std::vector<FieldDef> partyFields() {
    FieldDef value = FieldDef::number("VRRECECONTOREV", "Vr. Cobrado");
    value.displayFormat = "#,##0.00";
    value.editFormat = "0.00";
    return {FieldDef::string("NMFANTCLIE", 50, "Nome do Contratante"),
            FieldDef::string("SGESTADO", 2), value, FieldDef::string("IDMESVENCONOREV", 10)};
}

struct PartyForm : Form {
    DataSet cdsEndeCont{"cdsEndeCont", partyFields()};
    DataSource dtsPadrao{&cdsEndeCont};
    DBEdit dbeNome{*this, "dbeNome", &dtsPadrao, "NMFANTCLIE"};
    DBEdit dbeEstado{*this, "dbeEstado", &dtsPadrao, "SGESTADO"};
    DBEdit dbeValor{*this, "dbeValor", &dtsPadrao, "VRRECECONTOREV"};
    DBCheckBox dckProxMes{*this, "dckProxMes", &dtsPadrao, "IDMESVENCONOREV", "PROXIMO", "ATUAL"};
    DBText dbtNome{*this, "dbtNome", &dtsPadrao, "NMFANTCLIE"};
    Edit edtOther{*this, "edtOther"};

    PartyForm()
        : Form("frmParty") {
        cdsEndeCont.createDataSet();
        cdsEndeCont.appendRecord({"Ana", "SP", 1500.0, "ATUAL"});
        cdsEndeCont.appendRecord({"Bia", "RJ", nullptr, "PROXIMO"});
        cdsEndeCont.mergeChangeLog();
        cdsEndeCont.first();
    }
};

TEST(DataAwareEdits, ShowTheCurrentRow) {
    PartyForm f;
    EXPECT_EQ(f.dbeNome.text(), "Ana");
    EXPECT_EQ(f.dbeValor.text(), "1.500,00"); // display text while not focused
    EXPECT_EQ(f.dbtNome.text(), "Ana");
    EXPECT_FALSE(f.dckProxMes.checked());
    f.cdsEndeCont.next();
    EXPECT_EQ(f.dbeNome.text(), "Bia");
    EXPECT_EQ(f.dbeValor.text(), "");
    EXPECT_TRUE(f.dckProxMes.checked());
    EXPECT_EQ(f.dbeEstado.maxLength(), 2); // from the field's size
}

TEST(DataAwareEdits, TypingPutsTheDataSetIntoEditAndLeavingWritesTheField) {
    PartyForm f;
    std::vector<std::string> changes;
    f.dbeNome.onChange = [&] { changes.push_back(f.dbeNome.text()); };
    ASSERT_TRUE(f.userFocus(f.dbeNome));
    EXPECT_EQ(f.cdsEndeCont.state(), DataSetState::Browse);
    f.dbeNome.selectAll();
    f.userChar(U'C');
    EXPECT_EQ(f.cdsEndeCont.state(), DataSetState::Edit);
    f.userChar(U'é');
    // Until the user leaves, the edit shows what was typed and the field keeps its value.
    EXPECT_EQ(f.dbeNome.text(), "Cé");
    EXPECT_EQ(f.cdsEndeCont.fieldByName("NMFANTCLIE").asString(), "Ana");
    EXPECT_TRUE(f.dbeNome.modified());
    ASSERT_TRUE(f.userFocus(f.edtOther));
    EXPECT_EQ(f.cdsEndeCont.fieldByName("NMFANTCLIE").asString(), "Cé");
    EXPECT_EQ(f.dbtNome.text(), "Cé");
    EXPECT_EQ(changes, (std::vector<std::string>{"C", "Cé"}));
    // A change coming from the field runs the change handler too.
    f.cdsEndeCont.fieldByName("NMFANTCLIE").setAsString("Dora");
    EXPECT_EQ(f.dbeNome.text(), "Dora");
    EXPECT_EQ(changes.back(), "Dora");
}

TEST(DataAwareEdits, PostTakesTheTypedTextFirst) {
    PartyForm f;
    f.userType(f.dbeEstado, "MG");
    EXPECT_EQ(f.activeControl(), &f.dbeEstado);
    f.cdsEndeCont.post();
    EXPECT_EQ(f.cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(f.cdsEndeCont.fieldByName("SGESTADO").asString(), "MG");
    EXPECT_FALSE(f.dbeEstado.modified());
}

TEST(DataAwareEdits, RefusedTextKeepsTheFocusAndTheTyping) {
    PartyForm f;
    std::vector<std::string> errors;
    ErrorDisplay previous = setErrorDisplay([&](const std::string& t) { errors.push_back(t); });
    f.userFocus(f.dbeValor);
    EXPECT_EQ(f.dbeValor.text(), "1500,00"); // edit text while focused
    f.userType(f.dbeValor, "12x");
    EXPECT_FALSE(f.userFocus(f.edtOther));
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(f.activeControl(), &f.dbeValor);
    EXPECT_EQ(f.dbeValor.text(), "12x");
    EXPECT_DOUBLE_EQ(f.cdsEndeCont.fieldByName("VRRECECONTOREV").asFloat(), 1500);
    f.userType(f.dbeValor, "1,2");
    EXPECT_TRUE(f.userFocus(f.edtOther));
    EXPECT_DOUBLE_EQ(f.cdsEndeCont.fieldByName("VRRECECONTOREV").asFloat(), 1.2);
    EXPECT_EQ(f.dbeValor.text(), "1,20");
    setErrorDisplay(previous);
}

TEST(DataAwareEdits, EscapeBringsTheFieldBack) {
    PartyForm f;
    f.userType(f.dbeNome, "Zé");
    f.userKey(keyEscape);
    EXPECT_EQ(f.dbeNome.text(), "Ana");
    EXPECT_FALSE(f.dbeNome.modified());
    f.userFocus(f.edtOther);
    EXPECT_EQ(f.cdsEndeCont.fieldByName("NMFANTCLIE").asString(), "Ana");
}

TEST(DataAwareEdits, TypingIntoAnEmptySetStartsAnInsert) {
    PartyForm f;
    f.cdsEndeCont.createDataSet();
    int inserts = 0;
    f.cdsEndeCont.afterInsert = [&](DataSet&) { ++inserts; };
    f.userType(f.dbeNome, "Nova");
    EXPECT_EQ(f.cdsEndeCont.state(), DataSetState::Insert);
    EXPECT_EQ(inserts, 1);
    f.userFocus(f.edtOther);
    EXPECT_EQ(f.cdsEndeCont.fieldByName("NMFANTCLIE").asString(), "Nova");
}

TEST(DataAwareEdits, ReadOnlyFieldOrClosedSetTakesNoTyping) {
    PartyForm f;
    f.cdsEndeCont.fieldByName("NMFANTCLIE").setReadOnly(true);
    f.userType(f.dbeNome, "X");
    EXPECT_EQ(f.dbeNome.text(), "Ana");
    EXPECT_EQ(f.cdsEndeCont.state(), DataSetState::Browse);
    f.cdsEndeCont.close();
    EXPECT_EQ(f.dbeNome.text(), "");
    f.userType(f.dbeEstado, "X");
    EXPECT_EQ(f.dbeEstado.text(), "");
}

TEST(DataAwareCheckBox, ClickWritesTheCheckedAndUncheckedValues) {
    PartyForm f;
    EXPECT_TRUE(f.userClick(f.dckProxMes));
    EXPECT_TRUE(f.dckProxMes.checked());
    EXPECT_EQ(f.cdsEndeCont.state(), DataSetState::Edit);
    EXPECT_EQ(f.cdsEndeCont.fieldByName("IDMESVENCONOREV").asString(), "PROXIMO");
    f.userKey(keySpace);
    EXPECT_FALSE(f.dckProxMes.checked());
    EXPECT_EQ(f.cdsEndeCont.fieldByName("IDMESVENCONOREV").asString(), "ATUAL");
    f.cdsEndeCont.cancel();
    EXPECT_FALSE(f.dckProxMes.checked());
    // The program's check changes only what is shown.
    f.dckProxMes.setChecked(true);
    EXPECT_EQ(f.cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(f.cdsEndeCont.fieldByName("IDMESVENCONOREV").asString(), "ATUAL");
    // A value that is neither shows unchecked.
    f.cdsEndeCont.edit();
    f.cdsEndeCont.fieldByName("IDMESVENCONOREV").setAsString("proximo");
    EXPECT_TRUE(f.dckProxMes.checked()); // compared without regard to case
    f.cdsEndeCont.fieldByName("IDMESVENCONOREV").setAsString("OUTRO");
    EXPECT_FALSE(f.dckProxMes.checked());
}

TEST(DataAwareCheckBox, RefusedEditLeavesItAsItWas) {
    PartyForm f;
    f.cdsEndeCont.beforeEdit = [](DataSet&) { throw SilentAbort(); };
    EXPECT_FALSE(f.userClick(f.dckProxMes));
    EXPECT_FALSE(f.dckProxMes.checked());
    EXPECT_EQ(f.cdsEndeCont.fieldByName("IDMESVENCONOREV").asString(), "ATUAL");
}

TEST(DataAwareEdits, FieldMaskShapesTypingAndStoresWithoutLiterals) {
    PartyForm f;
    f.cdsEndeCont.fieldByName("SGESTADO").setEditMask(">LL;0;_");
    f.userType(f.dbeEstado, "m9g");
    EXPECT_EQ(f.dbeEstado.text(), "MG");
    f.userFocus(f.edtOther);
    EXPECT_EQ(f.cdsEndeCont.fieldByName("SGESTADO").asString(), "MG");
}

TEST(Navigator, ButtonsFollowTheDataSet) {
    PartyForm f;
    DBNavigator& nav = f.make<DBNavigator>("dbnPadrao", &f.dtsPadrao);
    int notices = 0;
    ObserverScope watch(nav, [&](Control&, Property p) {
        if (p == Property::Data)
            ++notices;
    });
    EXPECT_FALSE(nav.buttonEnabled(NavButton::Prior));
    EXPECT_TRUE(nav.buttonEnabled(NavButton::Next));
    EXPECT_FALSE(nav.buttonEnabled(NavButton::Post));
    EXPECT_TRUE(nav.userClickButton(NavButton::Next));
    EXPECT_EQ(f.dbtNome.text(), "Bia");
    EXPECT_GT(notices, 0);
    EXPECT_TRUE(nav.userClickButton(NavButton::Edit));
    EXPECT_TRUE(nav.buttonEnabled(NavButton::Cancel));
    EXPECT_FALSE(nav.userClickButton(NavButton::First)); // not while editing
    EXPECT_TRUE(nav.userClickButton(NavButton::Cancel));
    EXPECT_EQ(f.cdsEndeCont.state(), DataSetState::Browse);
}

} // namespace
} // namespace ct
