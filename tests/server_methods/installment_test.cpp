// Installments: reading, saving with the value of a deleted one moved, deleting, rescaling.
#include "methods_test.h"

namespace ct::server::testing {
namespace {

class InstallmentTest : public MethodsTest {
protected:
    json mariana_args() const { return json::array({"0001", "0000000100", "00", "0000000003"}); }
    json installments() { return value("GetFormaPtgo", mariana_args()); }
    std::vector<double> values(const json& packet) {
        std::vector<double> out;
        for (const auto& v : column(packet, "VRPARCELACONT")) {
            out.push_back(v.get<double>());
        }
        return out;
    }
};

TEST_P(InstallmentTest, GetFormaPtgoListsThePartysInstallmentsByDays) {
    const json plan = installments();
    ASSERT_EQ(row_count(plan), 3u);
    const std::vector<std::string> names = {"CDFILIAL",       "NRORCAEVENTO",    "NRSEQORCAEVE",
                                            "NRENDCLIORCEVE", "QTDIAFORMAPGCON", "VRPEFORMAPGCON",
                                            "DTVENCPARCCONT", "VRPARCELACONT",   "DSOBSPARCCONT"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(plan["fields"][i]["name"], names[i]);
    }
    EXPECT_EQ(column(plan, "QTDIAFORMAPGCON"), (std::vector<json>{30.0, 60.0, 90.0}));
    EXPECT_EQ(values(plan), (std::vector<double>{1333.33, 1333.33, 1333.34}));
    EXPECT_EQ(cell(plan, 0, "DTVENCPARCCONT"), "2027-02-15T00:00:00");
    EXPECT_EQ(cell(plan, 1, "DSOBSPARCCONT"), nullptr);
    EXPECT_EQ(
        row_count(value("GetFormaPtgo", json::array({"0001", "0000000100", "00", "0000000001"}))),
        0u);
}

TEST_P(InstallmentTest, SavedChangesComeBackAsStored) {
    const json plan = installments();
    json delta = delta_of(plan);
    const json first = plan["rows"][0];
    add_modify(delta, first, with_values(plan, first, {{"DSOBSPARCCONT", "Sinal"}}));
    add_insert(delta, make_row(plan, {{"CDFILIAL", "0001"},
                                      {"NRORCAEVENTO", "0000000100"},
                                      {"NRSEQORCAEVE", "00"},
                                      {"NRENDCLIORCEVE", "0000000003"},
                                      {"QTDIAFORMAPGCON", 120},
                                      {"VRPEFORMAPGCON", 0.0},
                                      {"DTVENCPARCCONT", "2027-05-16"},
                                      {"VRPARCELACONT", 0.004}}));
    const json answer = value("SetFormaPagto", json::array({delta}));
    ASSERT_EQ(row_count(answer), 4u);
    EXPECT_EQ(cell(answer, 0, "DSOBSPARCCONT"), "Sinal");
    EXPECT_EQ(cell(answer, 3, "DTVENCPARCCONT"), "2027-05-16T00:00:00");
    EXPECT_EQ(cell(answer, 3, "VRPARCELACONT"), 0.0);
    EXPECT_EQ(answer, installments());
}

TEST_P(InstallmentTest, DeletedValueMovesToTheLastRemainingInstallment) {
    const json plan = installments();
    json delta = delta_of(plan);
    add_delete(delta, plan["rows"][1]); // 60 days, 1.333,33
    json answer = value("SetFormaPagto", json::array({delta}));
    ASSERT_EQ(row_count(answer), 2u);
    EXPECT_EQ(values(answer), (std::vector<double>{1333.33, 2666.67}));
    EXPECT_DOUBLE_EQ(cell(answer, 1, "VRPEFORMAPGCON").get<double>(), 66.67);
    EXPECT_DOUBLE_EQ(cell(answer, 0, "VRPEFORMAPGCON").get<double>(), 33.33325);

    // Deleting the last one moves its value to the one before it.
    json again = delta_of(answer);
    add_delete(again, answer["rows"][1]);
    answer = value("SetFormaPagto", json::array({again}));
    EXPECT_EQ(values(answer), std::vector<double>{4000.0});
    EXPECT_DOUBLE_EQ(cell(answer, 0, "VRPEFORMAPGCON").get<double>(), 100.0);

    // The only installment deleted: nothing is left to carry it.
    json last = delta_of(answer);
    add_delete(last, answer["rows"][0]);
    EXPECT_EQ(row_count(value("SetFormaPagto", json::array({last}))), 0u);
    EXPECT_EQ(count("SELECT COUNT(*) FROM FORMAPAGTOCONT"), 0);
}

TEST_P(InstallmentTest, RefusalsWriteNothing) {
    const json plan = installments();
    const std::string before = fingerprint();

    json keyless = delta_of(plan);
    add_insert(keyless, make_row(plan, {{"CDFILIAL", "0001"},
                                        {"NRORCAEVENTO", "0000000100"},
                                        {"NRSEQORCAEVE", "00"},
                                        {"NRENDCLIORCEVE", ""},
                                        {"QTDIAFORMAPGCON", 10},
                                        {"VRPARCELACONT", 10.0}}));
    EXPECT_EQ(refusal("SetFormaPagto", json::array({keyless})),
              "A parcela não está ligada a um contratante: salve o contratante antes de suas "
              "parcelas.");

    // A good change before a stale one is rolled back with it.
    json stale = delta_of(plan);
    const json first = plan["rows"][0];
    add_modify(stale, first, with_values(plan, first, {{"DSOBSPARCCONT", "Novo"}}));
    json old_third = with_values(plan, plan["rows"][2], {{"VRPARCELACONT", 1000.0}});
    add_modify(stale, old_third, with_values(plan, old_third, {{"VRPARCELACONT", 900.0}}));
    EXPECT_NE(refusal("SetFormaPagto", json::array({stale})).find("alterad"), std::string::npos);

    json orphan = delta_of(plan);
    add_insert(orphan, make_row(plan, {{"CDFILIAL", "0001"},
                                       {"NRORCAEVENTO", "0000000100"},
                                       {"NRSEQORCAEVE", "00"},
                                       {"NRENDCLIORCEVE", "0000000077"},
                                       {"QTDIAFORMAPGCON", 10}}));
    EXPECT_NE(refusal("SetFormaPagto", json::array({orphan})).find("0000000077"),
              std::string::npos);

    json bad_date = delta_of(plan);
    add_modify(bad_date, first, with_values(plan, first, {{"DTVENCPARCCONT", "2027-02-30"}}));
    EXPECT_EQ(error_code("SetFormaPagto", json::array({bad_date})), -32602);
    EXPECT_EQ(fingerprint(), before);
}

// A party that is no longer "LANCADO" keeps its payment mode, plan and fixed day whichever call
// tries to change them; its other fields, and a call that changes nothing of its plan, go.
TEST_P(InstallmentTest, ALockedPartysPlanIsRefusedByEveryCall) {
    exec("UPDATE ENDECONTORCA SET IDSITUCONTOREV = 'CNTGERADA' WHERE NRORCAEVENTO = "
         "'0000000100' AND NRENDCLIORCEVE = '0000000003'");
    const json plan = installments();
    json added = delta_of(plan);
    add_insert(added, make_row(plan, {{"CDFILIAL", "0001"},
                                      {"NRORCAEVENTO", "0000000100"},
                                      {"NRSEQORCAEVE", "00"},
                                      {"NRENDCLIORCEVE", "0000000003"},
                                      {"QTDIAFORMAPGCON", 150},
                                      {"VRPARCELACONT", 100.0}}));
    json removed = delta_of(plan);
    add_delete(removed, plan["rows"][2]);
    const json budget400 = parties("0001", "0000000400", "00");
    auto party_change = [&](const char* number, const json& values) {
        json delta = delta_of(budget400);
        const json row = row_of(budget400, number);
        add_modify(delta, row, with_values(budget400, row, values));
        return json::array({delta, nullptr, "0001", "0000000400", "00"});
    };
    const std::string plan_locked =
        ": sua forma de pagamento, suas parcelas e seu dia fixo não podem ser alterados.";
    const struct {
        const char* what;
        const char* method;
        json params;
        std::string refusal;
    } refused[] = {
        {"an installment added", "SetFormaPagto", json::array({added}),
         "O contratante Mariana Alves Costa tem conta gerada" + plan_locked},
        {"an installment deleted", "SetFormaPagto", json::array({removed}),
         "O contratante Mariana Alves Costa tem conta gerada" + plan_locked},
        {"the plan deleted", "DeletaParcelas", mariana_args(),
         "O contratante Mariana Alves Costa tem conta gerada" + plan_locked},
        {"Bruno without a plan", "SetEndeCont",
         party_change("0000000001", {{"IDFORMAPGCONT", "E"},
                                     {"NRDIAVENCONOREV", 0},
                                     {"QTPARCCONTOREV", 0},
                                     {"IDMESVENCONOREV", "ATUAL"}}),
         "O contratante Bruno Henrique Dias tem conta gerada" + plan_locked},
        {"Bruno's fixed day", "SetEndeCont", party_change("0000000001", {{"NRDIAVENCONOREV", 20}}),
         "O contratante Bruno Henrique Dias tem conta gerada" + plan_locked},
        {"Patrícia's month", "SetEndeCont",
         party_change("0000000002", {{"IDMESVENCONOREV", "PROXIMO"}}),
         "O contratante Patrícia Gomes Nunes foi cancelado" + plan_locked},
        {"Atlética by installments", "SetEndeCont",
         party_change("0000000003", {{"IDFORMAPGCONT", "V"}}),
         "O contratante Atlética Engenharia foi devolvido" + plan_locked},
    };
    const std::string before = fingerprint();
    for (const auto& c : refused) {
        EXPECT_EQ(refusal(c.method, c.params), c.refusal) << c.what;
    }
    EXPECT_EQ(fingerprint(), before);

    // Bruno has no installments to delete, and Atlética may change its contact.
    EXPECT_TRUE(call("DeletaParcelas", json::array({"0001", "0000000400", "00", "0000000001"}))
                    .contains("result"));
    EXPECT_TRUE(call("SetEndeCont", party_change("0000000003", {{"NMCONTCLIORE", "Rita"}}))
                    .contains("result"));
    EXPECT_EQ(text("SELECT NMCONTCLIORE FROM ENDECONTORCA WHERE NRORCAEVENTO = '0000000400' AND "
                   "NRENDCLIORCEVE = '0000000003'"),
              "Rita");
    // "LANCADO" again, Mariana's plan changes.
    exec("UPDATE ENDECONTORCA SET IDSITUCONTOREV = 'LANCADO' WHERE NRORCAEVENTO = '0000000100'");
    EXPECT_EQ(row_count(value("SetFormaPagto", json::array({removed}))), 2u);
}

// A writing call that changes no row is no change: no audit row, and the parties' last changes
// stay as they were.
TEST_P(InstallmentTest, ACallThatChangesNothingLeavesNoAuditRow) {
    const json budget100 = parties("0001", "0000000100", "00");
    const struct {
        const char* what;
        const char* method;
        json params;
        long long audit_rows; // after the call
    } calls[] = {
        {"Ana's cancel: no installments to delete", "DeletaParcelas",
         json::array({"0001", "0000000100", "00", "0000000001"}), 0},
        {"a save with nothing pending", "SetEndeCont",
         json::array({delta_of(budget100), nullptr, "0001", "0000000100", "00"}), 0},
        {"no extra invitations to bill", "SetGerarConta",
         json::array({"0001", "0000000100", "00", "EXTRA", "MARIA"}), 0},
        {"Mariana's installments deleted", "DeletaParcelas", mariana_args(), 1},
    };
    for (const auto& c : calls) {
        EXPECT_TRUE(call(c.method, c.params).contains("result")) << c.what;
        EXPECT_EQ(count("SELECT COUNT(*) FROM AUDITORIA"), c.audit_rows) << c.what;
    }
    EXPECT_EQ(text("SELECT NMMETODO || '/' || NRENDCLIORCEVE FROM AUDITORIA"),
              "DeletaParcelas/0000000003");
}

TEST_P(InstallmentTest, DeletaParcelasEmptiesOnlyThatParty) {
    exec("INSERT INTO FORMAPAGTOCONT (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
         "QTDIAFORMAPGCON, VRPARCELACONT) VALUES ('0001', '0000000100', '00', '0000000001', 30, "
         "3000)");
    const json answer = value("DeletaParcelas", mariana_args());
    EXPECT_EQ(row_count(answer), 0u);
    EXPECT_EQ(answer["fields"].size(), 9u);
    EXPECT_EQ(count("SELECT COUNT(*) FROM FORMAPAGTOCONT WHERE NRENDCLIORCEVE = '0000000003'"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM FORMAPAGTOCONT WHERE NRENDCLIORCEVE = '0000000001'"), 1);
}

TEST_P(InstallmentTest, AtualizaParcelasRescalesOpenVariablePartiesOnly) {
    // The apportionment has just given Mariana 5.000,00 and Ana 2.000,00.
    exec("UPDATE ENDECONTORCA SET VRRECECONTOREV = 5000 WHERE NRORCAEVENTO = '0000000100' AND "
         "NRENDCLIORCEVE = '0000000003'");
    exec("UPDATE ENDECONTORCA SET VRRECECONTOREV = 2000 WHERE NRORCAEVENTO = '0000000100' AND "
         "NRENDCLIORCEVE = '0000000001'");
    exec("INSERT INTO FORMAPAGTOCONT (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
         "QTDIAFORMAPGCON, VRPEFORMAPGCON, VRPARCELACONT) VALUES ('0001', '0000000100', '00', "
         "'0000000001', 30, 100, 3000)");
    EXPECT_EQ(value("AtualizaParcelas", json::array({parties("0001", "0000000100", "00")})),
              nullptr);
    const json plan = installments();
    EXPECT_EQ(values(plan), (std::vector<double>{1666.66, 1666.66, 1666.68}));
    // Each percentage is the installment's part of the new value.
    EXPECT_DOUBLE_EQ(cell(plan, 0, "VRPEFORMAPGCON").get<double>(), 33.3332);
    EXPECT_DOUBLE_EQ(cell(plan, 2, "VRPEFORMAPGCON").get<double>(), 33.3336);
    // Ana pays in mode "E": her stray installment is not the apportionment's business.
    EXPECT_DOUBLE_EQ(number("SELECT VRPARCELACONT FROM FORMAPAGTOCONT WHERE NRENDCLIORCEVE = "
                            "'0000000001'"),
                     3000.0);

    // Cancelled and generated parties keep their installments.
    exec("UPDATE ENDECONTORCA SET VRRECECONTOREV = 1000 WHERE NRORCAEVENTO = '0000000100' AND "
         "NRENDCLIORCEVE = '0000000003'");
    json packet = parties("0001", "0000000100", "00");
    for (const char* status : {"CANCELADO", "CNTGERADA"}) {
        exec(std::string("UPDATE ENDECONTORCA SET IDSITUCONTOREV = '") + status +
             "' WHERE NRORCAEVENTO = '0000000100' AND NRENDCLIORCEVE = '0000000003'");
        value("AtualizaParcelas", json::array({packet}));
        EXPECT_EQ(values(installments()), (std::vector<double>{1666.66, 1666.66, 1666.68}))
            << status;
    }
    exec("UPDATE ENDECONTORCA SET IDSITUCONTOREV = 'LANCADO' WHERE NRORCAEVENTO = '0000000100' "
         "AND NRENDCLIORCEVE = '0000000003'");
    value("AtualizaParcelas", json::array({packet}));
    EXPECT_EQ(values(installments()), (std::vector<double>{333.33, 333.33, 333.34}));

    // A plan whose values add up to nothing keeps the shape of its percentages.
    exec("UPDATE FORMAPAGTOCONT SET VRPARCELACONT = 0, VRPEFORMAPGCON = 25 WHERE "
         "NRENDCLIORCEVE = '0000000003'");
    exec("UPDATE FORMAPAGTOCONT SET VRPEFORMAPGCON = 50 WHERE NRENDCLIORCEVE = '0000000003' AND "
         "QTDIAFORMAPGCON = 90");
    value("AtualizaParcelas", json::array({packet}));
    const json shares = installments();
    EXPECT_EQ(values(shares), (std::vector<double>{250.0, 250.0, 500.0}));
    EXPECT_EQ(column(shares, "VRPEFORMAPGCON"), (std::vector<json>{25.0, 25.0, 50.0}));

    // Whole data is required, of budgets whose parties may change.
    EXPECT_EQ(error_code("AtualizaParcelas", json::array({delta_of(packet)})), -32602);
    EXPECT_EQ(error_code("AtualizaParcelas", json::array({parties("0001", "0000000300", "00")})),
              1);
}

CT_SERVER_TEST_ON_ENGINES(InstallmentTest);

} // namespace
} // namespace ct::server::testing
