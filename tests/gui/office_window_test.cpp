// The office commands in the window on the demo budget, driven through Qt's events: ordering,
// the listing's preview and page set-up, the help, what the window shows whole and remembers,
// and a class list in and out.
#include "classlist/class_list.h"
#include "classlist/inscription.h"
#include "gui/settings.h"
#include "gui/toolbar_icons.h"
#include "gui_session.h"
#include "host/host_session.h"
#include "platform/net/net_connection.h"
#include "screen_window_fixture.h"
#include "server/db/database.h"
#include "server/db/sql.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>

namespace ct::gui {
namespace {

namespace fs = std::filesystem;
using testing::DialogWatcher;
using testing::waitFor;

// A valid CPF for each number (its check digits found by trying them all).
std::string cpf(int n) {
    const std::string base = std::to_string(300000000 + n * 7919);
    for (int check = 0; check < 100; ++check) {
        const std::string digits = base + (check < 10 ? "0" : "") + std::to_string(check);
        if (classlist::validCpf(digits))
            return digits;
    }
    return {};
}

// Clicks after the current event, so that a dialog the click opens is handled in its turn.
void clickLater(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    QTimer::singleShot(0, button, &QAbstractButton::click);
}

// Types the path into Qt's file dialog and goes on, as the user does.
void chooseFile(QWidget& files, const fs::path& path) {
    auto* name = files.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(path.string()));
    static_cast<QDialog&>(files).accept();
}

class OfficeWindowTest : public testing::ScreenWindowFixture {
protected:
    OfficeWindowTest()
        : database_(server::DatabaseUrl::parse(testing::demoSession().databaseUrl()), 1) {}

    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("ct_office_window_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
        counterBefore_ = scalar("SELECT NRULTENDCLI FROM ORCACONTADOR WHERE CDFILIAL = '0001' "
                                "AND NRORCAEVENTO = '0000000100'");
        enter("0001", "0000000100", "00", "PRQ27500");
        takeWindow();
    }
    void TearDown() override {
        setServerCallObserver({});
        if (frmContratante) {
            if (frmContratante->cdsEndeCont.editing())
                frmContratante->cdsEndeCont.cancel();
            frmContratante->cdsEndeCont.setIndexFieldNames("");
        }
        // The demo budget as the other window tests know it.
        exec("UPDATE ENDECONTORCA SET VRRECECONTOREV = 3000 WHERE CDFILIAL = '0001' AND "
             "NRORCAEVENTO = '0000000100' AND NRENDCLIORCEVE = '0000000001'");
        exec("DELETE FROM ENDECONTORCA WHERE CDFILIAL = '0001' AND NRORCAEVENTO = '0000000100' "
             "AND NRENDCLIORCEVE > '0000000003'");
        exec("UPDATE ORCACONTADOR SET NRULTENDCLI = " + std::to_string(counterBefore_) +
             " WHERE CDFILIAL = '0001' AND NRORCAEVENTO = '0000000100'");
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    long long scalar(const std::string& sql) {
        server::Database::Lease lease(database_);
        return server::as_integer(lease.sql().scalar(sql).value_or(server::SqlValue{}), -1);
    }
    void exec(const std::string& sql) {
        server::Database::Lease lease(database_);
        lease.sql().exec(sql);
    }
    QString cell(int row, int column) const {
        return grid->model()->index(row, column).data().toString();
    }
    QStringList column(int c) const {
        QStringList texts;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            texts << cell(row, c);
        return texts;
    }
    void trigger(const char* menuItem) {
        QAction* action = view->actionFor(&frmContratante->get(menuItem));
        ASSERT_NE(action, nullptr) << menuItem;
        action->trigger();
    }
    void clickTitle(int section) {
        QHeaderView* header = grid->horizontalHeader();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(section) + 6, header->height() / 2));
    }

    DialogWatcher dialogs;
    fs::path folder_;

private:
    server::Database database_;
    long long counterBefore_ = 0;
};

