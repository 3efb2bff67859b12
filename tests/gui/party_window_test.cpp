// The party road in the window on the demo budget: a party added by typing into the grid, and
// the commands' enabled state as the toolbar, menus and shortcuts show it.
#include "gui/form_view.h"
#include "gui/module_abi.h"
#include "gui/qt_form_host.h"
#include "gui/view_registry.h"
#include "gui_session.h"
#include "host/host_session.h"
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "screen_window_fixture.h"
#include "server/db/database.h"
#include "server/db/sql.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <optional>

namespace ct::gui {
namespace {

using testing::activate;
using testing::DialogWatcher;

constexpr const char* branch = "0001";
constexpr const char* budget = "0000000100";
// A registered client (with a registered address) who is no party of the budget yet.
constexpr const char* newClientCode = "F45612378955";
constexpr const char* newInscription = "45612378955";

// The demo database as the embedded server stores it, read and put back behind the screen.
class StoredParties {
public:
    StoredParties()
        : database_(server::DatabaseUrl::parse(testing::demoSession().databaseUrl()), 1) {}

    server::ResultSet partiesOf(const std::string& client) {
        server::Database::Lease lease(database_);
        return lease.sql().query(
            "SELECT NRENDCLIORCEVE, NMFANTCLIE, DSENDECLIORE, CDPAIS, SGESTADO, CDMUNICIPIO, "
            "CDBAIRRO, VRRECECONTOREV, QTCONVCONTOREV, IDSITUCONTOREV FROM ENDECONTORCA "
            "WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND NRSEQORCAEVE = '00' AND "
            "CDCLIENCONTORCA = :cli",
            {{"fil", std::string(branch)}, {"orc", std::string(budget)}, {"cli", client}});
    }
    // A party of the client put in directly, as another user's screen would have saved it.
    void addParty(const std::string& client, const std::string& number, const std::string& name) {
        server::Database::Lease lease(database_);
        lease.sql().exec(
            "INSERT INTO ENDECONTORCA (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
            "CDCLIENTE, CDCLIENCONTORCA, NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE, IDSITUCONTOREV, "
            "IDFORMAPGCONT) VALUES (:fil, :orc, '00', :nr, :cli, :cli2, :ins, 'F', :nm, "
            "'LANCADO', 'E')",
            {{"fil", std::string(branch)},
             {"orc", std::string(budget)},
             {"nr", number},
             {"cli", client},
             {"cli2", client},
             {"ins", client.substr(1)},
             {"nm", name}});
    }
    long long counter() {
        server::Database::Lease lease(database_);
        return server::as_integer(
            lease.sql()
                .scalar("SELECT NRULTENDCLI FROM ORCACONTADOR WHERE CDFILIAL = :fil AND "
                        "NRORCAEVENTO = :orc",
                        {{"fil", std::string(branch)}, {"orc", std::string(budget)}})
                .value_or(server::SqlValue{}),
            -1);
    }
    // Takes the client's parties out again and puts the party counter back, so that the other
    // window tests find the demo budget as it was loaded.
    void removeParties(const std::string& client, long long counterBefore) {
        const server::ResultSet added = partiesOf(client);
        server::Database::Lease lease(database_);
        server::Transaction transaction(lease.sql(), true);
        for (std::size_t row = 0; row < added.size(); ++row) {
            const server::SqlParams key = {{"fil", std::string(branch)},
                                           {"orc", std::string(budget)},
                                           {"nr", added.text(row, "NRENDCLIORCEVE")}};
            lease.sql().exec("DELETE FROM FORMAPAGTOCONT WHERE CDFILIAL = :fil AND "
                             "NRORCAEVENTO = :orc AND NRENDCLIORCEVE = :nr",
                             key);
            lease.sql().exec("DELETE FROM ENDECONTORCA WHERE CDFILIAL = :fil AND "
                             "NRORCAEVENTO = :orc AND NRENDCLIORCEVE = :nr",
                             key);
        }
        lease.sql().exec(
            "UPDATE ORCACONTADOR SET NRULTENDCLI = :n WHERE CDFILIAL = :fil AND "
            "NRORCAEVENTO = :orc",
            {{"n", counterBefore}, {"fil", std::string(branch)}, {"orc", std::string(budget)}});
        transaction.commit();
    }

private:
    server::Database database_;
};

QString digitsOf(const QString& text) {
    QString digits;
    for (QChar c : text)
        if (c.isDigit())
            digits += c;
    return digits;
}

class PartyWindowTest : public testing::ScreenWindowFixture {
protected:
    void SetUp() override {
        counterBefore_ = stored.counter();
        ASSERT_GT(counterBefore_, 0);
        open(budget);
        ASSERT_EQ(grid->model()->rowCount(), 3);
    }
    void TearDown() override {
        if (frmContratante && frmContratante->cdsEndeCont.editing())
            frmContratante->cdsEndeCont.cancel();
        stored.removeParties(newClientCode, counterBefore_);
    }

