// The installments in the window on the demo budget: a plan generated from the payment panel,
// a due date typed into the installments grid, and the deletion question.
#include "gui_session.h"
#include "host/host_session.h"
#include "platform/dataset/date_time.h"
#include "platform/dataset/format.h"
#include "screen_window_fixture.h"
#include "server/db/database.h"
#include "server/db/sql.h"

#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace ct::gui {
namespace {

using testing::DialogWatcher;

constexpr const char* marianasPlan = "CDFILIAL = '0001' AND NRORCAEVENTO = '0000000100' AND "
                                     "NRSEQORCAEVE = '00' AND NRENDCLIORCEVE = '0000000003'";

// Mariana's plan as the embedded server stores it, read and put back behind the screen.
class StoredPlan {
public:
    StoredPlan()
        : database_(server::DatabaseUrl::parse(testing::demoSession().databaseUrl()), 1) {}

    server::ResultSet rows() {
        server::Database::Lease lease(database_);
        return lease.sql().query(std::string("SELECT QTDIAFORMAPGCON, DTVENCPARCCONT, "
                                             "VRPARCELACONT FROM FORMAPAGTOCONT WHERE ") +
                                 marianasPlan + " ORDER BY QTDIAFORMAPGCON");
    }
    // The demo's three installments again, for the other window tests.
    void restoreDemo() {
        server::Database::Lease lease(database_);
        server::Transaction transaction(lease.sql(), true);
        lease.sql().exec(std::string("DELETE FROM FORMAPAGTOCONT WHERE ") + marianasPlan);
        const struct {
            int days;
            double percent;
            const char* due;
            double value;
            const char* note;
        } demo[] = {{30, 33.33325, "2027-02-15T00:00:00", 1333.33, "Entrada"},
                    {60, 33.33325, "2027-03-17T00:00:00", 1333.33, nullptr},
                    {90, 33.33, "2027-04-16T00:00:00", 1333.34, "Quitação"}};
        for (const auto& row : demo)
            lease.sql().exec(
                "INSERT INTO FORMAPAGTOCONT (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
                "QTDIAFORMAPGCON, VRPEFORMAPGCON, DTVENCPARCCONT, VRPARCELACONT, DSOBSPARCCONT) "
                "VALUES ('0001', '0000000100', '00', '0000000003', :d, :p, :v, :vr, :o)",
                {{"d", row.days},
                 {"p", row.percent},
                 {"v", std::string(row.due)},
                 {"vr", row.value},
                 {"o", row.note ? server::SqlValue{std::string(row.note)} : server::SqlValue{}}});
        transaction.commit();
    }

private:
    server::Database database_;
};

class InstallmentWindowTest : public testing::ScreenWindowFixture {
protected:
    void SetUp() override {
        enter("0001", "0000000100", "00", "PRQ20000");
        takeWindow();
        installments = widget<QTableView>("dbgFormPgto");
        ASSERT_NE(installments, nullptr);
    }
    void TearDown() override {
        if (frmContratante && frmContratante->cdsEndeCont.editing())
            frmContratante->cdsEndeCont.cancel();
        stored.restoreDemo();
    }

    static QString cellOf(QTableView* table, int row, int column) {
        return table->model()->index(row, column).data().toString();
    }
    static void clickCell(QTableView* table, int row, int column) {
        const QRect cell = table->visualRect(table->model()->index(row, column));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void typeInto(const char* name, const QString& text) {
        QLineEdit* edit = widget<QLineEdit>(name);
        QTest::mouseClick(edit, Qt::LeftButton);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    static QString dateFromToday(int days) {
        return QString::fromStdString(formatDate(DateTime::today().addDays(days)));
    }

    QTableView* installments = nullptr;
    StoredPlan stored;
    DialogWatcher dialogs;
};

TEST_F(InstallmentWindowTest, APlanIsGeneratedAndADueDateTypedMovesItsDays) {
    TfrmContratante& screen = *frmContratante;
    clickCell(grid, 2, 2);
    ASSERT_EQ(cellOf(grid, 2, 2), "Mariana Alves Costa");
    ASSERT_EQ(screen.cdsEndeCont.fieldByName("NMFANTCLIE").asString(), "Mariana Alves Costa");
    ASSERT_EQ(installments->model()->rowCount(), 3);
    EXPECT_EQ(cellOf(installments, 0, 3), "1.333,33");
    EXPECT_EQ(cellOf(installments, 0, 2), "15/02/2027");

    typeInto("nedQtParcela", "4");
    typeInto("nedPrazo", "15");
    typeInto("edtObservacao", "Mensal");
    QTest::mouseClick(widget<QToolButton>("sbtGeraParc"), Qt::LeftButton);
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();
    ASSERT_EQ(installments->model()->rowCount(), 4);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(cellOf(installments, row, 0), QString::number(15 * (row + 1)));
        EXPECT_EQ(cellOf(installments, row, 1), "25,00 %");
        EXPECT_EQ(cellOf(installments, row, 2), dateFromToday(15 * (row + 1)));
        EXPECT_EQ(cellOf(installments, row, 3), "1.000,00");
        EXPECT_EQ(cellOf(installments, row, 4), "Mensal");
    }

    // A due date typed over the first one: leaving the cell gives its days.
    clickCell(installments, 0, 2);
    QTest::keyClicks(installments, dateFromToday(10));
    QTest::keyClick(installments, Qt::Key_Tab);
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();
    EXPECT_EQ(cellOf(installments, 0, 0), "10");
    EXPECT_EQ(cellOf(installments, 0, 2), dateFromToday(10));
    // Letters never reach the days.
    clickCell(installments, 1, 0);
    QTest::keyClicks(installments, "x2");
    EXPECT_EQ(cellOf(installments, 1, 0), "2");
    QTest::keyClick(installments, Qt::Key_Escape);
    EXPECT_EQ(cellOf(installments, 1, 0), "30");

    QTest::mouseClick(widget<QToolButton>("sbtConfirmar"), Qt::LeftButton);
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();
    EXPECT_EQ(screen.cdsEndeCont.state(), DataSetState::Browse);
    const server::ResultSet saved = stored.rows();
    ASSERT_EQ(saved.size(), 4u);
    EXPECT_EQ(saved.number(0, "QTDIAFORMAPGCON"), 10.0);
    EXPECT_EQ(saved.text(0, "DTVENCPARCCONT").substr(0, 10),
              DateTime::today().addDays(10).iso().substr(0, 10));
    EXPECT_EQ(saved.number(3, "VRPARCELACONT"), 1000.0);

    // Deleting asks first; "Não" keeps the installment.
    clickCell(installments, 1, 3);
    dialogs.answers.push_back(QString::fromUtf8("Não"));
    QTest::mouseClick(widget<QToolButton>("sbtExcluir"), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages.front().startsWith("Ao excluir a parcela"));
    EXPECT_EQ(installments->model()->rowCount(), 4);
    EXPECT_EQ(stored.rows().size(), 4u);
}

} // namespace
} // namespace ct::gui