TEST_F(OfficeWindowTest, CtrlOOrdersByValueAndTheOrderOutlivesAReload) {
    exec("UPDATE ENDECONTORCA SET VRRECECONTOREV = 5000 WHERE CDFILIAL = '0001' AND "
         "NRORCAEVENTO = '0000000100' AND NRENDCLIORCEVE = '0000000001'");
    QTest::keyClick(grid, Qt::Key_F5);
    ASSERT_EQ(column(4), (QStringList{"5.000,00", "3.500,00", "4.000,00"}));

    dialogs.searches.push_back([](QWidget& list) {
        auto* filter = list.findChild<QLineEdit*>("filterBox");
        ASSERT_NE(filter, nullptr);
        QTest::keyClicks(filter, "Cobrado");
        QTest::keyClick(filter, Qt::Key_Return);
    });
    QTest::keyClick(grid, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs.searchesSeen, 1);
    EXPECT_EQ(column(4), (QStringList{"3.500,00", "4.000,00", "5.000,00"}));
    QHeaderView* header = grid->horizontalHeader();
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), 4);

    QTest::keyClick(grid, Qt::Key_F5);
    EXPECT_EQ(column(4), (QStringList{"3.500,00", "4.000,00", "5.000,00"}));

    // A click on a title orders by its column; the mark column's title marks instead.
    clickTitle(1);
    EXPECT_EQ(column(1), (QStringList{"123.456.789-09", "529.982.247-25", "987.654.321-00"}));
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    clickTitle(0);
    EXPECT_EQ(frmContratante->inCountMarcado, 3);
    EXPECT_EQ(header->sortIndicatorSection(), 1);
}

TEST_F(OfficeWindowTest, TheListingOpensInThePrintPreviewAndThePageSetUpIsRemembered) {
    // The preview shows the pages and saves them as PDF; Imprimir opens it too.
    int pages = 0;
    const fs::path pdf = folder_ / "listagem";
    dialogs.others.push_back([&pages](QWidget& preview) {
        if (auto* pagesShown = preview.findChild<QPrintPreviewWidget*>())
            pages = pagesShown->pageCount();
        auto* save = preview.findChild<QAction*>("savePdf");
        ASSERT_NE(save, nullptr);
        QTimer::singleShot(0, save, &QAction::trigger);
    });
    dialogs.others.push_back([&pdf](QWidget& files) { chooseFile(files, pdf); });
    for (int i = 0; i < 2; ++i)
        dialogs.others.push_back([](QWidget& preview) { preview.close(); });
    QTest::keyClick(grid, Qt::Key_L, Qt::ControlModifier);
    QTest::mouseClick(widget<QToolButton>("sbtImprimir"), Qt::LeftButton);
    EXPECT_EQ(dialogs.othersSeen, (std::vector<QString>{"reportPreview", "QFileDialog",
                                                        "reportPreview", "reportPreview"}));
    EXPECT_GE(pages, 1);
    EXPECT_GT(fs::file_size(folder_ / "listagem.pdf"), 1000u);

    dialogs.others.push_back([](QWidget& setup) {
        auto* landscape = setup.findChild<QRadioButton*>("landscape");
        ASSERT_NE(landscape, nullptr);
        landscape->click();
        static_cast<QDialog&>(setup).accept();
    });
    trigger("mnuConfigImpressora");
    EXPECT_EQ(dialogs.othersSeen.back(), "printerSetup");
    EXPECT_EQ(listingPageLayout().orientation(), QPageLayout::Landscape);
    openSettings()->remove("listagem");
}

TEST_F(OfficeWindowTest, F1OpensTheHelpInAWindowOfItsOwn) {
    QTest::keyClick(grid, Qt::Key_F1);
    QWidget* help = nullptr;
    ASSERT_TRUE(waitFor([&] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == "helpWindow" && window->isVisible())
                help = window;
        return help != nullptr;
    }));
    EXPECT_FALSE(help->isModal());
    EXPECT_TRUE(help->windowTitle().contains("Contratante"));
    const QString text = help->findChild<QTextBrowser*>("helpText")->toPlainText();
    for (const char* topic : {"Ratear Valor", "Pela Forma de Pagamento", "Conta Gerada",
                              "Devolvido", "Importar Lista", "Ctrl+L"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(topic))) << topic;
    help->close();
}