    void open(const char* budgetNumber) {
        enter(branch, budgetNumber, "00", "PRQ27500");
        takeWindow();
    }

    QString text(const char* name) const {
        QLineEdit* edit = widget<QLineEdit>(name);
        return edit ? edit->text() : QString();
    }
    QString cell(int row, int column) const {
        return grid->model()->index(row, column).data().toString();
    }
    int rowNamed(const QString& name) const {
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            if (cell(row, 2) == name)
                return row;
        return -1;
    }

    // The Qt side of a command or panel (its widget, or its menu action) and the headless
    // control both show `expected`.
    void expectEnabled(const char* name, bool expected) const {
        const Control& control = frmContratante->get(name);
        EXPECT_EQ(control.enabledInChain(), expected) << name << " (screen)";
        if (QAction* action = view->actionFor(&control)) {
            EXPECT_EQ(action->isEnabled(), expected) << name << " (menu)";
            return;
        }
        QWidget* shown = view->widgetFor(&control);
        ASSERT_NE(shown, nullptr) << name;
        EXPECT_EQ(shown->isEnabled(), expected) << name << " (window)";
    }

    void clickCell(int row, int column) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(row, column)).center());
    }
    std::string markOf(int row) const {
        DataSet& parties = frmContratante->cdsEndeCont;
        ShowRow shown(parties, row);
        return parties.fieldByName("IDMARCADO").asString();
    }

    StoredParties stored;
    long long counterBefore_ = 0;
    DialogWatcher dialogs;
};

