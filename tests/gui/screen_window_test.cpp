// The Contratante window on the demo budget, driven through its Qt widgets.
#include "gui/form_view.h"
#include "gui/grid_model.h"
#include "gui/module_abi.h"
#include "gui/qt_form_host.h"
#include "gui/view_registry.h"
#include "gui_session.h"
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "platform/net/net_connection.h"
#include "screen_window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace ct::gui {
namespace {

using testing::activate;
using testing::DialogWatcher;
using testing::waitFor;

class ScreenWindowTest : public testing::ScreenWindowFixture {
protected:
    void SetUp() override {
        enter("0001", "0000000100", "00", "PRQ27500");
        takeWindow();
    }

    QString cell(int row, int column) const {
        return grid->model()->index(row, column).data().toString();
    }
    QAction* action(const char* name) const { return widget<QAction>(name); }

    DialogWatcher dialogs;
};

TEST_F(ScreenWindowTest, OpensOnTheDemoBudgetWithItsPartiesInBrazilianMoney) {
    EXPECT_EQ(view->windowTitle(), "Contratante");
    EXPECT_EQ(widget<QLabel>("lblCodTela")->text(), "PRQ31000");
    EXPECT_TRUE(dialogs.messages.empty());

    ASSERT_EQ(grid->model()->rowCount(), 3);
    ASSERT_EQ(grid->model()->columnCount(), 10);
    EXPECT_EQ(cell(0, 2), "Ana Beatriz Souza");
    EXPECT_EQ(cell(1, 2), "Carlos Eduardo Lima");
    EXPECT_EQ(cell(2, 2), "Mariana Alves Costa");
    EXPECT_EQ(cell(0, 4), "3.000,00");
    EXPECT_EQ(cell(1, 4), "3.500,00");
    EXPECT_EQ(cell(2, 4), "4.000,00");
    EXPECT_EQ(cell(0, 5), "Lançado");

    // Columns: titles from the fields' labels, the check-mark glyph, the widths of the grid.
    auto title = [this](int c) {
        return grid->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    };
    EXPECT_EQ(title(0), QString(QChar(0x2714)));
    EXPECT_EQ(title(1), "Inscrição");
    EXPECT_EQ(title(2), "Nome do Contratante");
    EXPECT_EQ(title(4), "Vr. Cobrado");
    EXPECT_EQ(title(5), "Situação");
    EXPECT_EQ(title(9), "Vr. Convi. Extra");
    // At least the grid's widths; wider where a title or an inscription needs it.
    EXPECT_GE(grid->columnWidth(0), 17);
    EXPECT_GE(grid->columnWidth(1), 109);
    EXPECT_EQ(grid->columnWidth(2), 261);
    EXPECT_EQ(grid->columnWidth(5), 79);

    EXPECT_EQ(widget<QLineEdit>("nedTotRateado")->text(), "10.500,00");
    EXPECT_EQ(widget<QLineEdit>("nedQtContratantes")->text(), "3");
    EXPECT_EQ(widget<QLineEdit>("nedVrReali")->text(), "12.000,00");
    EXPECT_EQ(widget<QLineEdit>("edtNmFilial")->text(), "São Paulo");
    // The address panel shows the current party.
    EXPECT_EQ(widget<QLineEdit>("dbeEndereco")->text(), "Rua dos Pinheiros, 120");
    EXPECT_EQ(widget<QLineEdit>("dbeEndereco")->palette().color(QPalette::Base),
              QColor(255, 255, 225));
    EXPECT_FALSE(widget<QLineEdit>("dbeNmPais")->isEnabled());

    QStringList labels;
    for (QLabel* label : widget<QWidget>("gpbDadosCont")->findChildren<QLabel*>())
        labels << label->text();
    for (const char* expected :
         {"Endereço", "Complemento", "País", "Estado", "Município", "Bairro", "CEP", "Tel/Ramal(1)",
          "Tel/Ramal(2)", "Residencial", "Celular", "Fax", "E-mail 1", "E-mail 2", "Contato",
          "Contratante Substituto"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(expected))) << expected;

    for (auto [name, shortcut] : {std::pair{"mnuRatear", "Ctrl+R"},
                                  {"mnuConvExtra", "Ctrl+E"},
                                  {"mnuDevolucao", "Ctrl+D"},
                                  {"mnuGerarConta", "Ctrl+G"},
                                  {"mnuCancelaCont", "Ctrl+N"}})
        EXPECT_TRUE(action(name)->text().endsWith(QStringLiteral("\t") + shortcut)) << name;
    EXPECT_EQ(widget<QToolButton>("btnRatear")->toolTip(), "Ratear Valor");
    EXPECT_EQ(widget<QToolButton>("btnDevolucao")->toolTip(), "Conta de Devolução");
    EXPECT_TRUE(widget<QLabel>("statusLine")->text().contains("registro 1 de 3"));
    EXPECT_EQ(QApplication::focusWidget(), grid);
}

TEST_F(ScreenWindowTest, UnknownBranchShowsItsMessageAndKeepsTheFocusInTheField) {
    auto* branch = widget<QLineEdit>("medCdFilial");
    QTest::mouseClick(branch, Qt::LeftButton);
    ASSERT_EQ(frmContratante->activeControl(), &frmContratante->medCdFilial);
    ASSERT_TRUE(waitFor([branch] { return QApplication::focusWidget() == branch; }));
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(branch, Qt::Key_Backspace);
    QTest::keyClicks(branch, "9999");
    EXPECT_EQ(branch->text(), "9999");
    EXPECT_EQ(frmContratante->medCdFilial.text(), "9999");

    QTest::mouseClick(widget<QLineEdit>("edtNrOrcamento"), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Filial não cadastrada.");
    EXPECT_EQ(frmContratante->activeControl(), &frmContratante->medCdFilial);
    EXPECT_TRUE(waitFor([branch] { return QApplication::focusWidget() == branch; }));

    // Tab is refused the same way.
    QTest::keyClick(branch, Qt::Key_Tab);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(frmContratante->activeControl(), &frmContratante->medCdFilial);
    EXPECT_TRUE(waitFor([branch] { return QApplication::focusWidget() == branch; }));
}

TEST_F(ScreenWindowTest, ToolbarMenuItemsAndShortcutsReachTheScreen) {
    int calls = 0;
    setServerCallObserver([&calls](const CallRecord&) { ++calls; });
    QTest::mouseClick(widget<QToolButton>("sbtVerificar"), Qt::LeftButton);
    setServerCallObserver({});
    EXPECT_GT(calls, 0); // the reload went to the server
    EXPECT_EQ(grid->model()->rowCount(), 3);

    ASSERT_TRUE(frmContratante->sbtIncluir.enabled());
    QTest::mouseClick(widget<QToolButton>("sbtIncluir"), Qt::LeftButton);
    EXPECT_EQ(frmContratante->cdsEndeCont.state(), DataSetState::Insert);
    EXPECT_EQ(grid->model()->rowCount(), 4);

    action("mnuCancelar")->trigger();
    EXPECT_EQ(frmContratante->cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(grid->model()->rowCount(), 3);

    // The base form's shortcuts: Ctrl+I inserts, Ctrl+Z cancels; the keys type nothing.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(frmContratante->cdsEndeCont.state(), DataSetState::Insert);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(frmContratante->cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ScreenWindowTest, GridKeysGoThroughTheScreensKeyHandlers) {
    std::vector<char32_t> seen;
    auto original = frmContratante->dbgPadrao.onKeyPress;
    frmContratante->dbgPadrao.onKeyPress = [&](char32_t& key) {
        seen.push_back(key);
        original(key);
    };
    const QModelIndex invitations = grid->model()->index(1, 3);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(invitations).center());
    EXPECT_EQ(frmContratante->cdsEndeCont.recNo(), 2);
    EXPECT_EQ(frmContratante->dbgPadrao.selectedIndex(), 3);
    QTest::keyClicks(grid, "42");
    frmContratante->dbgPadrao.onKeyPress = original;
    EXPECT_EQ(seen, (std::vector<char32_t>{U'4', U'2'}));
    EXPECT_EQ(cell(1, 3), "42");
    // The other rows still show while the party is edited.
    EXPECT_EQ(cell(0, 2), "Ana Beatriz Souza");
    EXPECT_EQ(cell(2, 4), "4.000,00");
    action("mnuCancelar")->trigger();
    EXPECT_EQ(frmContratante->cdsEndeCont.state(), DataSetState::Browse);
}

TEST_F(ScreenWindowTest, TheSearchListPicksARow) {
    dialogs.searches.push_back([](QWidget& dialog) {
        auto* filter = dialog.findChild<QLineEdit*>("filterBox");
        ASSERT_NE(filter, nullptr);
        QTest::keyClicks(filter, "Camp");
        QTest::keyClick(filter, Qt::Key_Return);
    });
    QTest::mouseClick(widget<QToolButton>("btnFilial"), Qt::LeftButton);
    EXPECT_EQ(dialogs.searchesSeen, 1);
    EXPECT_EQ(frmContratante->medCdFilial.text(), "0002");
    EXPECT_EQ(widget<QLineEdit>("medCdFilial")->text(), "0002");
    EXPECT_EQ(widget<QLineEdit>("edtNmFilial")->text(), "Campinas");
}

} // namespace
} // namespace ct::gui