TEST_F(OfficeWindowTest, TitlesInscriptionsAndToolbarPicturesShowWhole) {
    const QFontMetrics titles(grid->horizontalHeader()->font());
    QFont bold = grid->font();
    bold.setBold(true);
    const QFontMetrics cells(bold);
    for (int c = 0; c < grid->model()->columnCount(); ++c) {
        const QString title = grid->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_GE(grid->columnWidth(c), titles.horizontalAdvance(title)) << title.toStdString();
    }
    const int button = grid->verticalHeader()->defaultSectionSize();
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        EXPECT_GE(grid->columnWidth(1), cells.horizontalAdvance(cell(row, 1)) + button)
            << cell(row, 1).toStdString();

    for (QToolButton* command : widget<QWidget>("panMenu")->findChildren<QToolButton*>()) {
        EXPECT_FALSE(command->icon().isNull()) << command->objectName().toStdString();
        EXPECT_EQ(command->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    }
    // Without an icon theme the pictures are drawn.
    const QString theme = QIcon::themeName();
    QIcon::setThemeName("nenhum");
    EXPECT_FALSE(commandIcon("sbtIncluir", "Incluir").pixmap(24).isNull());
    EXPECT_FALSE(commandIcon("btnNovo", "Novo").pixmap(24).isNull());
    QIcon::setThemeName(theme);
}

TEST_F(OfficeWindowTest, TheWindowSizeAndColumnWidthsAreRememberedBetweenRuns) {
    view->resize(view->width() + 100, 820);
    const QSize size = view->size();
    grid->horizontalHeader()->resizeSection(2, 333); // as the user drags it
    ASSERT_TRUE(frmContratante->close());
    destroyView(*frmContratante);

    enter("0001", "0000000100", "00", "PRQ27500");
    takeWindow();
    EXPECT_EQ(view->size(), size);
    EXPECT_EQ(grid->columnWidth(2), 333);

    openSettings()->clear();
    ASSERT_TRUE(frmContratante->close());
    destroyView(*frmContratante);
}

TEST_F(OfficeWindowTest, AClassListIsReviewedAndImportedInOneSaveThenExported) {
    int saves = 0;
    setServerCallObserver(
        [&saves](const CallRecord& call) { saves += call.method == "SetEndeCont"; });
    // 200 rows copied from a spreadsheet; five are faulty.
    std::string rows = "CPF\tNome\tE-mail\tTelefone\tAdultos\tCrianças\n";
    for (int i = 1; i <= 195; ++i)
        rows += cpf(i) + "\tFormanda " + std::to_string(i) + "\t\t\t2\t1\n";
    rows += "52998224726\tErrado\t\t\t\t\n" + cpf(3) + "\tDe novo\t\t\t\t\n" +
            "529.982.247-25\tAna\t\t\t\t\n" + cpf(400) + "\t\t\t\t\t\n" + cpf(401) +
            "\tSem Conta\t\t\tx\t\n";

    // Pasted and reviewed, then cancelled: nothing is written.
    QStringList reasons;
    dialogs.others.push_back([&rows](QWidget& source) {
        source.findChild<QPlainTextEdit*>("pastedList")->setPlainText(QString::fromStdString(rows));
        clickLater(source.findChild<QPushButton*>("continueButton"));
    });
    dialogs.others.push_back([&reasons](QWidget& review) {
        auto* table = review.findChild<QTableWidget*>("reviewTable");
        for (int r = 0; r < table->rowCount(); ++r)
            if (table->item(r, 0)->data(Qt::UserRole).toBool())
                reasons << table->item(r, 0)->text() + ": " +
                               table->item(r, table->columnCount() - 1)->text();
        clickLater(review.findChild<QPushButton*>("cancelButton"));
    });
    trigger("mnuImportarLista");
    EXPECT_EQ(dialogs.othersSeen, (std::vector<QString>{"listSource", "rowReview"}));
    EXPECT_EQ(reasons, (QStringList{"197: CPF/CNPJ inválido", "198: Repetido na lista (linha 4)",
                                    "199: Já é contratante do orçamento",
                                    "200: Nome não informado (cliente não cadastrado)",
                                    "201: Quantidade de convites inválida"}));
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(grid->model()->rowCount(), 3);

    // From the file this time, and imported.
    const fs::path file = folder_ / "turma.csv";
    std::ofstream(file, std::ios::binary) << rows;
    dialogs.others.push_back(
        [](QWidget& source) { clickLater(source.findChild<QPushButton*>("openFile")); });
    dialogs.others.push_back([&file](QWidget& files) { chooseFile(files, file); });
    dialogs.others.push_back(
        [](QWidget& review) { clickLater(review.findChild<QPushButton*>("acceptButton")); });
    trigger("mnuImportarLista");
    EXPECT_EQ(saves, 1);
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back(), "195 contratantes incluídos.");
    EXPECT_EQ(grid->model()->rowCount(), 198);
    EXPECT_EQ(widget<QLineEdit>("nedQtContratantes")->text(), "198");

    const fs::path exported = folder_ / "contratantes.csv";
    dialogs.others.push_back([&exported](QWidget& files) { chooseFile(files, exported); });
    trigger("mnuExportarLista");
    std::ifstream in(exported, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto entries = classlist::readClassList(bytes);
    ASSERT_EQ(entries.size(), 198u);
    EXPECT_EQ(entries[3].name, "Formanda 1");
    EXPECT_EQ(entries[3].adults, "2");
}

} // namespace
} // namespace ct::gui
