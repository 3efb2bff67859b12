// Ratear Valor in the window: Ctrl+R on demo budget 0000000800 shares the realised value between
// its two open parties, and the grid shows the new values once the command is done.
#include "screen_window_fixture.h"

#include <QLineEdit>
#include <QTest>

namespace ct::gui {
namespace {

class ApportionmentWindowTest : public testing::ScreenWindowFixture {};

TEST_F(ApportionmentWindowTest, CtrlRSharesTheRealisedValueAndTheGridShowsIt) {
    enter("0001", "0000000800", "00", "PRQ20000");
    takeWindow();
    testing::DialogWatcher dialogs;
    ASSERT_EQ(grid->model()->rowCount(), 3);
    auto cell = [&](int row, int column) {
        return grid->model()->index(row, column).data().toString();
    };
    frmContratante->cdsEndeCont.setRecNo(2); // Sofia Melo, open
    ASSERT_EQ(cell(1, 2), "Sofia Melo");
    ASSERT_EQ(cell(1, 4), "0,00");

    QTest::keyClick(grid, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();
    EXPECT_EQ(cell(0, 4), "1.200,00"); // Otávio Ramos, generated: untouched
    EXPECT_EQ(cell(1, 4), "500,00");
    EXPECT_EQ(cell(2, 4), "500,00");
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(widget<QLineEdit>("nedTotRateado")->text(), "2.200,00");
}

} // namespace
} // namespace ct::gui
