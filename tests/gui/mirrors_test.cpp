// Mirrors on a small form of their own: state shown both ways, focus kept where the form has it.
#include "gui/form_view.h"
#include "gui_session.h"
#include "platform/host/dialog_service.h"
#include "platform/host/silent_abort.h"
#include "platform/ui/buttons.h"
#include "platform/ui/container.h"
#include "platform/ui/edits.h"
#include "platform/ui/form.h"
#include "platform/ui/form_host.h"
#include "platform/ui/menu.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace ct::gui {
namespace {

// Shows a form and returns at once.
class StayingHost final : public FormHost {
public:
    void showModal(Form&) override {}
};

struct SampleForm : Form {
    MenuItem mnuArquivo{*this, "mnuArquivo", "&Arquivo"};
    MenuItem mnuLimpar{mnuArquivo, "mnuLimpar", "&Limpar", "Ctrl+K"};
    Panel panDados{*this, "panDados"};
    Label lblNome{panDados, "lblNome", "Nome"};
    Edit edtNome{panDados, "edtNome"};
    Edit edtCidade{panDados, "edtCidade"};
    NumberEdit nedValor{panDados, "nedValor", 2};
    CheckBox chkAtivo{panDados, "chkAtivo", "Ativo"};
    RadioButton rbtUm{panDados, "rbtUm", "Um"};
    RadioButton rbtDois{panDados, "rbtDois", "Dois"};
    SpeedButton sbtGravar{*this, "sbtGravar", "Gravar"};
    int saves = 0;
    int clears = 0;
    int changes = 0;
    int checkClicks = 0;
    bool closeAllowed = true;

    SampleForm()
        : Form("frmSample", "Amostra") {
        edtNome.setMaxLength(5);
        edtNome.onChange = [this] { ++changes; };
        // Leaving the name with "erro" in it is refused, as a failed check does.
        edtNome.onExit = [this] {
            if (edtNome.text() == "erro")
                throw SilentAbort();
        };
        sbtGravar.onClick = [this] { ++saves; };
        mnuLimpar.onClick = [this] {
            ++clears;
            edtCidade.clear();
        };
        chkAtivo.onClick = [this] { ++checkClicks; };
        onCloseQuery = [this](bool& canClose) { canClose = closeAllowed; };
    }
};

class MirrorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensureApplication();
        form.showModal();
        view = std::make_unique<FormView>(form);
        view->build();
        view->show();
        testing::activate(view.get());
        ASSERT_EQ(QApplication::activeWindow(), view.get());
        ASSERT_TRUE(form.userFocus(form.edtNome));
        view->syncFocus();
    }
    void TearDown() override {
        view.reset();
        form.closeAllowed = true;
        form.close();
    }

    template <class T> T* widget(const char* name) const {
        T* found = view->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    StayingHost host;
    ScopedFormHost hostGuard{host};
    SampleForm form;
    std::unique_ptr<FormView> view;
};

TEST_F(MirrorsTest, WidgetsShowTheControlsStateAsItChanges) {
    auto* city = widget<QLineEdit>("edtCidade");
    form.edtCidade.setText("Campinas");
    EXPECT_EQ(city->text(), "Campinas");
    form.edtCidade.setEnabled(false);
    EXPECT_FALSE(city->isEnabled());
    form.panDados.setEnabled(false);
    EXPECT_FALSE(widget<QLineEdit>("edtNome")->isEnabled());
    form.panDados.setEnabled(true);
    form.edtCidade.setReadOnly(true);
    EXPECT_TRUE(city->isReadOnly());
    form.edtCidade.setVisible(false);
    EXPECT_FALSE(city->isVisible());
    form.chkAtivo.setChecked(true);
    EXPECT_TRUE(widget<QCheckBox>("chkAtivo")->isChecked());
    form.lblNome.setText("Nome completo");
    EXPECT_EQ(widget<QLabel>("lblNome")->text(), "Nome completo");
    form.nedValor.setNumber(1234.5);
    EXPECT_EQ(widget<QLineEdit>("nedValor")->text(), "1.234,50");
    form.setText("Outra");
    EXPECT_EQ(view->windowTitle(), "Outra");
}

