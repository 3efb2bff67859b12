#include "platform/dataset/event_detach.h"
#include "platform/host/dispatch.h"
#include "platform/ui/buttons.h"
#include "platform/ui/edits.h"
#include "platform/ui/form.h"
#include "platform/ui/pages.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace ct {
namespace {

struct PaymentPanel : Form {
    GroupBox grbParamForma{*this, "grbParamForma"};
    RadioButton rbtAvista{grbParamForma, "rbtAvista", "Sem Forma de Pagto"};
    RadioButton rbtDiaFixo{grbParamForma, "rbtDiaFixo", "Pagar Fixo no Dia"};
    RadioButton rbtFormaVar{grbParamForma, "rbtFormaVar", "Pela Forma de Pagamento"};
    SpinEdit speDiaPagto{grbParamForma, "speDiaPagto", 1, 31};
    GroupBox grbOther{*this, "grbOther"};
    RadioButton rbtOther{grbOther, "rbtOther"};
    std::vector<std::string> clicks;

    PaymentPanel()
        : Form("frmPayment") {
        for (RadioButton* r : {&rbtAvista, &rbtDiaFixo, &rbtFormaVar, &rbtOther})
            r->onClick = [this, r] {
                // The handler sees its group already settled.
                int checked = 0;
                for (RadioButton* s : {&rbtAvista, &rbtDiaFixo, &rbtFormaVar})
                    checked += s->checked() ? 1 : 0;
                clicks.push_back(r->name() + "/" + std::to_string(checked));
            };
    }
};

TEST(RadioButtons, ExclusiveWithinTheirGroupAndHandlersRunWhenChecked) {
    PaymentPanel f;
    f.rbtAvista.setChecked(true);
    f.rbtOther.setChecked(true); // another group: rbtAvista stays
    EXPECT_TRUE(f.rbtAvista.checked());
    EXPECT_TRUE(f.userClick(f.rbtDiaFixo));
    EXPECT_FALSE(f.rbtAvista.checked());
    EXPECT_TRUE(f.rbtDiaFixo.checked());
    EXPECT_EQ(f.activeControl(), &f.rbtDiaFixo);
    // A click on the checked button, or unchecking by the program, runs nothing.
    f.userClick(f.rbtDiaFixo);
    f.rbtDiaFixo.setChecked(false);
    EXPECT_EQ(f.clicks, (std::vector<std::string>{"rbtAvista/1", "rbtOther/1", "rbtDiaFixo/1"}));
}

TEST(RadioButtons, DetachedHandlersDoNotRunAndComeBackOnEveryPath) {
    PaymentPanel f;
    {
        EventDetach a(f.rbtAvista.onClick);
        EventDetach b(f.rbtFormaVar.onClick);
        f.rbtFormaVar.setChecked(true);
        f.rbtAvista.setChecked(true);
        EXPECT_FALSE(f.rbtFormaVar.checked());
    }
    EXPECT_TRUE(f.clicks.empty());
    try {
        EventDetach g(f.rbtFormaVar.onClick);
        throw std::runtime_error("failure while detached");
    } catch (const std::runtime_error&) {
    }
    f.rbtFormaVar.setChecked(true);
    EXPECT_EQ(f.clicks, (std::vector<std::string>{"rbtFormaVar/1"}));
}

TEST(CheckBoxes, ToggleByClickAndRunTheHandlerOnEveryChange) {
    PaymentPanel f;
    CheckBox& chk = f.grbOther.make<CheckBox>("chkFlag", "Flag");
    int changes = 0;
    chk.onClick = [&] { ++changes; };
    chk.setChecked(true);
    chk.setChecked(true);
    EXPECT_EQ(changes, 1);
    f.userClick(chk);
    EXPECT_FALSE(chk.checked());
    chk.setReadOnly(true);
    f.userClick(chk);
    EXPECT_FALSE(chk.checked());
    EXPECT_EQ(changes, 2);
}

struct EditForm : Form {
    Edit edtNrOrcamento{*this, "edtNrOrcamento"};
    MaskEdit medCdFilial{*this, "medCdFilial"};
    NumberEdit nedQtParcela{*this, "nedQtParcela"};
    NumberEdit nedVrReali{*this, "nedVrReali", 2};
    SpinEdit speNrParcelas{*this, "speNrParcelas", 1, 99};
    EditForm()
        : Form("frmEdits") {}
};

TEST(Edits, TypingHonoursMaximumLengthCaseAndKeyHandlers) {
    EditForm f;
    f.edtNrOrcamento.setMaxLength(10);
    f.edtNrOrcamento.setCharCase(CharCase::Upper);
    std::vector<std::string> seen;
    f.edtNrOrcamento.onChange = [&] { seen.push_back(f.edtNrOrcamento.text()); };
    f.edtNrOrcamento.onKeyPress = [](char32_t& key) {
        if (key == U'x')
            key = 0; // refused
    };
    EXPECT_TRUE(f.userType(f.edtNrOrcamento, "abxçã"));
    EXPECT_EQ(f.edtNrOrcamento.text(), "ABÇÃ");
    EXPECT_EQ(seen, (std::vector<std::string>{"A", "AB", "ABÇ", "ABÇÃ"}));
    EXPECT_TRUE(f.userType(f.edtNrOrcamento, "123456789012"));
    EXPECT_EQ(f.edtNrOrcamento.text(), "1234567890");
    f.userKey(keyBackspace);
    EXPECT_EQ(f.edtNrOrcamento.text(), "123456789");
    // The program's text is not cut, and its change runs the handler too.
    seen.clear();
    f.edtNrOrcamento.setText("0000000100x");
    EXPECT_EQ(f.edtNrOrcamento.text(), "0000000100X");
    EXPECT_EQ(seen, (std::vector<std::string>{"0000000100X"}));
    // Typing "" just clears.
    f.userType(f.edtNrOrcamento, "");
    EXPECT_EQ(f.edtNrOrcamento.text(), "");
    // Read-only edits take no typing.
    f.edtNrOrcamento.setReadOnly(true);
    f.userType(f.edtNrOrcamento, "9");
    EXPECT_EQ(f.edtNrOrcamento.text(), "");
}

TEST(Edits, MaskAcceptsOnlyWhatFitsAndInsertsLiterals) {
    EditForm f;
    f.medCdFilial.setEditMask("999.999.999-99;0;_");
    f.userType(f.medCdFilial, "12a3456789012345");
    EXPECT_EQ(f.medCdFilial.text(), "123.456.789-01");
    f.userKey(keyBackspace);
    f.userKey(keyBackspace);
    EXPECT_EQ(f.medCdFilial.text(), "123.456.789");
    f.userChar(U'5');
    EXPECT_EQ(f.medCdFilial.text(), "123.456.789-5");
    EXPECT_EQ(f.medCdFilial.maskedValue(), "1234567895"); // ";0": stored without literals
    f.medCdFilial.setEditMask(">LL;0;_");
    f.userType(f.medCdFilial, "s1p");
    EXPECT_EQ(f.medCdFilial.text(), "SP");
}

TEST(Edits, SpinEditClampsTypingButNotTheProgram) {
    EditForm f;
    EXPECT_EQ(f.speNrParcelas.value(), 1);
    int changes = 0;
    f.speNrParcelas.onChange = [&] { ++changes; };
    f.speNrParcelas.setValue(150); // the program's value stands
    EXPECT_EQ(f.speNrParcelas.value(), 150);
    EXPECT_EQ(f.speNrParcelas.text(), "150");
    EXPECT_EQ(changes, 1);
    f.speNrParcelas.setMaxLength(2);
    f.userType(f.speNrParcelas, "7x5");
    EXPECT_EQ(f.speNrParcelas.text(), "75");
    EXPECT_EQ(f.speNrParcelas.value(), 75);
    f.userType(f.speNrParcelas, "0");
    EXPECT_EQ(f.speNrParcelas.value(), 1); // typed 0 counts as the minimum
    f.userFocus(f.edtNrOrcamento);
    EXPECT_EQ(f.speNrParcelas.text(), "1"); // shown clamped once left
    f.speNrParcelas.setValue(99);
    f.userFocus(f.speNrParcelas);
    f.userKey(keyArrowUp);
    EXPECT_EQ(f.speNrParcelas.value(), 99);
    f.userKey(keyArrowDown);
    EXPECT_EQ(f.speNrParcelas.value(), 98);
}

TEST(Edits, NumberEditReadsTypedTextAndFormatsWhenLeft) {
    EditForm f;
    f.nedVrReali.setDisplayFormat("#,##0.00");
    f.nedVrReali.setNumber(1234.5);
    EXPECT_EQ(f.nedVrReali.text(), "1.234,50");
    f.nedVrReali.setNumber(-5);
    EXPECT_DOUBLE_EQ(f.nedVrReali.number(), -5);
    f.userType(f.nedQtParcela, "1,2a3");
    EXPECT_EQ(f.nedQtParcela.text(), "123"); // no decimals: the comma is refused
    EXPECT_DOUBLE_EQ(f.nedQtParcela.number(), 123);
    f.userType(f.nedVrReali, "-12,3,4");
    EXPECT_EQ(f.nedVrReali.text(), "-12,34");
    EXPECT_DOUBLE_EQ(f.nedVrReali.number(), -12.34);
    f.nedVrReali.setRange(0.0, 1000.0);
    f.userType(f.nedVrReali, "5000");
    EXPECT_DOUBLE_EQ(f.nedVrReali.number(), 1000);
    f.userFocus(f.edtNrOrcamento);
    EXPECT_EQ(f.nedVrReali.text(), "1.000,00");
    f.nedVrReali.setNumber(5000); // the program is not clamped
    EXPECT_DOUBLE_EQ(f.nedVrReali.number(), 5000);
}

TEST(Containers, SetChildEnabledReachesEveryControlInside) {
    PaymentPanel f;
    SetChildEnabled(f.grbParamForma, false);
    EXPECT_FALSE(f.grbParamForma.enabled());
    for (Control* c : f.grbParamForma.descendants())
        EXPECT_FALSE(c->enabled()) << c->name();
    EXPECT_TRUE(f.rbtOther.enabled());
    SetChildEnabled(f.grbParamForma, true);
    EXPECT_TRUE(f.speDiaPagto.enabled());
    EXPECT_TRUE(f.speDiaPagto.enabledInChain());
    // On a single control it sets that control.
    SetChildEnabled(f.rbtFormaVar, false);
    EXPECT_FALSE(f.rbtFormaVar.enabled());
    EXPECT_TRUE(f.rbtAvista.enabled());
}

TEST(Containers, OnlyTheActivePageShowsItsControls) {
    Form f("frmPages");
    PageControl& pgc = f.make<PageControl>("pgcPadrao");
    TabSheet& one = pgc.make<TabSheet>("tbsOne");
    TabSheet& two = pgc.make<TabSheet>("tbsTwo");
    Edit& onOne = one.make<Edit>("edtOne");
    Edit& onTwo = two.make<Edit>("edtTwo");
    EXPECT_EQ(pgc.activePage(), &one);
    EXPECT_TRUE(onOne.canFocus());
    EXPECT_FALSE(onTwo.canFocus());
    bool allow = false;
    pgc.onChanging = [&](bool& ok) { ok = allow; };
    EXPECT_FALSE(pgc.selectPage(two));
    allow = true;
    EXPECT_TRUE(pgc.selectPage(two));
    EXPECT_EQ(pgc.activePageIndex(), 1);
    EXPECT_TRUE(f.setFocus(onTwo));
    EXPECT_THROW(pgc.setActivePageIndex(5), UiError);
}

} // namespace
} // namespace ct
