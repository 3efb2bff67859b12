// First parties of a budget and the closing checks, on the demo data.
#include "server/domain/party_queries.h"
#include "server_fixture.h"

#include <set>
#include <thread>

namespace ct::server::testing {
namespace {

class PartyWriteMethodsTest : public ServerTest {
protected:
    void exec(const std::string& statement) {
        Database::Lease lease(db());
        lease.sql().exec(statement);
    }
};

TEST_P(PartyWriteMethodsTest, SetImpContratanteCopiesTheOpenPartiesOfSequence00) {
    json answer = call("SetImpContratante", json::array({"0001", "0000000100", "01"}));
    ASSERT_TRUE(answer.contains("result")) << answer.dump();
    EXPECT_EQ(answer["result"]["value"], nullptr);
    EXPECT_EQ(answer["result"]["byref"], (json{{"2", "01"}}));
    json v = value("GetContratante", json::array({"0001", "0000000100", "01"}));
    json p = v[0];
    ASSERT_EQ(row_count(p), 3u);
    EXPECT_EQ(column(p, "NRENDCLIORCEVE"),
              (std::vector<json>{"0000000001", "0000000002", "0000000003"}));
    EXPECT_EQ(column(p, "IDSITUCONTOREV"), (std::vector<json>{"LANCADO", "LANCADO", "LANCADO"}));
    EXPECT_EQ(column(p, "IDFORMAPGCONT"), (std::vector<json>{"E", "E", "E"}));
    EXPECT_EQ(column(p, "NRSEQORCAEVE"), (std::vector<json>{"01", "01", "01"}));
    EXPECT_EQ(cell(p, 1, "CDCLICONTSUBORE"), "F52998224725");
    EXPECT_EQ(cell(p, 2, "DSENDECLIORE"), "Rua Coronel Quirino, 800");
    EXPECT_DOUBLE_EQ(cell(p, 1, "QTCONVADICADULTO").get<double>(), 2.0);
    EXPECT_EQ(cell(p, 0, "VRRECECONTOREV"), nullptr);
    EXPECT_EQ(v[1]["rows"][0][0], 120.0);
    // No installments come along.
    EXPECT_EQ(count("SELECT COUNT(*) FROM FORMAPAGTOCONT WHERE NRSEQORCAEVE = '01'"), 0);

    // A sequence that already has parties is left alone.
    exec("UPDATE ENDECONTORCA SET NMFANTCLIE = 'Mudado' WHERE NRSEQORCAEVE = '01' AND "
         "NRENDCLIORCEVE = '0000000001'");
    EXPECT_EQ(value("SetImpContratante", json::array({"0001", "0000000100", "01"})), nullptr);
    EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NRORCAEVENTO = '0000000100' AND "
                    "NRSEQORCAEVE = '01'"),
              3);
    EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NMFANTCLIE = 'Mudado'"), 1);
}

TEST_P(PartyWriteMethodsTest, SetImpContratanteSkipsClosedPartiesAndUnknownSequences) {
    exec("INSERT INTO ORCAEVENTO (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, IDSITUORCEVE, VRTOTALOREV) "
         "VALUES ('0001', '0000000400', '01', '2', 1000)");
    EXPECT_EQ(value("SetImpContratante", json::array({"0001", "0000000400", "01"})), nullptr);
    EXPECT_EQ(
        column(value("GetContratante", json::array({"0001", "0000000400", "01"}))[0], "NMFANTCLIE"),
        std::vector<json>{"Bruno Henrique Dias"});
    EXPECT_EQ(refusal("SetImpContratante", json::array({"0001", "0000000100", "05"})),
              "Sequência do orçamento não cadastrada.");
    EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NRSEQORCAEVE = '05'"), 0);
}

