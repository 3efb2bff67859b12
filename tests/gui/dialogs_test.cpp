// The Qt dialogs: message boxes with Portuguese buttons, the search list, the progress indicator.
#include "gui/qt_dialogs.h"
#include "gui/search_dialog.h"
#include "gui_session.h"
#include "platform/dataset/dataset.h"
#include "platform/net/net_connection.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <thread>

namespace ct::gui {
namespace {

using testing::DialogWatcher;

std::vector<FieldDef> branchFields() {
    FieldDef hidden = FieldDef::string("CDEMPRESA", 2);
    hidden.hidden = true;
    return {FieldDef::string("CDFILIAL", 4, "Código"), FieldDef::string("NMFILIAL", 30, "Nome"),
            hidden};
}

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensureApplication();
        branches.createDataSet();
        branches.appendRecord({"0001", "São Paulo", "01"});
        branches.appendRecord({"0002", "Campinas", "02"});
        branches.appendRecord({"0003", "Santos", "01"});
        branches.first();
    }
    SearchRequest request() {
        SearchRequest r;
        r.title = "Filial";
        r.list = &branches;
        r.nameField = "NMFILIAL";
        r.emptyText = "Não há filial cadastrada.";
        return r;
    }

    QtDialogService service;
    DataSet branches{"qryFilial", branchFields()};
};

TEST_F(DialogsTest, MessageBoxesAskInPortugueseAndGiveTheAnswer) {
    QStringList captions;
    service.setDialogHook([&captions](QWidget& dialog) {
        auto& box = static_cast<QMessageBox&>(dialog);
        for (QAbstractButton* b : box.buttons())
            captions << b->text();
        for (QAbstractButton* b : box.buttons())
            if (b->text() == QString::fromUtf8("Não"))
                b->click();
    });
    EXPECT_EQ(service.message(MsgType::Confirmation, "Deseja gravar?", mbYes | mbNo),
              MsgResult::No);
    EXPECT_EQ(captions, (QStringList{"Sim", QString::fromUtf8("Não")}));

    captions.clear();
    service.setDialogHook([&captions](QWidget& dialog) {
        auto& box = static_cast<QMessageBox&>(dialog);
        for (QAbstractButton* b : box.buttons())
            captions << b->text();
        EXPECT_EQ(box.text(), "Filial não cadastrada.");
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
        box.buttons().front()->click();
    });
    EXPECT_EQ(service.message(MsgType::Error, "Filial não cadastrada.", mbOK), MsgResult::Ok);
    EXPECT_EQ(captions, QStringList{"OK"});

    service.setDialogHook([](QWidget& dialog) {
        for (QAbstractButton* b : static_cast<QMessageBox&>(dialog).buttons())
            if (b->text() == "Sim")
                b->click();
    });
    EXPECT_EQ(service.message(MsgType::Confirmation, "Excluir?", mbYes | mbNo), MsgResult::Yes);
}

TEST_F(DialogsTest, SearchListFiltersAndPicksWithEnterOrDoubleClick) {
    QStringList headers;
    service.setDialogHook([&headers](QWidget& dialog) {
        auto* table = dialog.findChild<QTableView*>("searchList");
        for (int c = 0; c < table->model()->columnCount(); ++c)
            headers << table->model()->headerData(c, Qt::Horizontal).toString();
        auto* filter = dialog.findChild<QLineEdit*>("filterBox");
        QTest::keyClicks(filter, "san");
        EXPECT_EQ(table->model()->rowCount(), 1);
        QTest::keyClick(filter, Qt::Key_Return);
    });
    ASSERT_TRUE(service.search(request()));
    EXPECT_EQ(headers, (QStringList{QString::fromUtf8("Código"), "Nome"}));
    EXPECT_EQ(branches.recNo(), 3);
    EXPECT_EQ(branches.fieldByName("CDFILIAL").asString(), "0003");

    service.setDialogHook([](QWidget& dialog) {
        auto* table = dialog.findChild<QTableView*>("searchList");
        const QRect second = table->visualRect(table->model()->index(1, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, second.center());
    });
    ASSERT_TRUE(service.search(request()));
    EXPECT_EQ(branches.fieldByName("CDFILIAL").asString(), "0002");

    // Cancelled: nothing picked, the list stays where it was.
    service.setDialogHook([](QWidget& dialog) { static_cast<QDialog&>(dialog).reject(); });
    EXPECT_FALSE(service.search(request()));
    EXPECT_EQ(branches.recNo(), 2);
}

TEST_F(DialogsTest, AnEmptyListShowsItsTextInstead) {
    QString shown;
    service.setDialogHook([&shown](QWidget& dialog) {
        shown = static_cast<QMessageBox&>(dialog).text();
        static_cast<QMessageBox&>(dialog).buttons().front()->click();
    });
    branches.createDataSet();
    EXPECT_FALSE(service.search(request()));
    EXPECT_EQ(shown, QString::fromUtf8("Não há filial cadastrada."));
}

TEST_F(DialogsTest, TheProgressIndicatorAppearsOnlyAfterAMomentWithTheHourglassAtOnce) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    service.showProgress(6, "Carregando");
    ASSERT_NE(service.progressWidget(), nullptr);
    EXPECT_FALSE(service.progressWidget()->isVisible());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    service.hideProgress();
    QTest::qWait(QtDialogService::progressDelayMs + 100);
    EXPECT_FALSE(service.progressWidget()->isVisible()); // quick work never showed it
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    service.showProgress(6, "Carregando");
    service.showProgress(6, "Gravando"); // replaces the one shown
    EXPECT_TRUE(testing::waitFor([this] { return service.progressWidget()->isVisible(); }));
    service.hideProgress();
    EXPECT_FALSE(service.progressWidget()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    service.setBusyCursor(true);
    service.setBusyCursor(true);
    service.setBusyCursor(false);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    service.setBusyCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A server whose answers take as long as the test says.
class SlowServer {
public:
    SlowServer() {
        server_.Post(R"(/rpc/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            const auto request = nlohmann::json::parse(req.body);
            res.set_content(nlohmann::json{{"jsonrpc", "2.0"},
                                           {"id", request["id"]},
                                           {"result", {{"value", nullptr}}}}
                                .dump(),
                            "application/json");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ~SlowServer() {
        server_.stop();
        thread_.join();
    }
    int port() const { return port_; }
    int delayMs = 0;

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

TEST_F(DialogsTest, TheProgressIndicatorShowsDuringALongServerCall) {
    SlowServer server;
    NetConnection net;
    net.setHost("127.0.0.1");
    net.setPort(server.port());

    // A quick call ends before the indicator's moment has come.
    service.showProgress(1, "");
    ASSERT_TRUE(net.call("GetParamOrca").ok());
    EXPECT_FALSE(service.progressWidget()->isVisible());
    service.hideProgress();

    // A long one: the window goes on painting, and the indicator is up before the call ends.
    server.delayMs = QtDialogService::progressDelayMs + 500;
    service.showProgress(1, "");
    ASSERT_TRUE(net.call("GetParamOrca").ok());
    EXPECT_TRUE(service.progressWidget()->isVisible());
    service.hideProgress();
    EXPECT_FALSE(service.progressWidget()->isVisible());
}

} // namespace
} // namespace ct::gui
