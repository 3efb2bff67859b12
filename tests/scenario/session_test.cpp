#include "platform/dataset/data_source.h"
#include "platform/dataset/format.h"
#include "platform/db/connection.h"
#include "platform/host/errors.h"
#include "platform/net/net_connection.h"
#include "platform/ui/buttons.h"
#include "platform/ui/container.h"
#include "platform/ui/edits.h"
#include "platform/ui/form.h"
#include "platform/ui/grid.h"
#include "platform/ui/menu.h"
#include "scenario/session.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace ct;
using namespace ct::scenario;

namespace {

// A small screen: a branch edit that refuses "9999" on exit, a button that asks a question,
// a grid over a two-row data set and the exit menu item.
struct TinyScreen : Form {
    DataSet cdsItens{"cdsItens",
                     {FieldDef::string("CODIGO", 4, "Código"), FieldDef::number("VALOR", "Valor")}};
    DataSource dtsItens{&cdsItens};
    Panel panFiltro{*this, "panFiltro"};
    Edit medCdFilial{panFiltro, "medCdFilial"};
    Button btnPergunta{*this, "btnPergunta", "Perguntar"};
    Button btnDesligado{*this, "btnDesligado", "Desligado"};
    DBGrid dbgItens{*this, "dbgItens", &dtsItens};
    MenuItem mnuSair{*this, "mnuSair", "Sair"};
    std::string answer;
    bool closedByExit = false;

    TinyScreen()
        : Form("frmTiny", "Tiny") {
        cdsItens.fieldByName("VALOR").setDisplayFormat("#,##0.00");
        cdsItens.createDataSet();
        cdsItens.appendRecord({Value("A1"), Value(1050.0)});
        cdsItens.appendRecord({Value("B2"), Value(7.5)});
        cdsItens.first();
        dbgItens.addColumn("CODIGO");
        dbgItens.addColumn("VALOR");
        medCdFilial.onExit = [this] {
            if (medCdFilial.text() == "9999") {
                medCdFilial.setFocus();
                MensErro("Filial não cadastrada.");
            }
        };
        btnPergunta.onClick = [this] {
            answer = dialogs().message(MsgType::Confirmation, "Continuar?", mbYes | mbNo) ==
                             MsgResult::Yes
                         ? "sim"
                         : "não";
        };
        btnDesligado.setEnabled(false);
        mnuSair.onClick = [this] { closedByExit = true; };
    }
};

struct TinyDriver : ScreenDriver {
    std::unique_ptr<TinyScreen> screen;
    int starts = 0;
    void start(const std::string& branch, const std::string&, const std::string&,
               const std::string&) override {
        ++starts;
        if (!screen)
            screen = std::make_unique<TinyScreen>();
        screen->medCdFilial.setText(branch);
    }
    Form* form() override { return screen.get(); }
    DataSet* dataSet(std::string_view name) override {
        return screen && name == "cdsItens" ? &screen->cdsItens : nullptr;
    }
};

struct SessionTest : ::testing::Test {
    std::ostringstream out;
    Transcript transcript{out};
    TinyDriver driver;

    bool run(const std::string& script) {
        Session session(driver, transcript);
        return session.run(parseScript(script));
    }
    std::vector<nlohmann::json> kinds(const std::string& kind) const {
        std::vector<nlohmann::json> list;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);) {
            auto entry = nlohmann::json::parse(line);
            if (entry["kind"] == kind)
                list.push_back(entry);
        }
        return list;
    }
};

} // namespace