TEST_P(PartyWriteMethodsTest, SetClienteContratanteStoresTheBudgetClientWithItsAddress) {
    EXPECT_EQ(value("SetClienteContratante", json::array({"0001", "0000000200", ""})), nullptr);
    json v = value("GetContratante", json::array({"0001", "0000000200", "00"}));
    json p = v[0];
    ASSERT_EQ(row_count(p), 1u);
    EXPECT_EQ(cell(p, 0, "NRENDCLIORCEVE"), "0000000001");
    EXPECT_EQ(cell(p, 0, "CDCLIENTE"), "F32165498791");
    EXPECT_EQ(cell(p, 0, "CDCLIENCONTORCA"), "F32165498791");
    EXPECT_EQ(cell(p, 0, "NRINSJURCLIE"), "32165498791");
    EXPECT_EQ(cell(p, 0, "NMFANTCLIE"), "Fernanda Oliveira Rocha");
    EXPECT_EQ(cell(p, 0, "DSENDECLIORE"), "Alameda dos Maracatins, 300");
    EXPECT_EQ(cell(p, 0, "CDBAIRRO"), "0000000002");
    EXPECT_EQ(cell(p, 0, "NMBAIRRO"), "Moema");
    EXPECT_EQ(cell(p, 0, "NRCELCLIORE1"), "(11) 97505-6060");
    EXPECT_EQ(cell(p, 0, "IDSITUCONTOREV"), "LANCADO");
    EXPECT_EQ(cell(p, 0, "IDFORMAPGCONT"), "E");
    EXPECT_EQ(v[1]["rows"], json::array({json::array({150.0, 5000.0, 1.0})}));

    // Twice is refused, and writes nothing.
    EXPECT_EQ(refusal("SetClienteContratante", json::array({"0001", "0000000200", "00"})),
              "Contratante já cadastrado para o orçamento.");
    EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NRORCAEVENTO = '0000000200'"), 1);
    // With every sequence taken the empty sequence finds none.
    EXPECT_EQ(refusal("SetClienteContratante", json::array({"0001", "0000000200", ""})),
              "Todas as sequências do orçamento já possuem contratantes.");
    EXPECT_EQ(refusal("SetClienteContratante", json::array({"0001", "0000009999", ""})),
              "Orçamento não cadastrado.");
}

TEST_P(PartyWriteMethodsTest, SetClienteContratanteEmptySequenceTakesTheLowestWithoutParties) {
    EXPECT_EQ(value("SetClienteContratante", json::array({"0001", "0000000100", ""})), nullptr);
    json p = value("GetContratante", json::array({"0001", "0000000100", "01"}))[0];
    ASSERT_EQ(row_count(p), 1u);
    // Numbers continue the budget's counter.
    EXPECT_EQ(cell(p, 0, "NRENDCLIORCEVE"), "0000000004");
    EXPECT_EQ(cell(p, 0, "CDCLIENTE"), "J11222333000181");
    EXPECT_DOUBLE_EQ(cell(p, 0, "VRRECECONTOREV").get<double>(), 4500.0);

    exec("UPDATE ORCAEVENTO SET CDCLIENTE = NULL WHERE NRORCAEVENTO = '0000000500'");
    EXPECT_EQ(refusal("SetClienteContratante", json::array({"0001", "0000000500", "00"})),
              "O orçamento não possui cliente cadastrado.");
}

