// The base form's office commands on the Contratante screen, against the real server on a fresh
// demo database: ordering, the listing, and class lists in and out.
#include "classlist/class_list.h"
#include "classlist/delimited_text.h"
#include "classlist/inscription.h"
#include "parties/party_columns.h"
#include "party_db.h"
#include "platform/host/dispatch.h"
#include "platform/host/halvren.h"
#include "screen_fixture.h"

#include <filesystem>
#include <fstream>

namespace ct::testing {
namespace {

namespace fs = std::filesystem;

class OfficeCommands : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        folder = fs::temp_directory_path() /
                 ("ct_office_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        ScreenTest::TearDown();
    }

    TfrmContratante& budget100() {
        TfrmContratante& form = enter("0001", "0000000100", "00");
        dialogs.clear();
        clearCalls();
        return form;
    }
    bool click(Control& control) {
        return dispatch([&] { control.click(); });
    }
    std::vector<std::string> column(const char* field) {
        DataSet& parties = screen().cdsEndeCont;
        std::vector<std::string> texts;
        for (int row = 0; row < parties.recordCount(); ++row) {
            ShowRow shown(parties, row);
            texts.push_back(parties.fieldByName(field).displayText());
        }
        return texts;
    }
    long long count(const std::string& sql) {
        return server::as_integer(queryDemo(sql).rows.front().front(), -1);
    }
    long long parties100() {
        return count("SELECT COUNT(*) FROM ENDECONTORCA WHERE CDFILIAL = '0001' AND "
                     "NRORCAEVENTO = '0000000100' AND NRSEQORCAEVE = '00'");
    }
    fs::path write(const char* name, const std::string& bytes) {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    fs::path folder;
};

// A valid CPF for each number (its check digits found by trying them all).
std::string cpf(int n) {
    std::string base = std::to_string(200000000 + n * 7919);
    for (int check = 0; check < 100; ++check) {
        const std::string digits = base + (check < 10 ? "0" : "") + std::to_string(check);
        if (classlist::validCpf(digits))
            return digits;
    }
    return {};
}

TEST_F(OfficeCommands, OrderingByAColumnLastsAcrossReloadsUntilTheScreenCloses) {
    TfrmContratante& form = budget100();
    // Make the charged values order the parties differently from their numbers.
    ASSERT_EQ(execDemo("UPDATE ENDECONTORCA SET VRRECECONTOREV = 5000 WHERE CDFILIAL = '0001' "
                       "AND NRORCAEVENTO = '0000000100' AND NMFANTCLIE = 'Ana Beatriz Souza'"),
              1);
    ASSERT_TRUE(click(form.sbtVerificar));
    EXPECT_EQ(column("NMFANTCLIE"),
              (std::vector<std::string>{"Ana Beatriz Souza", "Carlos Eduardo Lima",
                                        "Mariana Alves Costa"}));

    // The list: the natural order, then every column but the marks; the pick orders.
    dialogs.queuePick(5); // Vr. Cobrado
    ASSERT_TRUE(click(form.sbtOrdenar));
    ASSERT_EQ(dialogs.dialogs().back().kind, FakeDialogService::Dialog::Kind::Search);
    EXPECT_EQ(column("VRRECECONTOREV"),
              (std::vector<std::string>{"3.500,00", "4.000,00", "5.000,00"}));
    ASSERT_TRUE(click(form.sbtVerificar));
    EXPECT_EQ(column("VRRECECONTOREV"),
              (std::vector<std::string>{"3.500,00", "4.000,00", "5.000,00"}));

    // A column title orders too; the mark column's title still marks every party.
    ASSERT_TRUE(form.dbgPadrao.userClickTitle(partycol::inscription));
    EXPECT_EQ(column("NRINSJURCLIE"),
              (std::vector<std::string>{"123.456.789-09", "529.982.247-25", "987.654.321-00"}));
    ASSERT_TRUE(form.dbgPadrao.userClickTitle(partycol::mark));
    EXPECT_EQ(form.inCountMarcado, 3);
    EXPECT_EQ(form.cdsEndeCont.indexFieldNames(), "NRINSJURCLIE");

    // While a party is being edited the order stays as it is.
    ASSERT_TRUE(click(form.sbtAlterar));
    EXPECT_FALSE(form.sbtOrdenar.enabled());
    ASSERT_TRUE(form.dbgPadrao.userClickTitle(partycol::name));
    EXPECT_EQ(form.cdsEndeCont.indexFieldNames(), "NRINSJURCLIE");
    ASSERT_TRUE(click(form.sbtCancelar));
    EXPECT_TRUE(form.sbtOrdenar.enabled());

    ASSERT_TRUE(dispatch([&] { form.close(); }));
    EXPECT_EQ(form.cdsEndeCont.indexFieldNames(), "");
}

TEST_F(OfficeCommands, TheListingHoldsTheBudgetItsPartiesAndTheirInstallments) {
    const std::string operatorBefore = Halvren::Operador();
    Halvren::setOperador("OPER07");
    TfrmContratante& form = budget100();
    ASSERT_TRUE(dispatch([&] { form.userShortcut(*Shortcut::parse("Ctrl+L")); }));
    ASSERT_EQ(dialogs.reports.size(), 1u);
    const Report& report = dialogs.reports[0];
    EXPECT_EQ(report.title, "Listagem de Contratantes");
    ASSERT_EQ(report.header.size(), 5u);
    EXPECT_EQ(report.header[0].value, "0001 - São Paulo");
    EXPECT_EQ(report.header[2].value, "0000000100");
    EXPECT_EQ(report.header[3].value, "00");
    EXPECT_EQ(report.header[4].value, "12.000,00");
    ASSERT_EQ(report.lines.size(), 3u);
    EXPECT_EQ(report.lines[0].cells,
              (std::vector<std::string>{"529.982.247-25", "Ana Beatriz Souza", "40", "3.000,00",
                                        "Lançado", "Sem Forma de Pagto"}));
    EXPECT_EQ(report.lines[1].cells[5], "Pagar Fixo no Dia");
    EXPECT_EQ(report.lines[1].details,
              (std::vector<std::string>{"Dia 10, 5 parcela(s), a primeira no próximo mês"}));
    EXPECT_EQ(report.lines[2].cells[5], "Pela Forma de Pagamento");
    ASSERT_EQ(report.lines[2].details.size(), 3u);
    EXPECT_NE(report.lines[2].details[2].find("1.333,34"), std::string::npos);
    EXPECT_TRUE(report.lines[0].details.empty());
    ASSERT_EQ(report.totals.size(), 3u);
    EXPECT_EQ(report.totals[0].value, "3");
    EXPECT_EQ(report.totals[2].value, "10.500,00");
    EXPECT_NE(report.footer.find("por OPER07"), std::string::npos) << report.footer;
    Halvren::setOperador(operatorBefore);
    // Imprimir prints the same listing.
    ASSERT_TRUE(click(form.sbtImprimir));
    EXPECT_EQ(dialogs.reports.size(), 2u);
}

TEST_F(OfficeCommands, AClassListBecomesPartiesInOneSaveAfterItsReview) {
    TfrmContratante& form = budget100();
    // 200 rows; five are faulty: a wrong check digit, a repeated row, a party of the budget, a
    // new client without a name and a count that is no number. The rest are new clients.
    std::string list = "CPF;Nome;E-mail;Telefone;Adultos;Crianças\r\n";
    for (int i = 1; i <= 195; ++i)
        list +=
            cpf(i) + ";Formando " + std::to_string(i) + ";f" + std::to_string(i) + "@x.br;;1;0\r\n";
    list += "52998224726;Errado;;;;\r\n";
    list += cpf(7) + ";Formando 7 de novo;;;;\r\n";
    list += "529.982.247-25;Ana Beatriz Souza;;;;\r\n";
    list += cpf(300) + ";;;;;\r\n";
    list += cpf(301) + ";Sem Conta;;;dois;\r\n";

    // Cancelled after the review: nothing is written.
    dialogs.listSource = ListSource{write("turma.csv", list).string(), {}};
    dialogs.acceptReview = false;
    ASSERT_TRUE(click(form.mnuImportarLista));
    ASSERT_EQ(dialogs.reviews.size(), 1u);
    EXPECT_EQ(calls("SetEndeCont"), 0);
    EXPECT_EQ(parties100(), 3);

    std::vector<std::pair<int, std::string>> problems;
    for (const ReviewRow& row : dialogs.reviews[0].rows)
        if (!row.problem.empty())
            problems.emplace_back(row.line, row.problem);
    EXPECT_EQ(problems, (std::vector<std::pair<int, std::string>>{
                            {197, "CPF/CNPJ inválido"},
                            {198, "Repetido na lista (linha 8)"},
                            {199, "Já é contratante do orçamento"},
                            {200, "Nome não informado (cliente não cadastrado)"},
                            {201, "Quantidade de convites inválida"}}));

    // Accepted: one save with the 195 parties and their new clients.
    dialogs.acceptReview = true;
    clearCalls();
    ASSERT_TRUE(click(form.mnuImportarLista));
    EXPECT_EQ(calls("SetEndeCont"), 1);
    EXPECT_EQ(dialogs.lastMessage(), "195 contratantes incluídos.");
    EXPECT_EQ(parties100(), 198);
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 198);
    EXPECT_EQ(form.nedQtContratantes.number(), 198);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CLIENTE WHERE NMFANTCLIE LIKE 'Formando %'"), 195);
    const server::ResultSet stored =
        queryDemo("SELECT * FROM ENDECONTORCA WHERE NRINSJURCLIE = :ins", {{"ins", cpf(1)}});
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored.text(0, "NMFANTCLIE"), "Formando 1");
    EXPECT_EQ(stored.text(0, "IDSITUCONTOREV"), "LANCADO");
    EXPECT_EQ(stored.text(0, "IDFORMAPGCONT"), "E");
    EXPECT_EQ(stored.text(0, "DSEMAILCLOR1"), "f1@x.br");
    EXPECT_EQ(stored.text(0, "CDPAIS"), "1058"); // the branch's, for a new client
    EXPECT_DOUBLE_EQ(stored.number(0, "QTCONVADICADULTO"), 1.0);
}