TEST_F(SessionTest, ExpectationsThatHoldPass) {
    EXPECT_TRUE(run(R"(start 0001 0000000100 00 PRQ27500
expect text medCdFilial 0001
type medCdFilial 9999
focus dbgItens
expect message "Filial não cadastrada."
expect focus medCdFilial
type medCdFilial 0002
focus dbgItens
expect no-message
expect focus dbgItens
expect rows cdsItens 2
expect field cdsItens VALOR 1.050,00
row 2
expect recno cdsItens 2
expect field cdsItens CODIGO B2
expect enabled btnDesligado no
expect enabled btnPergunta yes
answer yes
click btnPergunta
expect message Continuar?
close
)"));
    EXPECT_EQ(driver.screen->answer, "sim");
    EXPECT_TRUE(driver.screen->closedByExit);
    EXPECT_TRUE(kinds("fail").empty());
    EXPECT_EQ(kinds("command").size(), 21u);
    EXPECT_EQ(kinds("dialog").size(), 2u);
}

TEST_F(SessionTest, FailuresAreReportedWithTheirLineAndTheSessionGoesOn) {
    EXPECT_FALSE(run(R"(start 0001 0000000100 00 X
expect rows cdsItens 3
click btnDesligado
expect text semControle x
expect field cdsNada CAMPO x
expect field cdsItens NADA x
expect text medCdFilial 0001
)"));
    auto fails = kinds("fail");
    ASSERT_EQ(fails.size(), 5u);
    EXPECT_EQ(fails[0]["line"], 2);
    EXPECT_EQ(fails[0]["expected"], "3");
    EXPECT_EQ(fails[0]["found"], "2");
    EXPECT_EQ(fails[1]["line"], 3);
    EXPECT_EQ(fails[1]["found"], "disabled");
    EXPECT_EQ(fails[2]["found"], "unknown control");
    EXPECT_EQ(fails[3]["found"], "unknown data set");
    EXPECT_EQ(fails[4]["found"], "unknown field");
}

TEST_F(SessionTest, UnansweredQuestionsAndLeftoverAnswersFail) {
    EXPECT_FALSE(run("start 0001 0000000100 00 X\nclick btnPergunta\n"));
    EXPECT_EQ(driver.screen->answer, "não");
    ASSERT_EQ(kinds("fail").size(), 1u);
    EXPECT_EQ(kinds("fail")[0]["line"], 2);

    out.str("");
    EXPECT_FALSE(run("start 0001 0000000100 00 X\nanswer yes\npick 1\n"));
    EXPECT_EQ(kinds("fail").size(), 2u);
}

TEST_F(SessionTest, CellsOfTheFocusedGridAndReadOnlyColumns) {
    EXPECT_FALSE(run(R"(start 0001 0000000100 00 X
cell VALOR 3
focus dbgItens
cell VALOR 12,5
expect text dbgItens 12,5
expect field cdsItens VALOR 1.050,00
col CODIGO
expect field cdsItens VALOR 12,50
cell NADA 1
)"));
    auto fails = kinds("fail");
    ASSERT_EQ(fails.size(), 2u) << out.str();
    EXPECT_EQ(fails[0]["line"], 2); // no grid focused yet
    EXPECT_EQ(fails[1]["line"], 9);
    driver.screen->dbgItens.column(1).setReadOnly(true);
    out.str("");
    EXPECT_FALSE(run("start 0001 0000000100 00 X\nfocus dbgItens\ncell VALOR 1\n"));
    ASSERT_EQ(kinds("fail").size(), 1u);
    EXPECT_EQ(kinds("fail")[0]["found"], "read-only cell");
}

TEST_F(SessionTest, CallsAreCountedFromTheLastStart) {
    Session session(driver, transcript);
    session.runLine({1, "start", {"0001", "1", "00", "X"}});
    session.recordCall({"GetContratante", nlohmann::json::array({"0001"}), 2.4, true, 0, ""});
    session.recordCall({"GetContratante", nlohmann::json::array({"0001"}), 1.0, true, 0, ""});
    EXPECT_TRUE(session.runLine({2, "expect", {"calls", "GetContratante", "2"}}));
    session.runLine({3, "start", {"0001", "1", "00", "X"}});
    EXPECT_TRUE(session.runLine({4, "expect", {"calls", "GetContratante", "0"}}));
    auto calls = kinds("call");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0]["method"], "GetContratante");
    EXPECT_EQ(calls[0]["ms"], 2);
}

TEST_F(SessionTest, LastCallArgumentsDatesWindowAndHiddenControls) {
    Session session(driver, transcript);
    session.runLine({1, "start", {"0001", "1", "00", "X"}});
    session.recordCall(
        {"SetGeraDevolucao", nlohmann::json::array({"0001", 220.0, nullptr}), 1.0, true, 0, ""});
    const std::string today = formatDate(DateTime::today());
    const std::string inThirty = formatDate(DateTime::today().addDays(30));
    driver.screen->medCdFilial.setText(inThirty);
    driver.screen->showModal();

    struct Case {
        std::vector<std::string> args;
        bool holds;
    };
    const std::vector<Case> cases{
        {{"call", "SetGeraDevolucao", "1", "0001"}, true},
        {{"call", "SetGeraDevolucao", "2", "220"}, true},
        {{"call", "SetGeraDevolucao", "2", "220.5"}, false},
        {{"call", "SetGeraDevolucao", "3", "null"}, true},
        {{"call", "SetGeraDevolucao", "4", "x"}, false},
        {{"call", "GetVrConta", "1", "x"}, false},
        {{"text", "medCdFilial", "today+30"}, true},
        {{"text", "medCdFilial", "today"}, false},
        {{"text", "medCdFilial", inThirty}, true},
        {{"open"}, true},
        {{"closed"}, false},
    };
    int line = 2;
    for (const Case& c : cases)
        EXPECT_EQ(session.runLine({line++, "expect", c.args}), c.holds) << c.args[0] << " " << line;

    driver.screen->btnPergunta.setVisible(false);
    EXPECT_FALSE(session.runLine({line++, "click", {"btnPergunta"}}));
    EXPECT_EQ(kinds("fail").back()["found"], "hidden");
    driver.screen->close();
    EXPECT_TRUE(session.runLine({line++, "expect", {"closed"}}));
    session.runLine({line++, "type", {"medCdFilial", "today-1"}});
    EXPECT_EQ(driver.screen->medCdFilial.text(), formatDate(DateTime::today().addDays(-1)));
    EXPECT_NE(today, driver.screen->medCdFilial.text());
}

// The database read back behind the screen, on the host's connection: rows joined as text.
TEST_F(SessionTest, AQueryReadsTheDatabaseBack) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("ct-session-query-" + std::to_string(::getpid()) + ".db");
    std::ofstream{file}; // an empty file is an empty database
    db::sharedConnection().open("sqlite:" + file.string());
    Session session(driver, transcript);
    const std::string rows = "SELECT 1, 'a', NULL, 2.5 UNION ALL SELECT 20, 'b', 'x', 3";
    const struct {
        std::vector<std::string> args;
        bool holds;
    } cases[] = {
        {{"query", rows, "1|a||2.5;20|b|x|3"}, true},
        {{"query", rows, "1|a||2.5"}, false},
        {{"query", "SELECT 1 WHERE 1 = 0", ""}, true},
        {{"query", "DELETE FROM sqlite_master", ""}, false},
        {{"query", "SELECT nada FROM lugar_nenhum", ""}, false},
    };
    int line = 1;
    for (const auto& c : cases)
        EXPECT_EQ(session.runLine({line++, "expect", c.args}), c.holds) << c.args[1];
    db::sharedConnection().close();
    std::filesystem::remove(file);
}