TEST_F(MirrorsTest, TypingGoesToTheControlWhichDecidesWhatIsShown) {
    auto* name = widget<QLineEdit>("edtNome");
    QTest::keyClicks(name, "Joaquim");
    // The control's maximum length holds, whatever Qt would have allowed.
    EXPECT_EQ(form.edtNome.text(), "Joaqu");
    EXPECT_EQ(name->text(), "Joaqu");
    EXPECT_EQ(form.changes, 5);
    QTest::keyClick(name, Qt::Key_Backspace);
    EXPECT_EQ(form.edtNome.text(), "Joaq");
    EXPECT_EQ(name->text(), "Joaq");
    // The number edit takes only what a number may hold.
    auto* value = widget<QLineEdit>("nedValor");
    QTest::mouseClick(value, Qt::LeftButton);
    form.nedValor.selectAll();
    QTest::keyClicks(value, "12a,5");
    EXPECT_EQ(form.nedValor.text(), "12,5");
}

TEST_F(MirrorsTest, ARefusedFocusMovePutsTheFocusBack) {
    auto* name = widget<QLineEdit>("edtNome");
    auto* city = widget<QLineEdit>("edtCidade");
    QTest::keyClicks(name, "erro");
    QTest::mouseClick(city, Qt::LeftButton);
    EXPECT_EQ(form.activeControl(), &form.edtNome);
    EXPECT_EQ(QApplication::focusWidget(), name);
    QTest::keyClick(name, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), name);

    QTest::keyClick(name, Qt::Key_Backspace);
    QTest::mouseClick(city, Qt::LeftButton);
    EXPECT_EQ(form.activeControl(), &form.edtCidade);
    EXPECT_EQ(QApplication::focusWidget(), city);
    // Tab goes where the form says, and so do the program's moves.
    QTest::keyClick(city, Qt::Key_Tab);
    EXPECT_EQ(form.activeControl(), &form.nedValor);
    EXPECT_EQ(QApplication::focusWidget(), widget<QLineEdit>("nedValor"));
    form.setFocus(form.edtNome);
    EXPECT_EQ(QApplication::focusWidget(), name);
}

TEST_F(MirrorsTest, ClicksReachTheControlsOnce) {
    auto* check = widget<QCheckBox>("chkAtivo");
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_TRUE(form.chkAtivo.checked());
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(form.checkClicks, 1);
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_FALSE(form.chkAtivo.checked());
    EXPECT_FALSE(check->isChecked());
    // A read-only check box stays as it is, in the control and on the screen.
    form.chkAtivo.setReadOnly(true);
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_FALSE(form.chkAtivo.checked());
    EXPECT_FALSE(check->isChecked());

    QTest::mouseClick(widget<QRadioButton>("rbtUm"), Qt::LeftButton);
    QTest::mouseClick(widget<QRadioButton>("rbtDois"), Qt::LeftButton);
    EXPECT_FALSE(form.rbtUm.checked());
    EXPECT_TRUE(form.rbtDois.checked());
    EXPECT_FALSE(widget<QRadioButton>("rbtUm")->isChecked());
    EXPECT_TRUE(widget<QRadioButton>("rbtDois")->isChecked());

    // A toolbar button runs its handler and leaves the focus where it was.
    form.setFocus(form.edtCidade);
    auto* save = widget<QToolButton>("sbtGravar");
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(form.saves, 1);
    EXPECT_EQ(form.activeControl(), &form.edtCidade);
    form.sbtGravar.setEnabled(false);
    EXPECT_FALSE(save->isEnabled());
}

TEST_F(MirrorsTest, MenuItemsRunByClickAndByShortcut) {
    auto* clear = widget<QAction>("mnuLimpar");
    EXPECT_EQ(clear->text(), "&Limpar\tCtrl+K");
    form.edtCidade.setText("Campinas");
    clear->trigger();
    EXPECT_EQ(form.clears, 1);
    EXPECT_EQ(widget<QLineEdit>("edtCidade")->text(), "");

    auto* name = widget<QLineEdit>("edtNome");
    QTest::keyClick(name, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(form.clears, 2);
    EXPECT_EQ(form.edtNome.text(), ""); // the shortcut typed nothing
    form.mnuLimpar.setEnabled(false);
    EXPECT_FALSE(clear->isEnabled());
    QTest::keyClick(name, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(form.clears, 2);
}

TEST_F(MirrorsTest, ClosingTheWindowAsksTheForm) {
    form.closeAllowed = false;
    view->close();
    EXPECT_TRUE(form.isShowing());
    EXPECT_TRUE(view->isVisible());
    form.closeAllowed = true;
    view->close();
    EXPECT_FALSE(form.isShowing());
    EXPECT_FALSE(view->isVisible());
}

} // namespace
} // namespace ct::gui
