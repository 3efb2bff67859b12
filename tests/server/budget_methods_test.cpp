// Budget, branch and company methods on the demo data.
#include "server_fixture.h"

namespace ct::server::testing {
namespace {

class BudgetMethodsTest : public ServerTest {};

TEST_P(BudgetMethodsTest, GetEmpresaOrcaGivesTheStoredCompany) {
    json p = value("GetEmpresaOrca", json::array({"0001", "0000000100"}));
    ASSERT_EQ(row_count(p), 1u);
    EXPECT_EQ(cell(p, 0, "CDEMPRESAORCA"), "01");
    EXPECT_EQ(p["fields"][0]["size"], 2);
    // A budget without a company gives one row with empty text; an unknown budget no row.
    p = value("GetEmpresaOrca", json::array({"0001", "0000000200"}));
    ASSERT_EQ(row_count(p), 1u);
    EXPECT_EQ(cell(p, 0, "CDEMPRESAORCA"), "");
    EXPECT_EQ(row_count(value("GetEmpresaOrca", json::array({"", ""}))), 0u);
    EXPECT_EQ(row_count(value("GetEmpresaOrca", json::array({"0001", "0000009999"}))), 0u);
}

TEST_P(BudgetMethodsTest, GetSituacaoOrcaTellsLockedAndCancellationChild) {
    auto situation = [&](const char* fil, const char* orc, const char* seq) {
        return value("GetSituacaoOrca", json::array({fil, orc, seq}));
    };
    EXPECT_EQ(situation("0001", "0000000100", "00"), json::array({false, false}));
    EXPECT_EQ(situation("0001", "0000000300", "00"), json::array({true, false}));
    EXPECT_EQ(situation("0001", "0000000500", "00"), json::array({false, true}));
    EXPECT_EQ(situation("0001", "0000009999", "00"), json::array({false, false}));
    EXPECT_EQ(situation("", "", ""), json::array({false, false}));
    // A sequence the budget lacks is judged by the budget's sequence 00.
    EXPECT_EQ(situation("0001", "0000000300", "07"), json::array({true, false}));
    {
        Database::Lease lease(db());
        lease.sql().exec("UPDATE ORCAEVENTO SET IDSITUORCEVE = '4' WHERE NRORCAEVENTO = "
                         "'0000000200'");
    }
    EXPECT_EQ(situation("0001", "0000000200", "00"), json::array({true, false}));
    EXPECT_EQ(byref("GetSituacaoOrca", json::array({"0001", "0000000100", "01"})),
              (json{{"2", "01"}}));
}

TEST_P(BudgetMethodsTest, GetPesqOrcaListsTheBranchBudgetsInSequence00) {
    json p = value("GetPesqOrca", json::array({"0001"}));
    EXPECT_EQ(
        column(p, "NRORCAEVENTO"),
        (std::vector<json>{"0000000100", "0000000200", "0000000300", "0000000400", "0000000500",
                           "0000000700", "0000000800", "0000000900", "0000001000"}));
    EXPECT_EQ(p["fields"][0]["size"], 15);
    EXPECT_DOUBLE_EQ(cell(p, 0, "VRTOTALOREV").get<double>(), 12000.0);
    EXPECT_DOUBLE_EQ(cell(p, 0, "VRCONVEXTADU").get<double>(), 50.0);
    EXPECT_DOUBLE_EQ(cell(p, 0, "VRCONVEXTCRI").get<double>(), 30.0);
    EXPECT_EQ(column(value("GetPesqOrca", json::array({"0002"})), "NRORCAEVENTO"),
              std::vector<json>{"0000000600"});
    EXPECT_EQ(row_count(value("GetPesqOrca", json::array({"9999"}))), 0u);
}

TEST_P(BudgetMethodsTest, GetVdOrcaEvenFindsTheBudgetSequence) {
    json p = value("GetVdOrcaEven", json::array({"0001", "0000000100", "01"}));
    ASSERT_EQ(row_count(p), 1u);
    EXPECT_EQ(cell(p, 0, "CDFILIAL"), "0001");
    EXPECT_EQ(cell(p, 0, "NRORCAEVENTO"), "0000000100");
    EXPECT_DOUBLE_EQ(cell(p, 0, "VRTOTALOREV").get<double>(), 4500.0);
    EXPECT_EQ(row_count(value("GetVdOrcaEven", json::array({"0001", "0000000100", "02"}))), 0u);
    EXPECT_EQ(row_count(value("GetVdOrcaEven", json::array({"0002", "0000000100", "00"}))), 0u);
}

TEST_P(BudgetMethodsTest, GetVrTotalGivesRealisedAndExtraPrices) {
    EXPECT_EQ(value("GetVrTotal", json::array({"0001", "0000000100", "00"})),
              json::array({12000.0, 50.0, 30.0}));
    EXPECT_EQ(value("GetVrTotal", json::array({"0001", "0000000100", "01"})),
              json::array({4500.0, 40.0, 20.0}));
    EXPECT_EQ(value("GetVrTotal", json::array({"0001", "0000009999", "00"})),
              json::array({0.0, 0.0, 0.0}));
}

TEST_P(BudgetMethodsTest, GetParamOrcaAndGetEndeFili) {
    json params = value("GetParamOrca", json::array());
    ASSERT_EQ(row_count(params), 1u);
    EXPECT_EQ(cell(params, 0, "IDQTCONVOBRIGATORCA"), "S");

    json address = value("GetEndeFili", json::array({"0002"}));
    ASSERT_EQ(row_count(address), 1u);
    EXPECT_EQ(address["rows"][0], json::array({"1058", "SP", "0002", "Campinas", "Brasil"}));
    EXPECT_EQ(column(address, "CDPAIS").size(), 1u);
    std::vector<std::string> names;
    for (const auto& f : address["fields"]) {
        names.push_back(f["name"]);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"CDPAIS", "SGESTADO", "CDMUNICIPIO", "NMMUNICIPIO",
                                               "NMPAIS"}));
    EXPECT_EQ(row_count(value("GetEndeFili", json::array({"9999"}))), 0u);
}