TEST_F(PartyWindowTest, ARegisteredClientTypedIntoTheGridIsSavedAsANewParty) {
    TfrmContratante& screen = *frmContratante;
    EXPECT_EQ(text("nedTotConv"), "120");
    EXPECT_EQ(text("nedQtContratantes"), "3");
    EXPECT_EQ(text("nedTotRateado"), "10.500,00");
    ASSERT_EQ(stored.partiesOf(newClientCode).size(), 0u);

    QTest::mouseClick(widget<QToolButton>("sbtIncluir"), Qt::LeftButton);
    ASSERT_EQ(screen.cdsEndeCont.state(), DataSetState::Insert);
    ASSERT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(QApplication::focusWidget(), grid);
    ASSERT_EQ(grid->currentIndex().column(), 1); // the inscription column
    const int added = grid->currentIndex().row();

    QTest::keyClicks(grid, newInscription);
    EXPECT_EQ(digitsOf(cell(added, 1)), newInscription);
    // Leaving the column finds the client and copies its name and registered address.
    QTest::keyClick(grid, Qt::Key_Tab);
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();
    EXPECT_EQ(grid->currentIndex().column(), 2);
    EXPECT_EQ(cell(added, 2), "João Pedro Santos");
    EXPECT_EQ(digitsOf(cell(added, 1)), newInscription);
    EXPECT_EQ(text("dbeEndereco"), "Avenida Atlântica, 2000");
    EXPECT_EQ(text("dbeComp"), "Bloco B, apto 801");
    EXPECT_EQ(text("dbeEstado"), "RJ");
    EXPECT_EQ(text("dbeCep"), "22021-001");
    // The other parties still show while the new one is typed.
    EXPECT_NE(rowNamed("Ana Beatriz Souza"), -1);
    EXPECT_NE(rowNamed("Mariana Alves Costa"), -1);

    // Invitations and charged value in the next columns.
    QTest::keyClick(grid, Qt::Key_Tab);
    ASSERT_EQ(grid->currentIndex().column(), 3);
    QTest::keyClicks(grid, "30");
    QTest::keyClick(grid, Qt::Key_Tab);
    ASSERT_EQ(grid->currentIndex().column(), 4);
    QTest::keyClicks(grid, "1500");
    EXPECT_EQ(cell(added, 3), "30");
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();

    QTest::mouseClick(widget<QToolButton>("sbtConfirmar"), Qt::LeftButton);
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();
    EXPECT_EQ(screen.cdsEndeCont.state(), DataSetState::Browse);

    // The window shows the four parties and the new totals.
    ASSERT_EQ(grid->model()->rowCount(), 4);
    const int saved = rowNamed("João Pedro Santos");
    ASSERT_NE(saved, -1);
    EXPECT_EQ(cell(saved, 1), "456.123.789-55");
    EXPECT_EQ(cell(saved, 3), "30");
    EXPECT_EQ(cell(saved, 4), "1.500,00");
    EXPECT_EQ(cell(saved, 5), "Lançado");
    EXPECT_NE(rowNamed("Carlos Eduardo Lima"), -1);
    EXPECT_EQ(text("nedQtContratantes"), "4");
    EXPECT_EQ(text("nedTotRateado"), "12.000,00");
    EXPECT_EQ(text("nedTotConv"), "150");

    // The server stored it under the next party number, with the client's address.
    const server::ResultSet rows = stored.partiesOf(newClientCode);
    ASSERT_EQ(rows.size(), 1u);
    const std::string number = rows.text(0, "NRENDCLIORCEVE");
    EXPECT_EQ(std::stoll(number), counterBefore_ + 1);
    EXPECT_EQ(rows.text(0, "NMFANTCLIE"), "João Pedro Santos");
    EXPECT_EQ(rows.text(0, "DSENDECLIORE"), "Avenida Atlântica, 2000");
    EXPECT_EQ(rows.text(0, "SGESTADO"), "RJ");
    EXPECT_EQ(rows.text(0, "CDBAIRRO"), "0000000001");
    EXPECT_DOUBLE_EQ(rows.number(0, "VRRECECONTOREV"), 1500.0);
    EXPECT_DOUBLE_EQ(rows.number(0, "QTCONVCONTOREV"), 30.0);
    EXPECT_EQ(rows.text(0, "IDSITUCONTOREV"), "LANCADO");

    // A fresh load from the server shows it again, with its party number.
    QTest::mouseClick(widget<QToolButton>("sbtVerificar"), Qt::LeftButton);
    ASSERT_EQ(grid->model()->rowCount(), 4);
    const int reloaded = rowNamed("João Pedro Santos");
    ASSERT_NE(reloaded, -1);
    screen.cdsEndeCont.setRecNo(reloaded + 1);
    EXPECT_EQ(screen.cdsEndeCont.fieldByName("NRENDCLIORCEVE").asString(), number);
    EXPECT_EQ(text("dbeEndereco"), "Avenida Atlântica, 2000");
    EXPECT_EQ(text("nedQtContratantes"), "4");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PartyWindowTest, EnabledStatesShowAtOnceOnToolbarMenusAndShortcuts) {
    TfrmContratante& screen = *frmContratante;
    // Browsing an open party of the budget.
    for (const char* name :
         {"sbtIncluir", "sbtAlterar", "mnuIncluir", "mnuAlterar", "btnRatear", "grbParamForma"})
        expectEnabled(name, true);
    for (const char* name : {"gpbDadosCont", "sbtConfirmar", "mnuConfirmar", "sbtCancelar"})
        expectEnabled(name, false);
    EXPECT_FALSE(widget<QLineEdit>("dbeEndereco")->isEnabled());

    // Starting an insert from the toolbar: checked with no event processed in between.
    QTest::mouseClick(widget<QToolButton>("sbtIncluir"), Qt::LeftButton);
    ASSERT_EQ(screen.cdsEndeCont.state(), DataSetState::Insert);
    for (const char* name : {"sbtIncluir", "sbtAlterar", "mnuIncluir", "mnuAlterar", "btnRatear"})
        expectEnabled(name, false);
    for (const char* name : {"gpbDadosCont", "grbParamForma", "sbtConfirmar", "mnuConfirmar"})
        expectEnabled(name, true);
    EXPECT_TRUE(widget<QLineEdit>("dbeEndereco")->isEnabled());

    // The shortcuts of the disabled insert and edit items do nothing, nor type into the row.
    const int added = grid->currentIndex().row();
    QTest::keyClicks(grid, "1");
    const QString typed = cell(added, 1);
    EXPECT_EQ(typed, "1");
    for (Qt::Key key : {Qt::Key_I, Qt::Key_A}) {
        QTest::keyClick(grid, key, Qt::ControlModifier);
        EXPECT_EQ(screen.cdsEndeCont.state(), DataSetState::Insert);
        EXPECT_EQ(grid->model()->rowCount(), 4);
        EXPECT_EQ(cell(added, 1), typed);
    }
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();

    // Cancelling from the menu gives the commands back.
    view->actionFor(&screen.mnuCancelar)->trigger();
    ASSERT_EQ(screen.cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    for (const char* name : {"sbtIncluir", "sbtAlterar", "mnuIncluir", "mnuAlterar", "btnRatear"})
        expectEnabled(name, true);
    expectEnabled("gpbDadosCont", false);
}

TEST_F(PartyWindowTest, MarkedPartiesAreDeletedAfterTheQuestionsNamingThem) {
    TfrmContratante& screen = *frmContratante;
    // A party of its own to delete, so that the demo budget stays as the other tests find it.
    stored.addParty(newClientCode, "0000000099", "João Pedro Santos");
    QTest::mouseClick(widget<QToolButton>("sbtVerificar"), Qt::LeftButton);
    ASSERT_EQ(grid->model()->rowCount(), 4);
    const int carlos = rowNamed("Carlos Eduardo Lima");
    const int joao = rowNamed("João Pedro Santos");
    ASSERT_LT(carlos, joao);

    // A click on Carlos's check box, then Space on João's.
    clickCell(carlos, 0);
    EXPECT_EQ(markOf(carlos), "S");
    for (int row = carlos; row < joao; ++row)
        QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_EQ(markOf(joao), "S");
    EXPECT_EQ(screen.inCountMarcado, 2);

    // Carlos's contract is asked about by name; No keeps both parties and drops the marks.
    dialogs.answers = {QStringLiteral("Sim"), QString::fromUtf8("Não")};
    QTest::mouseClick(widget<QToolButton>("sbtExcluir"), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0], "Deseja excluir os contratantes selecionados ?");
    EXPECT_TRUE(dialogs.messages[1].contains("O contratante Carlos Eduardo Lima possui"));
    EXPECT_EQ(stored.partiesOf(newClientCode).size(), 1u);
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(screen.inCountMarcado, 0);

    // Ctrl+Space marks them all; a click on the mark column's title unmarks them all.
    QTest::keyClick(grid, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(screen.inCountMarcado, 4);
    QHeaderView* titles = grid->horizontalHeader();
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                      QPoint(titles->sectionViewportPosition(0) + titles->sectionSize(0) / 2,
                             titles->height() / 2));
    EXPECT_EQ(screen.inCountMarcado, 0);

    // João alone: one question; the window shows what the server has left.
    clickCell(rowNamed("João Pedro Santos"), 0);
    EXPECT_EQ(screen.inCountMarcado, 1);
    dialogs.messages.clear();
    dialogs.answers = {QStringLiteral("Sim")};
    QTest::mouseClick(widget<QToolButton>("sbtExcluir"), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Deseja excluir o contratante selecionado ?");
    EXPECT_TRUE(stored.partiesOf(newClientCode).empty());
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(rowNamed("João Pedro Santos"), -1);
    EXPECT_EQ(text("nedQtContratantes"), "3");
    EXPECT_EQ(text("nedTotRateado"), "10.500,00");
}

TEST_F(PartyWindowTest, ALockedBudgetRefusesInsertOnEveryRoute) {
    open("0000000300"); // closed budget
    TfrmContratante& screen = *frmContratante;
    ASSERT_EQ(grid->model()->rowCount(), 2);
    for (const char* name :
         {"sbtIncluir", "sbtAlterar", "mnuIncluir", "mnuAlterar", "btnRatear", "grbParamForma"})
        expectEnabled(name, false);

    QTest::keyClick(grid, Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(screen.cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(grid->model()->rowCount(), 2);
    // A click on the disabled button does not reach the screen either.
    QTest::mouseClick(widget<QToolButton>("sbtIncluir"), Qt::LeftButton);
    EXPECT_EQ(screen.cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_TRUE(dialogs.messages.empty());
}

} // namespace
} // namespace ct::gui