TEST_F(SessionTest, ADialogOverTheScreenTakesTheCommandsUntilItCloses) {
    struct TinyDialog : Form {
        Edit edtValor{*this, "edtValor"};
        Button btnOk{*this, "btnOk", "OK"};
        TinyDialog()
            : Form("frmDialogo", "Diálogo") {
            btnOk.onClick = [this] { setModalResult(mrOk); };
        }
    } dialog;
    Session session(driver, transcript);
    session.runLine({1, "start", {"0001", "1", "00", "X"}});
    driver.screen->btnPergunta.onClick = [&dialog] { dialog.showModal(); };
    driver.screen->showModal();

    struct Step {
        std::string command;
        std::vector<std::string> args;
        bool holds;
        const char* form; // the form the transcript names
    };
    const std::vector<Step> steps{
        {"click", {"btnPergunta"}, true, "frmTiny"},
        {"expect", {"form", "frmDialogo"}, true, "frmDialogo"},
        {"type", {"edtValor", "12"}, true, "frmDialogo"},
        {"expect", {"text", "edtValor", "12"}, true, "frmDialogo"},
        {"expect", {"focus", "edtValor"}, true, "frmDialogo"},
        {"click", {"btnPergunta"}, false, "frmDialogo"}, // the screen's, out of reach
        {"close", {}, true, "frmDialogo"},
        {"expect", {"form", "frmTiny"}, true, "frmTiny"},
        {"expect", {"open"}, true, "frmTiny"},
        {"click", {"btnPergunta"}, true, "frmTiny"},
        {"click", {"btnOk"}, true, "frmDialogo"},
        {"expect", {"form", "frmTiny"}, true, "frmTiny"},
    };
    int line = 2;
    for (const Step& step : steps)
        EXPECT_EQ(session.runLine({line++, step.command, step.args}), step.holds) << line - 1;
    EXPECT_FALSE(dialog.isShowing());
    EXPECT_FALSE(driver.screen->closedByExit);
    EXPECT_EQ(dialog.modalResult(), mrOk);

    auto commands = kinds("command");
    ASSERT_EQ(commands.size(), steps.size() + 1);
    EXPECT_TRUE(commands[0]["form"].is_null());
    for (std::size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(commands[i + 1]["form"], steps[i].form) << i;
    driver.screen->close();
}
