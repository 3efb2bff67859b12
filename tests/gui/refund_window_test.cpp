// The refund account in the window: Ctrl+D opens the modal dialog over the screen, the values are
// typed and confirmed through Qt events, and the screen shows the refunded party after it closes.
#include "host/host_session.h"
#include "operations/refund_dialog.h"
#include "screen_window_fixture.h"
#include "server/db/database.h"
#include "server/db/sql.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

namespace ct::gui {
namespace {

using testing::activate;
using testing::DialogWatcher;

class RefundWindowTest : public testing::ScreenWindowFixture {
protected:
    // Budget 900's first party is cancelled and paid 800,00; the refund is taken back afterwards
    // so that the demo budget stays as it was loaded.
    void TearDown() override {
        if (frmContaDevolucao && frmContaDevolucao->isShowing())
            frmContaDevolucao->close();
        server::Database database(server::DatabaseUrl::parse(testing::demoSession().databaseUrl()),
                                  1);
        server::Database::Lease lease(database);
        lease.sql().exec("DELETE FROM CONTAREC WHERE NRORCAEVENTO = '0000000900' AND "
                         "IDTIPOCONTAREC = 'DEVOLUCAO'");
        lease.sql().exec("UPDATE ENDECONTORCA SET IDSITUCONTOREV = 'CANCELADO' WHERE "
                         "NRORCAEVENTO = '0000000900' AND NRENDCLIORCEVE = '0000000001'");
    }

    FormView* dialogView() const {
        return frmContaDevolucao ? existingView(frmContaDevolucao) : nullptr;
    }
    template <class T> T* inDialog(const char* name) const {
        T* found = dialogView()->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    DialogWatcher dialogs;
};

TEST_F(RefundWindowTest, CtrlDOpensTheDialogAndConfirmingRefundsTheParty) {
    enter("0001", "0000000900", "00", "PRQ20000");
    takeWindow();
    ASSERT_EQ(grid->model()->index(0, 5).data().toString(), "Cancelada");

    QTest::keyClick(grid, Qt::Key_D, Qt::ControlModifier);
    FormView* shown = dialogView();
    ASSERT_NE(shown, nullptr);
    ASSERT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->windowTitle(), QString::fromUtf8("Conta de Devolução"));
    EXPECT_EQ(shown->windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(shown->windowFlags().testFlag(Qt::Dialog));
    EXPECT_EQ(inDialog<QLabel>("lblVrDevolucao")->text(), QString::fromUtf8("Valor da Devolução"));
    EXPECT_EQ(inDialog<QLineEdit>("nedVrPago")->text(), "800,00");
    EXPECT_TRUE(inDialog<QLineEdit>("nedVrPago")->isReadOnly());
    activate(shown);

    QLineEdit* fine = inDialog<QLineEdit>("nedMulta");
    EXPECT_TRUE(fine->hasFocus());
    QTest::keyClicks(fine, "10");
    QTest::keyClick(fine, Qt::Key_Tab);
    QLineEdit* refund = inDialog<QLineEdit>("nedVrDevolucao");
    ASSERT_TRUE(refund->hasFocus());
    QTest::keyClicks(refund, "200,00");
    EXPECT_EQ(fine->text(), "10,00");
    QTest::mouseClick(inDialog<QToolButton>("sbtConfirma"), Qt::LeftButton);

    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();
    EXPECT_FALSE(frmContaDevolucao->isShowing());
    EXPECT_FALSE(shown->isVisible());
    EXPECT_DOUBLE_EQ(frmContaDevolucao->dbValor, 220.0);
    // The screen reloaded its parties when it became active again.
    EXPECT_EQ(grid->model()->index(0, 5).data().toString(), "Devolvido");
}

TEST_F(RefundWindowTest, NothingReceivedWhenTheDialogOpensDisablesItsConfirmation) {
    enter("0001", "0000001000", "00", "PRQ20000");
    takeWindow();
    // The command refuses such a party itself; the dialog asks the server again when created.
    CriaValorDevolucao();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0],
              QString::fromUtf8("Não há recebimento para o contratante selecionado."));
    ASSERT_NE(dialogView(), nullptr);
    EXPECT_TRUE(dialogView()->isVisible());
    EXPECT_FALSE(inDialog<QToolButton>("sbtConfirma")->isEnabled());
    EXPECT_TRUE(inDialog<QToolButton>("sbtCancel")->isEnabled());
    QTest::mouseClick(inDialog<QToolButton>("sbtCancel"), Qt::LeftButton);
    EXPECT_FALSE(frmContaDevolucao->isShowing());
    EXPECT_EQ(frmContaDevolucao->modalResult(), mrCancel);
}

} // namespace
} // namespace ct::gui
