// Marked parties: the contract check, deletion and cancellation.
#include "methods_test.h"

namespace ct::server::testing {
namespace {

class PartyRemovalTest : public MethodsTest {};

TEST_P(PartyRemovalTest, GetExistContratoNamesTheMarkedPartiesWithContracts) {
    const json packet = parties("0001", "0000000100", "00");
    EXPECT_EQ(value("GetExistContrato", json::array({packet})), "");
    EXPECT_EQ(value("GetExistContrato", json::array({marked(packet, {"0000000001"})})), "");
    EXPECT_EQ(
        value("GetExistContrato", json::array({marked(packet, {"0000000001", "0000000002"})})),
        "Carlos Eduardo Lima");
    exec("INSERT INTO CONTRATO (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
         "NRCONTRATO) VALUES ('0001', '0000000100', '00', '0000000001', '2026000102')");
    EXPECT_EQ(value("GetExistContrato",
                    json::array({marked(packet, {"0000000001", "0000000002", "0000000003"})})),
              "Ana Beatriz Souza, Carlos Eduardo Lima");
    EXPECT_EQ(error_code("GetExistContrato", json::array({nullptr})), -32602);
    EXPECT_EQ(error_code("GetExistContrato", json::array({delta_of(packet)})), -32602);
}

TEST_P(PartyRemovalTest, SetDelContDeletesMarkedPartiesWithTheirDependents) {
    const json packet = parties("0001", "0000000100", "00");
    json answer =
        value("SetDelCont", json::array({marked(packet, {"0000000002", "0000000003"}), "01"}));
    ASSERT_TRUE(answer.is_array());
    EXPECT_EQ(column(answer[0], "NMFANTCLIE"), std::vector<json>{"Ana Beatriz Souza"});
    EXPECT_EQ(answer[1]["rows"], json::array({json::array({40.0, 3000.0, 1.0})}));
    EXPECT_EQ(count("SELECT COUNT(*) FROM CONTRATO WHERE NRORCAEVENTO = '0000000100'"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM FORMAPAGTOCONT WHERE NRORCAEVENTO = '0000000100'"), 0);
    // The remaining party is still the quota responsible.
    EXPECT_EQ(text("SELECT CDCLIENCONTORCA FROM ORCARESPCOTA WHERE NRORCAEVENTO = '0000000100'"),
              "F52998224725");
}

TEST_P(PartyRemovalTest, SetDelContReleasesTheResponsibleAndSubstituteOfADeletedClient) {
    exec("INSERT INTO CONTAREC (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
         "IDTIPOCONTAREC, VRCONTAREC, VRPAGOREC) VALUES ('0001', '0000000100', '00', "
         "'0000000001', 'PARCELA', 3000, 0)");
    const json packet = parties("0001", "0000000100", "00");
    json answer = value("SetDelCont", json::array({marked(packet, {"0000000001"}), "01"}));
    EXPECT_EQ(row_count(answer[0]), 2u);
    EXPECT_EQ(count("SELECT COUNT(*) FROM ORCARESPCOTA WHERE NRORCAEVENTO = '0000000100'"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CONTAREC WHERE NRORCAEVENTO = '0000000100'"), 0);
    EXPECT_EQ(cell(answer[0], 0, "CDCLICONTSUBORE"), nullptr);
    EXPECT_EQ(cell(answer[0], 0, "NMFANTSUB"), nullptr);
}

TEST_P(PartyRemovalTest, SetDelContRefusesAPaidPartyAndWritesNothing) {
    const json packet = parties("0001", "0000000400", "00");
    const std::string before = fingerprint();
    EXPECT_EQ(
        refusal("SetDelCont", json::array({marked(packet, {"0000000002", "0000000001"}), "01"})),
        "O contratante Bruno Henrique Dias possui conta a receber baixada e não pode ser "
        "excluído.");
    EXPECT_EQ(fingerprint(), before);
    // A closed budget keeps its parties.
    EXPECT_NE(
        refusal("SetDelCont",
                json::array({marked(parties("0001", "0000000300", "00"), {"0000000001"}), "01"}))
            .find("fechado"),
        std::string::npos);
    EXPECT_EQ(fingerprint(), before);
    // A company of another branch deletes nothing.
    const json open_parties = marked(parties("0001", "0000000100", "00"), {"0000000003"});
    EXPECT_EQ(refusal("SetDelCont", json::array({open_parties, "02"})),
              "Empresa ou sua Inscrição Estadual  não esta relacionada a filial.");
    EXPECT_EQ(fingerprint(), before);
    // Nothing marked: nothing deleted, the parties come back.
    json answer = value("SetDelCont", json::array({packet, "01"}));
    EXPECT_EQ(row_count(answer[0]), 3u);
    EXPECT_EQ(fingerprint(), before);
}

TEST_P(PartyRemovalTest, SetCancelMultContCancelsAndDropsOpenAccounts) {
    exec("INSERT INTO CONTAREC (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
         "IDTIPOCONTAREC, VRCONTAREC, VRPAGOREC) VALUES ('0001', '0000000100', '00', "
         "'0000000002', 'PARCELA', 3500, 0)");
    const json packet = parties("0001", "0000000100", "00");
    EXPECT_EQ(value("SetCancelMultCont", json::array({marked(packet, {"0000000002"})})), nullptr);
    const json after = parties("0001", "0000000100", "00");
    EXPECT_EQ(column(after, "IDSITUCONTOREV"),
              (std::vector<json>{"LANCADO", "CANCELADO", "LANCADO"}));
    EXPECT_EQ(count("SELECT COUNT(*) FROM CONTAREC WHERE NRORCAEVENTO = '0000000100'"), 0);
    // A cancelled party no longer counts in the totals.
    EXPECT_EQ(value("GetContratante", json::array({"0001", "0000000100", "00"}))[1]["rows"][0][2],
              2.0);
}

TEST_P(PartyRemovalTest, SetCancelMultContIsRefusedWholeForAPaidAccount) {
    exec("INSERT INTO ENDECONTORCA (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
         "NMFANTCLIE, IDSITUCONTOREV) VALUES ('0001', '0000000400', '00', '0000000004', "
         "'Sem conta', 'LANCADO')");
    const json packet = parties("0001", "0000000400", "00");
    const std::string before = fingerprint();
    EXPECT_EQ(
        refusal("SetCancelMultCont", json::array({marked(packet, {"0000000004", "0000000001"})})),
        "N_PARAM_CONTARECBAIXADA");
    EXPECT_EQ(fingerprint(), before);
    // Another user deleted a marked party meanwhile.
    exec("DELETE FROM ENDECONTORCA WHERE NRORCAEVENTO = '0000000400' AND NRENDCLIORCEVE = "
         "'0000000004'");
    const std::string now = fingerprint();
    EXPECT_NE(refusal("SetCancelMultCont", json::array({marked(packet, {"0000000004"})}))
                  .find("excluído por outro usuário"),
              std::string::npos);
    EXPECT_EQ(fingerprint(), now);
}

CT_SERVER_TEST_ON_ENGINES(PartyRemovalTest);

} // namespace
} // namespace ct::server::testing