TEST_F(OfficeCommands, ALatin1ListKeepsItsAccentsAndTheExportReadsBackUnchanged) {
    TfrmContratante& form = budget100();
    // A registered client comes with its registered name and address.
    dialogs.listSource = ListSource{write("latin1.csv", "Nome;CPF\r\nJo\xE3o S\xE3o;" + cpf(1) +
                                                            "\r\nMaria \xC7\xE3o;" + cpf(2) +
                                                            "\r\nOutro Nome;456.123.789-55\r\n")
                                        .string(),
                                    {}};
    dialogs.acceptReview = true;
    ASSERT_TRUE(click(form.mnuImportarLista));
    ASSERT_EQ(form.cdsEndeCont.recordCount(), 6);
    EXPECT_EQ(queryDemo("SELECT NMFANTCLIE FROM CLIENTE WHERE NRINSJURCLIE = :i", {{"i", cpf(1)}})
                  .text(0, "NMFANTCLIE"),
              "João São");
    EXPECT_EQ(
        queryDemo("SELECT NMFANTCLIE FROM ENDECONTORCA WHERE NRINSJURCLIE = :i", {{"i", cpf(2)}})
            .text(0, "NMFANTCLIE"),
        "Maria Ção");
    const server::ResultSet registered = queryDemo(
        "SELECT NMFANTCLIE, DSENDECLIORE FROM ENDECONTORCA WHERE NRINSJURCLIE = '45612378955' "
        "AND NRORCAEVENTO = '0000000100'");
    ASSERT_EQ(registered.size(), 1u);
    EXPECT_EQ(registered.text(0, "NMFANTCLIE"), "João Pedro Santos");
    EXPECT_EQ(registered.text(0, "DSENDECLIORE"), "Avenida Atlântica, 2000");

    const fs::path exported = folder / "exportada.csv";
    dialogs.saveFile = exported.string();
    ASSERT_TRUE(click(form.mnuExportarLista));
    EXPECT_EQ(dialogs.lastMessage(), "6 contratantes exportados.");
    std::ifstream in(exported, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(bytes.find("529.982.247-25;Ana Beatriz Souza;ana.souza@example.com.br;"),
              std::string::npos);
    EXPECT_NE(bytes.find(";3.000,00;Lançado\r\n"), std::string::npos);

    // Read back, the list holds the parties as the screen has them.
    const auto entries = classlist::readClassList(bytes);
    ASSERT_EQ(entries.size(), 6u);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        ShowRow shown(form.cdsEndeCont, static_cast<int>(i));
        auto field = [&](const char* name) {
            return form.cdsEndeCont.fieldByName(name).displayText();
        };
        EXPECT_EQ(entries[i].inscription, field("NRINSJURCLIE"));
        EXPECT_EQ(entries[i].name, field("NMFANTCLIE"));
        EXPECT_EQ(entries[i].email, field("DSEMAILCLOR1"));
        EXPECT_EQ(entries[i].phone, field("NRTELECLIORE"));
        EXPECT_EQ(entries[i].adults, field("QTCONVADICADULTO"));
        EXPECT_EQ(entries[i].children, field("QTCONVADICCRIANCA"));
    }
    // Imported again into the same budget, every row is already a party.
    dialogs.listSource = ListSource{exported.string(), {}};
    dialogs.acceptReview = false;
    ASSERT_TRUE(click(form.mnuImportarLista));
    for (const ReviewRow& row : dialogs.reviews.back().rows)
        EXPECT_EQ(row.problem, "Já é contratante do orçamento") << row.line;
}

} // namespace
} // namespace ct::testing