TEST_P(BudgetMethodsTest, GetEmpresaListsRelatedCompanies) {
    json all = value("GetEmpresa", json::array({"0001", "", "T"}));
    ASSERT_EQ(row_count(all), 1u);
    EXPECT_EQ(all["rows"][0], json::array({"01", "Halvren Eventos São Paulo", "J", "55667788000186",
                                           "Halvren Eventos e Formaturas São Paulo Ltda"}));
    EXPECT_EQ(row_count(value("GetEmpresa", json::array({"0001", "01", ""}))), 1u);
    // Company 02 exists but is not related to branch 0001.
    EXPECT_EQ(row_count(value("GetEmpresa", json::array({"0001", "02", ""}))), 0u);
    EXPECT_EQ(row_count(value("GetEmpresa", json::array({"0001", "", ""}))), 0u);
    {
        Database::Lease lease(db());
        lease.sql().exec("INSERT INTO FILIALEMPRESA (CDFILIAL, CDEMPRESA) VALUES ('0001', '02')");
    }
    EXPECT_EQ(column(value("GetEmpresa", json::array({"0001", "", "T"})), "CDEMPRESA"),
              (std::vector<json>{"01", "02"}));
}

TEST_P(BudgetMethodsTest, SetEmpresaOrcaStoresOnEverySequenceOrRefuses) {
    EXPECT_EQ(refusal("SetEmpresaOrca", json::array({"02", "0001", "0000000100"})),
              "Empresa ou sua Inscrição Estadual  não esta relacionada a filial.");
    EXPECT_EQ(count("SELECT COUNT(*) FROM ORCAEVENTO WHERE NRORCAEVENTO = '0000000100' AND "
                    "CDEMPRESAORCA = '01'"),
              2);
    {
        Database::Lease lease(db());
        lease.sql().exec("INSERT INTO FILIALEMPRESA (CDFILIAL, CDEMPRESA) VALUES ('0001', '02')");
    }
    EXPECT_EQ(value("SetEmpresaOrca", json::array({"02", "0001", "0000000100"})), json());
    EXPECT_EQ(count("SELECT COUNT(*) FROM ORCAEVENTO WHERE NRORCAEVENTO = '0000000100' AND "
                    "CDEMPRESAORCA = '02'"),
              2);
    EXPECT_EQ(
        cell(value("GetEmpresaOrca", json::array({"0001", "0000000100"})), 0, "CDEMPRESAORCA"),
        "02");
    // Other budgets keep theirs.
    EXPECT_EQ(count("SELECT COUNT(*) FROM ORCAEVENTO WHERE CDEMPRESAORCA = '02'"), 3);
}

CT_SERVER_TEST_ON_ENGINES(BudgetMethodsTest);

} // namespace
} // namespace ct::server::testing
