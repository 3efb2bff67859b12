// The budget-wide commands in the window: toolbar, menu and shortcut reach them with their
// questions, and the close box runs the checks of "Sair" for the sibling screens.
#include "gui/form_view.h"
#include "gui_session.h"
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "screen_window_fixture.h"

#include <QAction>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace ct::gui {
namespace {

using testing::DialogWatcher;

class BudgetCommandsWindowTest : public testing::ScreenWindowFixture {
protected:
    void open(const char* branch, const char* budget, const char* origin) {
        enter(branch, budget, "00", origin);
        takeWindow();
    }
    // The same command from its toolbar button, its menu item and its shortcut, each answered No.
    void runEveryWay(const char* button, const char* item, Qt::Key shortcut) {
        dialogs.messages.clear();
        dialogs.answers = {QString::fromUtf8("Não"), QString::fromUtf8("Não"),
                           QString::fromUtf8("Não")};
        QTest::mouseClick(widget<QToolButton>(button), Qt::LeftButton);
        view->actionFor(&frmContratante->get(item))->trigger();
        QTest::keyClick(grid, shortcut, Qt::ControlModifier);
    }
    QString cell(int row, int column) const {
        return grid->model()->index(row, column).data().toString();
    }

    DialogWatcher dialogs;
};

TEST_F(BudgetCommandsWindowTest, CommandsAskFromToolbarMenuAndShortcut) {
    open("0002", "0000000600", "PRQ20000");
    runEveryWay("btnConvExtra", "mnuConvExtra", Qt::Key_E);
    ASSERT_EQ(dialogs.messages.size(), 3u);
    for (const QString& message : dialogs.messages)
        EXPECT_EQ(message, "Gerar conta para convidado extra?");

    open("0001", "0000000100", "PRQ20000");
    EXPECT_TRUE(widget<QToolButton>("btnCancelaCont")->isVisible());
    EXPECT_FALSE(widget<QToolButton>("btnCancelaCont")->isEnabled());
    // Carlos's check box.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(1, 0)).center());
    ASSERT_EQ(frmContratante->inCountMarcado, 1);
    EXPECT_TRUE(widget<QToolButton>("btnCancelaCont")->isEnabled());
    runEveryWay("btnCancelaCont", "mnuCancelaCont", Qt::Key_N);
    ASSERT_EQ(dialogs.messages.size(), 3u);
    for (const QString& message : dialogs.messages)
        EXPECT_EQ(message, QString::fromUtf8("As contas a receber em aberto do contratante serão "
                                             "excluídas. Deseja cancelar o contratante?"));
    EXPECT_EQ(cell(1, 5), QString::fromUtf8("Lançado"));

    // Releasing Ana and naming her again from the toolbar leaves the demo as it was.
    ASSERT_EQ(frmContratante->cdsLiderTurma.recordCount(), 1);
    QTest::keyClick(grid, Qt::Key_Up);
    ASSERT_EQ(frmContratante->cdsEndeCont.recNo(), 1);
    QTest::mouseClick(widget<QToolButton>("sbtTrocaRespCotas"), Qt::LeftButton);
    EXPECT_EQ(frmContratante->cdsLiderTurma.recordCount(), 0);
    EXPECT_TRUE(widget<QToolButton>("sbtRespCotas")->isEnabled());
    QTest::mouseClick(widget<QToolButton>("sbtRespCotas"), Qt::LeftButton);
    EXPECT_EQ(frmContratante->cdsLiderTurma.recordCount(), 1);
    EXPECT_EQ(frmContratante->cdsEndeCont.fieldByName("IDCONTRESPCOTAORCA").asString(), "S");
    EXPECT_EQ(dialogs.messages.size(), 3u);
}

TEST_F(BudgetCommandsWindowTest, TheCloseBoxChecksAsSairDoesAndEscNeverCloses) {
    dialogs.answers = {QString::fromUtf8("Não")}; // no client of the budget as its party
    open("0001", "0000000200", "PRQ20400");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    view->close();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1], "Contratante deve ser informado.");
    EXPECT_TRUE(view->isVisible());
    QTest::keyClick(grid, Qt::Key_Escape);
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(dialogs.messages.size(), 2u);

    // Complete parties: the company is stored and the window goes.
    open("0001", "0000000100", "PRQ20400");
    view->close();
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(frmContratante->isShowing());
}

} // namespace
} // namespace ct::gui
