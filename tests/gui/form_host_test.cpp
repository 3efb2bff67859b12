// A dialog form shown modally through the Qt form host, laid out by the default layout.
#include "gui/form_view.h"
#include "gui/qt_form_host.h"
#include "gui/view_registry.h"
#include "gui_session.h"
#include "platform/ui/base_grid_form.h"
#include "platform/ui/edits.h"

#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace ct::gui {
namespace {

// A small dialog on the suite's base dialog: two labelled values.
struct RefundDialog : TfrmRotiGeral {
    Label lblMulta{grbDadosRel, "lblMulta", "Multa"};
    NumberEdit nedMulta{grbDadosRel, "nedMulta", 2};
    Label lblVrDevolucao{grbDadosRel, "lblVrDevolucao", "Valor da Devolução"};
    NumberEdit nedVrDevolucao{grbDadosRel, "nedVrDevolucao", 2};

    RefundDialog()
        : TfrmRotiGeral("frmDevolucaoTeste", "Conta de Devolução", "PRQ31001") {}
};

TEST(QtFormHost, ShowsTheFormModallyUntilItClosesAndThenDropsItsWindow) {
    testing::ensureApplication();
    QtFormHost host;
    ScopedFormHost guard(host);
    RefundDialog dialog;
    dialog.nedVrDevolucao.setNumber(200);

    QString title;
    QString labelOfValue;
    QString value;
    bool buttonFound = false;
    // While the modal loop runs: look at the window, type a fine and confirm.
    QTimer::singleShot(50, [&] {
        FormView* view = existingView(&dialog);
        ASSERT_NE(view, nullptr);
        title = view->windowTitle();
        auto* edit = view->findChild<QLineEdit*>("nedVrDevolucao");
        ASSERT_NE(edit, nullptr);
        value = edit->text();
        auto* layout =
            qobject_cast<QFormLayout*>(view->findChild<QWidget*>("grbDadosRel")->layout());
        ASSERT_NE(layout, nullptr);
        if (auto* label = qobject_cast<QLabel*>(layout->labelForField(edit)))
            labelOfValue = label->text();
        auto* fine = view->findChild<QLineEdit*>("nedMulta");
        QTest::mouseClick(fine, Qt::LeftButton);
        fine->selectAll(); // the user selects the whole text and types over it
        QTest::keyClicks(fine, "10");
        auto* confirm = view->findChild<QToolButton*>("sbtConfirma");
        buttonFound = confirm != nullptr;
        if (confirm)
            QTest::mouseClick(confirm, Qt::LeftButton);
    });
    // Whatever happens above, the loop ends.
    QTimer::singleShot(5000, [&dialog] { dialog.close(); });
    dialog.showModal();

    EXPECT_FALSE(dialog.isShowing());
    EXPECT_EQ(dialog.modalResult(), mrOk);
    EXPECT_TRUE(buttonFound);
    EXPECT_EQ(title, QString::fromUtf8("Conta de Devolução"));
    EXPECT_EQ(value, "200,00");
    EXPECT_EQ(labelOfValue, QString::fromUtf8("Valor da Devolução"));
    EXPECT_EQ(dialog.nedMulta.number(), 10.0);
    // The window went with the modal show.
    EXPECT_EQ(existingView(&dialog), nullptr);
}

} // namespace
} // namespace ct::gui