TEST_P(PartyWriteMethodsTest, GetVdParcelasListsVariablePartiesWhoseInstallmentsDiffer) {
    auto listed = [&] {
        return column(value("GetVdParcelas", json::array({"0001", "0000000100", "00"})),
                      "NRENDCLIORCEVE");
    };
    EXPECT_TRUE(listed().empty());
    // A cent off is enough.
    exec("UPDATE FORMAPAGTOCONT SET VRPARCELACONT = 1333.33 WHERE NRENDCLIORCEVE = '0000000003' "
         "AND QTDIAFORMAPGCON = 90");
    EXPECT_EQ(listed(), std::vector<json>{"0000000003"});
    json p = value("GetVdParcelas", json::array({"0001", "0000000100", "00"}));
    EXPECT_DOUBLE_EQ(cell(p, 0, "VRRECECONTOREV").get<double>(), 4000.0);
    EXPECT_DOUBLE_EQ(cell(p, 0, "VRTOTALPARCELAS").get<double>(), 3999.99);
    EXPECT_EQ(cell(p, 0, "NMFANTCLIE"), "Mariana Alves Costa");
    // Other modes are not looked at; a variable party without installments is listed.
    exec("UPDATE ENDECONTORCA SET IDFORMAPGCONT = 'V' WHERE NRORCAEVENTO = '0000000100' AND "
         "NRENDCLIORCEVE = '0000000001'");
    EXPECT_EQ(listed(), (std::vector<json>{"0000000001", "0000000003"}));
    // Closed parties are not looked at either.
    exec("UPDATE ENDECONTORCA SET IDSITUCONTOREV = 'CANCELADO' WHERE NRORCAEVENTO = "
         "'0000000100' AND NRENDCLIORCEVE = '0000000003'");
    EXPECT_EQ(listed(), std::vector<json>{"0000000001"});
}

TEST_P(PartyWriteMethodsTest, GetVdValorContratWantsAValueOnEveryOpenParty) {
    auto all_valued = [&](const char* orc) {
        return value("GetVdValorContrat", json::array({"0001", orc, "00"}));
    };
    EXPECT_EQ(all_valued("0000000100"), true);
    EXPECT_EQ(all_valued("0000000500"), true); // no parties
    exec("UPDATE ENDECONTORCA SET VRRECECONTOREV = 0 WHERE NRORCAEVENTO = '0000000100' AND "
         "NRENDCLIORCEVE = '0000000002'");
    EXPECT_EQ(all_valued("0000000100"), false);
    exec("UPDATE ENDECONTORCA SET VRRECECONTOREV = NULL WHERE NRORCAEVENTO = '0000000100' AND "
         "NRENDCLIORCEVE = '0000000002'");
    EXPECT_EQ(all_valued("0000000100"), false);
    exec("UPDATE ENDECONTORCA SET IDSITUCONTOREV = 'DEVOLVIDO' WHERE NRORCAEVENTO = "
         "'0000000100' AND NRENDCLIORCEVE = '0000000002'");
    EXPECT_EQ(all_valued("0000000100"), true);
    EXPECT_EQ(byref("GetVdValorContrat", json::array({"0001", "0000000100", "00"})),
              (json{{"2", "00"}}));
}

TEST_P(PartyWriteMethodsTest, PartyNumbersNeverRepeatUnderParallelTransactions) {
    constexpr int threads = 4;
    constexpr int each = 5;
    std::vector<std::vector<std::string>> got(threads);
    std::vector<std::thread> pool;
    std::atomic<int> failures{0};
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            for (int i = 0; i < each; ++i) {
                try {
                    Database::Lease lease(db());
                    Transaction tx(lease.sql(), true);
                    const std::string nr = next_party_number(lease.sql(), "0001", "0000000100");
                    lease.sql().exec(
                        "INSERT INTO ENDECONTORCA (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, "
                        "NRENDCLIORCEVE, NMFANTCLIE) VALUES ('0001', '0000000100', '01', :nr, "
                        "'Paralelo')",
                        {{"nr", nr}});
                    tx.commit();
                    got[static_cast<std::size_t>(t)].push_back(nr);
                } catch (const std::exception&) {
                    ++failures;
                }
            }
        });
    }
    for (auto& t : pool) {
        t.join();
    }
    EXPECT_EQ(failures, 0);
    std::set<std::string> all;
    for (const auto& list : got) {
        all.insert(list.begin(), list.end());
    }
    EXPECT_EQ(all.size(), static_cast<std::size_t>(threads * each));
    EXPECT_EQ(*all.begin(), "0000000004");
    EXPECT_EQ(*all.rbegin(), "0000000023");
}

CT_SERVER_TEST_ON_ENGINES(PartyWriteMethodsTest);

} // namespace
} // namespace ct::server::testing
