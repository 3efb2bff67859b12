// Budget-wide operations: generated value, consistency checks, extra account, quota
// responsible, refund.
#include "methods_test.h"

#include <atomic>
#include <thread>

namespace ct::server::testing {
namespace {

class BudgetOperationsTest : public MethodsTest {
protected:
    json budget(const std::string& number, const std::string& seq = "00") const {
        return json::array({"0001", number, seq});
    }
    json party(const std::string& number, const std::string& nr) const {
        return json::array({"0001", number, "00", nr});
    }
    double paid(const std::string& number, const std::string& nr) {
        return cell(value("GetVrConta", party(number, nr)), 0, "VRATUAREC").get<double>();
    }
};

TEST_P(BudgetOperationsTest, GetValorGeradoSumsThePartiesWithGeneratedAccounts) {
    EXPECT_EQ(column(value("GetValorGerado", budget("0000000400")), "VRGERADO"),
              std::vector<json>{5000.0});
    EXPECT_EQ(column(value("GetValorGerado", budget("0000000100")), "VRGERADO"),
              std::vector<json>{0.0});
    exec("UPDATE ENDECONTORCA SET IDSITUCONTOREV = 'CNTGERADA', VRRECECONTOREV = 0.1 WHERE "
         "NRORCAEVENTO = '0000000100'");
    exec("UPDATE ENDECONTORCA SET VRRECECONTOREV = 0.2 WHERE NRORCAEVENTO = '0000000100' AND "
         "NRENDCLIORCEVE = '0000000003'");
    EXPECT_EQ(column(value("GetValorGerado", budget("0000000100")), "VRGERADO"),
              std::vector<json>{0.4});
}

TEST_P(BudgetOperationsTest, GetVdTipoEveCustEfetComparesInvitations) {
    json answer = call("GetVdTipoEveCustEfet", budget("0000000100"));
    EXPECT_EQ(answer["result"]["value"], json::array({true, ""}));
    EXPECT_EQ(answer["result"]["byref"], (json{{"2", "00"}}));

    exec("UPDATE ENDECONTORCA SET QTCONVCONTOREV = 0 WHERE NRORCAEVENTO = '0000000100' AND "
         "NRENDCLIORCEVE = '0000000001'");
    exec("UPDATE ORCAEVENTO SET QTCONVORCA = 80 WHERE NRORCAEVENTO = '0000000100' AND "
         "NRSEQORCAEVE = '00'");
    EXPECT_EQ(value("GetVdTipoEveCustEfet", budget("0000000100")),
              json::array({false, "CONV_QTD_ZERO"}));
    exec("UPDATE ORCAEVENTO SET QTCONVORCA = 100 WHERE NRORCAEVENTO = '0000000100'");
    EXPECT_EQ(value("GetVdTipoEveCustEfet", budget("0000000100")),
              json::array({false, "CONV_DIF"}));
    // Cancelled and refunded parties do not count (budget 400: 30 open of 90).
    EXPECT_EQ(value("GetVdTipoEveCustEfet", budget("0000000400")),
              json::array({false, "CONV_DIF"}));
    exec("UPDATE ORCAEVENTO SET QTCONVORCA = 30 WHERE NRORCAEVENTO = '0000000400'");
    EXPECT_EQ(value("GetVdTipoEveCustEfet", budget("0000000400")), json::array({true, ""}));
}

TEST_P(BudgetOperationsTest, GetQtContratantesComparesOpenPartiesWithTheRecordedNumber) {
    EXPECT_EQ(value("GetQtContratantes", budget("0000000100")), true);
    EXPECT_EQ(value("GetQtContratantes", budget("0000000400")), false); // 1 open of 3
    EXPECT_EQ(value("GetQtContratantes", budget("0000000200")), true);  // none recorded
    exec("UPDATE ORCAEVENTO SET QTCONTRATORCA = 4 WHERE NRORCAEVENTO = '0000000100' AND "
         "NRSEQORCAEVE = '00'");
    EXPECT_EQ(value("GetQtContratantes", budget("0000000100")), false);
    EXPECT_EQ(byref("GetQtContratantes", budget("0000000100", "01")), (json{{"2", "01"}}));
}

TEST_P(BudgetOperationsTest, SetGerarContaBillsUnbilledExtraInvitationsOnce) {
    const json args = json::array({"0001", "0000000400", "00", "EXTRA", "MARIA"});
    EXPECT_EQ(value("SetGerarConta", args), nullptr);
    ResultSet account = query("SELECT IDTIPOCONTAREC, CDOPERACAO, CDTIPOCONTREC, CDSERIE, "
                              "QTCONVEXTRA, VRCONTAREC, VRPAGOREC, CDOPERADOR, NRENDCLIORCEVE "
                              "FROM CONTAREC WHERE IDTIPOCONTAREC = 'EXTRA'");
    ASSERT_EQ(account.size(), 1u);
    EXPECT_EQ(account.text(0, "NRENDCLIORCEVE"), "0000000001");
    EXPECT_EQ(account.text(0, "CDOPERACAO"), "55");
    EXPECT_EQ(account.text(0, "CDTIPOCONTREC"), "CE");
    EXPECT_EQ(account.text(0, "CDSERIE"), "001");
    EXPECT_EQ(as_integer(account.at(0, "QTCONVEXTRA")), 5);
    EXPECT_DOUBLE_EQ(account.number(0, "VRCONTAREC"), 300.0);
    EXPECT_DOUBLE_EQ(account.number(0, "VRPAGOREC"), 0.0);
    EXPECT_EQ(account.text(0, "CDOPERADOR"), "MARIA");

    // Billed invitations are not billed again; new ones are billed at their share.
    const std::string before = fingerprint();
    EXPECT_EQ(value("SetGerarConta", args), nullptr);
    EXPECT_EQ(fingerprint(), before);
    exec("UPDATE ENDECONTORCA SET QTEXTCONVOREV = 8, VREXTCONVOREV = 480 WHERE NRORCAEVENTO = "
         "'0000000400' AND NRENDCLIORCEVE = '0000000001'");
    value("SetGerarConta", args);
    EXPECT_DOUBLE_EQ(number("SELECT SUM(VRCONTAREC) FROM CONTAREC WHERE IDTIPOCONTAREC = "
                            "'EXTRA'"),
                     480.0);
    EXPECT_EQ(count("SELECT MAX(QTCONVEXTRA) FROM CONTAREC WHERE IDTIPOCONTAREC = 'EXTRA' AND "
                    "VRCONTAREC < 200"),
              3);
    EXPECT_EQ(error_code("SetGerarConta", json::array({"0001", "0000000400", "00", "EXTRA",
                                                       "NOME-COMPRIDO-DEMAIS"})),
              -32602);
}

TEST_P(BudgetOperationsTest, SetGerarContaNamesTheMissingBranchParameter) {
    const json args = json::array({"0002", "0000000600", "00", "EXTRA", "MARIA"});
    const std::string before = fingerprint();
    EXPECT_EQ(refusal("SetGerarConta", args), "N_PARAM_SERIE");
    exec("UPDATE PARAMFILIAL SET CDSERIEPADRAO = '002' WHERE CDFILIAL = '0002'");
    EXPECT_EQ(refusal("SetGerarConta", args), "N_PARAM_TPCTREC|55");
    exec("UPDATE PARAMFILIAL SET CDTIPOCONTREC = 'CE' WHERE CDFILIAL = '0002'");
    EXPECT_EQ(refusal("SetGerarConta", args), "N_PARAM_PED|0002");
    EXPECT_EQ(fingerprint(), before);
    exec("UPDATE PARAMFILIAL SET CDTIPOPEDIDO = 'PD' WHERE CDFILIAL = '0002'");
    EXPECT_EQ(value("SetGerarConta", args), nullptr);
    EXPECT_DOUBLE_EQ(number("SELECT VRCONTAREC FROM CONTAREC WHERE IDTIPOCONTAREC = 'EXTRA'"),
                     200.0);
    EXPECT_NE(refusal("SetGerarConta", json::array({"0001", "0000000400", "00", "OUTRA", "M"}))
                  .find("OUTRA"),
              std::string::npos);
}

TEST_P(BudgetOperationsTest, SetLiderTurmaNamesAndReleasesTheResponsible) {
    // Ana (budget 100) has no accounts and the budget no cancellation children.
    json answer =
        call("SetLiderTurma", json::array({"0001", "0000000100", "00", "N", "F52998224725"}));
    EXPECT_EQ(answer["result"]["value"], nullptr);
    EXPECT_EQ(answer["result"]["byref"], (json{{"2", "00"}}));
    EXPECT_EQ(row_count(value("GetLiderTurma", json::array({"0001", "0000000100"}))), 0u);

    EXPECT_EQ(
        value("SetLiderTurma", json::array({"0001", "0000000100", "00", "S", "F12345678909"})),
        nullptr);
    const json leader = value("GetLiderTurma", json::array({"0001", "0000000100"}));
    EXPECT_EQ(column(leader, "CDCLIENCONTORCA"), std::vector<json>{"F12345678909"});
    const json shown = parties("0001", "0000000100", "00");
    EXPECT_EQ(column(shown, "IDCONTRESPCOTAORCA"), (std::vector<json>{"N", "S", "N"}));

    const std::string before = fingerprint();
    EXPECT_NE(
        refusal("SetLiderTurma", json::array({"0001", "0000000100", "00", "S", "F98765432100"}))
            .find("já possui responsável"),
        std::string::npos);
    EXPECT_EQ(
        refusal("SetLiderTurma", json::array({"0001", "0000000100", "00", "N", "F98765432100"})),
        "O contratante informado não é o responsável pelas cotas do orçamento.");
    EXPECT_EQ(fingerprint(), before);
    exec("DELETE FROM ORCARESPCOTA");
    EXPECT_NE(
        refusal("SetLiderTurma", json::array({"0001", "0000000100", "00", "S", "F45612378955"}))
            .find("não é contratante"),
        std::string::npos);
    EXPECT_NE(
        refusal("SetLiderTurma", json::array({"0001", "0000000100", "00", "X", "F98765432100"}))
            .find("Opção inválida"),
        std::string::npos);
}

TEST_P(BudgetOperationsTest, ReleasingIsRefusedWithGeneratedAccountsThenWithChildren) {
    const json args = json::array({"0001", "0000000400", "00", "N", "F15935748606"});
    const std::string before = fingerprint();
    EXPECT_EQ(refusal("SetLiderTurma", args), "RESP_COTAS_ORCA_FECH");
    EXPECT_EQ(fingerprint(), before);
    // Accounts in another sequence count as well.
    exec("UPDATE ENDECONTORCA SET IDSITUCONTOREV = 'LANCADO' WHERE NRORCAEVENTO = '0000000400'");
    exec("UPDATE CONTAREC SET NRSEQORCAEVE = '01' WHERE NRORCAEVENTO = '0000000400'");
    exec("INSERT INTO ORCAEVENTO (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, IDSITUORCEVE) VALUES "
         "('0001', '0000000400', '01', '2')");
    exec("INSERT INTO ENDECONTORCA (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
         "CDCLIENCONTORCA, IDSITUCONTOREV) VALUES ('0001', '0000000400', '01', '0000000001', "
         "'F15935748606', 'LANCADO')");
    EXPECT_EQ(refusal("SetLiderTurma", args), "RESP_COTAS_ORCA_FECH");
    exec("DELETE FROM CONTAREC WHERE NRORCAEVENTO = '0000000400'");
    EXPECT_EQ(refusal("SetLiderTurma", args), "EXIST_ORCA_DISTRATO");
    exec("DELETE FROM ORCAEVENTO WHERE NRORCAEVENTO = '0000000500'");
    EXPECT_EQ(value("SetLiderTurma", args), nullptr);
    EXPECT_EQ(count("SELECT COUNT(*) FROM ORCARESPCOTA WHERE NRORCAEVENTO = '0000000400'"), 0);
}

TEST_P(BudgetOperationsTest, GetVrContaIsWhatWasPaidAndRefusesARefundedParty) {
    EXPECT_DOUBLE_EQ(paid("0000000400", "0000000001"), 1500.0);
    EXPECT_DOUBLE_EQ(paid("0000000100", "0000000001"), 0.0);
    EXPECT_EQ(row_count(value("GetVrConta", party("0000000999", "0000000001"))), 1u);
    // Atlética had its refund: the command is refused for that reason, not for what is left.
    EXPECT_EQ(refusal("GetVrConta", party("0000000400", "0000000003")),
              "O contratante Atlética Engenharia já possui conta de devolução; uma segunda "
              "devolução não é permitida.");
}

TEST_P(BudgetOperationsTest, SetGeraDevolucaoRaisesOneRefundWithinWhatWasPaid) {
    // Bruno (budget 400, party 1) paid 1.500,00: refund and fine together go up to that.
    struct Refusal {
        const char* budget;
        const char* party;
        double value;
        std::string message;
    };
    const Refusal refusals[] = {
        {"0000000400", "0000000001", 1500.01,
         "O valor da devolução com a multa (1.500,01) passa do valor recebido do contratante "
         "(1.500,00)."},

        {"0000000400", "0000000001", 0.0, "O valor da devolução deve ser maior que zero."},
        {"0000000400", "0000000001", 0.004, "O valor da devolução deve ser maior que zero."},
        {"0000000400", "0000000001", -5.0, "O valor da devolução deve ser maior que zero."},
        {"0000000100", "0000000001", 10.0, "Não há recebimento para o contratante selecionado."},
        {"0000000400", "0000000002", 10.0, "Não há recebimento para o contratante selecionado."},
        // Atlética has had its refund already.
        {"0000000400", "0000000003", 100.0,
         "O contratante Atlética Engenharia já possui conta de devolução; uma segunda devolução "
         "não é permitida."},
    };
    const std::string before = fingerprint();
    for (const Refusal& r : refusals) {
        EXPECT_EQ(
            refusal("SetGeraDevolucao", json::array({"0001", r.budget, "00", r.party, r.value})),
            r.message)
            << r.budget << "/" << r.party << " " << r.value;
    }
    EXPECT_EQ(error_code("SetGeraDevolucao",
                         json::array({"0001", "0000000400", "00", "0000000001", "10"})),
              -32602);
    EXPECT_EQ(fingerprint(), before);

    // 1.000,00 refunded with a fine of 10 %: what the screen sends, rounded to the cent.
    json answer =
        call("SetGeraDevolucao", json::array({"0001", "0000000400", "00", "0000000001", 1099.999}));
    ASSERT_TRUE(answer.contains("result")) << answer.dump();
    EXPECT_EQ(column(answer["result"]["value"], "VRATUAREC"), std::vector<json>{400.0});
    EXPECT_EQ(answer["result"]["byref"], (json{{"4", 1099.999}}));
    EXPECT_DOUBLE_EQ(number("SELECT VRCONTAREC FROM CONTAREC WHERE IDTIPOCONTAREC = "
                            "'DEVOLUCAO' AND NRORCAEVENTO = '0000000400' AND NRENDCLIORCEVE = "
                            "'0000000001'"),
                     1100.0);
    EXPECT_EQ(text("SELECT IDSITUCONTOREV FROM ENDECONTORCA WHERE NRORCAEVENTO = '0000000400' "
                   "AND NRENDCLIORCEVE = '0000000001'"),
              "DEVOLVIDO");
    EXPECT_EQ(count("SELECT COUNT(*) FROM CONTAREC WHERE IDTIPOCONTAREC = 'DEVOLUCAO' AND "
                    "DTGERACONTAREC IS NOT NULL AND DTVENCCONTAREC > DTGERACONTAREC"),
              2);
    // Raised under the branch's refund operation, by the operator of the call.
    EXPECT_EQ(text("SELECT CDOPERACAO || '/' || CDOPERADOR FROM CONTAREC WHERE IDTIPOCONTAREC "
                   "= 'DEVOLUCAO' AND NRORCAEVENTO = '0000000400' AND NRENDCLIORCEVE = "
                   "'0000000001'"),
              "51/LOCAL");
    // What is left of the payments is not refunded a second time.
    const std::string after = fingerprint();
    EXPECT_EQ(
        refusal("SetGeraDevolucao", json::array({"0001", "0000000400", "00", "0000000001", 10.0})),
        "O contratante Bruno Henrique Dias já possui conta de devolução; uma segunda devolução não "
        "é permitida.");
    EXPECT_EQ(fingerprint(), after);
}

TEST_P(BudgetOperationsTest, SetGeraDevolucaoTakesAllThatWasPaidUnderTheBranchsOperation) {
    // Budget 900: the cancelled party paid 800,00; its branch names no refund operation yet.
    EXPECT_DOUBLE_EQ(paid("0000000900", "0000000001"), 800.0);
    const json args = json::array({"0001", "0000000900", "00", "0000000001", 800.0});
    exec("UPDATE PARAMFILIAL SET CDOPERDEVOLUCAO = NULL WHERE CDFILIAL = '0001'");
    const std::string before = fingerprint();
    EXPECT_EQ(refusal("SetGeraDevolucao", args),
              "Não há operação de devolução parametrizada para a filial 0001. Informe-a na tela "
              "de Cadastro de Filial.");
    EXPECT_EQ(fingerprint(), before);
    exec("UPDATE PARAMFILIAL SET CDOPERDEVOLUCAO = '57' WHERE CDFILIAL = '0001'");
    const json answer = call("SetGeraDevolucao", args);
    ASSERT_TRUE(answer.contains("result")) << answer.dump();
    EXPECT_EQ(text("SELECT IDSITUCONTOREV FROM ENDECONTORCA WHERE NRORCAEVENTO = '0000000900' "
                   "AND NRENDCLIORCEVE = '0000000001'"),
              "DEVOLVIDO");
    EXPECT_EQ(text("SELECT CDOPERACAO FROM CONTAREC WHERE NRORCAEVENTO = '0000000900' AND "
                   "IDTIPOCONTAREC = 'DEVOLUCAO'"),
              "57");
    // Nothing is left, and the next try is refused for the refund it already had.
    EXPECT_EQ(refusal("GetVrConta", party("0000000900", "0000000001")),
              "O contratante João Pedro Santos já possui conta de devolução; uma segunda "
              "devolução não é permitida.");
}

TEST_P(BudgetOperationsTest, RefundsAtTheSameTimeNeverExceedWhatWasPaid) {
    std::atomic<int> granted{0};
    std::atomic<int> refused{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < 4; ++t) {
        pool.emplace_back([&] {
            json answer = call("SetGeraDevolucao",
                               json::array({"0001", "0000000400", "00", "0000000001", 1000.0}));
            if (answer.contains("result")) {
                ++granted;
            } else if (answer.contains("error") && answer["error"]["code"] == 1) {
                ++refused;
            }
        });
    }
    for (auto& th : pool) {
        th.join();
    }
    EXPECT_EQ(granted.load(), 1);
    EXPECT_EQ(refused.load(), 3);
    EXPECT_DOUBLE_EQ(number("SELECT SUM(VRCONTAREC) FROM CONTAREC WHERE IDTIPOCONTAREC = "
                            "'DEVOLUCAO' AND NRORCAEVENTO = '0000000400' AND NRENDCLIORCEVE = "
                            "'0000000001'"),
                     1000.0);
}

CT_SERVER_TEST_ON_ENGINES(BudgetOperationsTest);

} // namespace
} // namespace ct::server::testing
