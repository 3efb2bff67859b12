// Ratear Valor against the real server, on budgets written straight into the test's database:
// what the server stores, the installments it rescales and the state the screen is left in.
#include "party_db.h"
#include "platform/host/dispatch.h"
#include "screen_fixture.h"

#include <fmt/format.h>
#include <map>

namespace ct::testing {
namespace {

struct Party {
    std::string name;
    std::string status = "LANCADO";
    double value = 0;
    std::string mode = "E";
    std::vector<double> plan = {}; // installments at 30, 60, ... days
};

class Apportionment : public ScreenTest {
protected:
    // Budget 0001/`budget`/00 realised at `realised`, with the parties numbered in the order given.
    static void writeBudget(const std::string& budget, double realised,
                            const std::vector<Party>& parties) {
        execDemo("INSERT INTO ORCAEVENTO (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, IDSITUORCEVE, "
                 "VRTOTALOREV, CDEMPRESAORCA) VALUES ('0001', :orc, '00', '2', :vr, '01')",
                 {{"orc", budget}, {"vr", realised}});
        for (std::size_t i = 0; i < parties.size(); ++i) {
            const Party& p = parties[i];
            const std::string number = fmt::format("{:010}", i + 1);
            execDemo("INSERT INTO ENDECONTORCA (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, "
                     "NRENDCLIORCEVE, CDCLIENTE, CDCLIENCONTORCA, NRINSJURCLIE, IDTPIJURCLIE, "
                     "NMFANTCLIE, QTCONVCONTOREV, IDSITUCONTOREV, CDPAIS, SGESTADO, CDMUNICIPIO, "
                     "VRRECECONTOREV, DSENDECLIORE, IDFORMAPGCONT, NRDIAVENCONOREV, "
                     "QTPARCCONTOREV, IDMESVENCONOREV) VALUES ('0001', :orc, '00', :nr, :cli, "
                     ":cli2, :ins, 'F', :nm, 10, :st, '1058', 'SP', '0001', :vr, 'Rua A, 1', "
                     ":mode, 0, 0, 'ATUAL')",
                     {{"orc", budget},
                      {"nr", number},
                      {"cli", fmt::format("F{:011}", i + 1)},
                      {"cli2", fmt::format("F{:011}", i + 1)},
                      {"ins", fmt::format("{:011}", i + 1)},
                      {"nm", p.name},
                      {"st", p.status},
                      {"vr", p.value},
                      {"mode", p.mode}});
            for (std::size_t k = 0; k < p.plan.size(); ++k)
                execDemo("INSERT INTO FORMAPAGTOCONT (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, "
                         "NRENDCLIORCEVE, QTDIAFORMAPGCON, VRPEFORMAPGCON, VRPARCELACONT) VALUES "
                         "('0001', :orc, '00', :nr, :dias, :pe, :vr)",
                         {{"orc", budget},
                          {"nr", number},
                          {"dias", static_cast<long long>(30 * (k + 1))},
                          {"pe", p.plan[k] * 100 / p.value},
                          {"vr", p.plan[k]}});
        }
    }

    // Stored charged values by party name.
    static std::map<std::string, double> storedValues(const std::string& budget) {
        const server::ResultSet rs = queryDemo(
            "SELECT NMFANTCLIE, VRRECECONTOREV FROM ENDECONTORCA WHERE NRORCAEVENTO = :orc",
            {{"orc", budget}});
        std::map<std::string, double> values;
        for (std::size_t i = 0; i < rs.size(); ++i)
            values[rs.text(i, "NMFANTCLIE")] = rs.number(i, "VRRECECONTOREV");
        return values;
    }

    // Stored installments by party name, in order of days.
    static std::map<std::string, std::vector<double>> storedPlans(const std::string& budget) {
        const server::ResultSet rs = queryDemo(
            "SELECT P.NMFANTCLIE, F.VRPARCELACONT FROM FORMAPAGTOCONT F JOIN ENDECONTORCA P ON "
            "P.CDFILIAL = F.CDFILIAL AND P.NRORCAEVENTO = F.NRORCAEVENTO AND P.NRSEQORCAEVE = "
            "F.NRSEQORCAEVE AND P.NRENDCLIORCEVE = F.NRENDCLIORCEVE WHERE F.NRORCAEVENTO = :orc "
            "ORDER BY F.NRENDCLIORCEVE, F.QTDIAFORMAPGCON",
            {{"orc", budget}});
        std::map<std::string, std::vector<double>> plans;
        for (std::size_t i = 0; i < rs.size(); ++i)
            plans[rs.text(i, "NMFANTCLIE")].push_back(rs.number(i, "VRPARCELACONT"));
        return plans;
    }

    // The party set as the command must leave it, on success and on failure alike.
    void expectRestored(const std::string& party) {
        DataSet& parties = screen().cdsEndeCont;
        EXPECT_FALSE(parties.filtered());
        EXPECT_FALSE(parties.controlsDisabled());
        EXPECT_EQ(parties.state(), DataSetState::Browse);
        EXPECT_FALSE(parties.hasChanges());
        EXPECT_TRUE(parties.afterScroll && parties.beforePost && parties.afterPost);
        EXPECT_EQ(parties.fieldByName("NRENDCLIORCEVE").asString(), party);
    }
};

TEST_F(Apportionment, TheOpenPartiesShareTheRealisedValueToTheCent) {
    struct Case {
        const char* what;
        double realised;
        std::vector<Party> parties;
        std::map<std::string, double> values; // stored afterwards
        const char* message;                  // "" for none
    };
    const Party generated400{"Gerado", "CNTGERADA", 400};
    const std::vector<Case> cases{
        {"three open: the cents on the last by name",
         1000,
         {{"Carla"}, {"Bruno"}, {"Alice"}},
         {{"Alice", 333.33}, {"Bruno", 333.33}, {"Carla", 333.34}},
         ""},
        {"six open: the last by name gives back what the shares take too many",
         1000,
         {{"F"}, {"E"}, {"D"}, {"C"}, {"B"}, {"A"}},
         {{"A", 166.67}, {"B", 166.67}, {"C", 166.67}, {"D", 166.67}, {"E", 166.67}, {"F", 166.65}},
         ""},
        {"a generated 400,00 and seven open",
         1000,
         {{"G"}, {"B"}, {"C"}, {"D"}, {"E"}, {"F"}, generated400, {"A"}},
         {{"A", 85.71},
          {"B", 85.71},
          {"C", 85.71},
          {"D", 85.71},
          {"E", 85.71},
          {"F", 85.71},
          {"G", 85.74},
          {"Gerado", 400}},
         ""},
        {"cancelled and refunded parties keep their values and do not count",
         1000,
         {{"Beto", "LANCADO", 50},
          {"Caio", "CANCELADO", 300},
          {"Davi", "DEVOLVIDO", 200},
          generated400,
          {"Ana", "LANCADO", 10}},
         {{"Ana", 300}, {"Beto", 300}, {"Caio", 300}, {"Davi", 200}, {"Gerado", 400}},
         ""},
        {"generated parties carrying the realised value: nothing to share",
         1000,
         {{"Ana", "LANCADO", 50}, {"Gerado", "CNTGERADA", 1000}},
         {{"Ana", 50}, {"Gerado", 1000}},
         "Valor total já rateado"},
    };
    int number = 900;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string budget = fmt::format("{:010}", ++number);
        writeBudget(budget, c.realised, c.parties);
        TfrmContratante& form = enter("0001", budget, "00");
        const std::string current = form.cdsEndeCont.fieldByName("NRENDCLIORCEVE").asString();
        const std::string order = form.cdsEndeCont.indexFieldNames();
        clearCalls();
        dialogs.clear();
        EXPECT_EQ(form.userClick(form.btnRatear), std::string(c.message).empty());
        EXPECT_EQ(lastMessage(), c.message);
        EXPECT_EQ(storedValues(budget), c.values);
        EXPECT_EQ(calls("SetEndeCont"), std::string(c.message).empty() ? 1 : 0);
        EXPECT_EQ(calls("AtualizaParcelas"), 0);
        expectRestored(current);
        // The grid stays in name order afterwards; a refusal leaves the order alone.
        EXPECT_EQ(form.cdsEndeCont.indexFieldNames(),
                  std::string(c.message).empty() ? std::string("NMFANTCLIE") : order);
    }
}

TEST_F(Apportionment, PlansOfOpenPartiesFollowTheirNewValuesInOneCall) {
    const std::string budget = "0000000910";
    writeBudget(budget, 1000,
                {{"Bia", "LANCADO", 600, "V", {200, 400}},
                 {"Ana", "LANCADO", 100, "V", {33.33, 33.33, 33.34}},
                 {"Cid", "LANCADO", 50, "E"},
                 {"Gil", "CNTGERADA", 100, "V", {40, 60}}});
    TfrmContratante& form = enter("0001", budget, "00");
    const std::string current = form.cdsEndeCont.fieldByName("NRENDCLIORCEVE").asString();
    clearCalls();
    dialogs.clear();
    ASSERT_TRUE(form.userClick(form.btnRatear)) << lastMessage();

    // 900,00 over three open parties; the generated party keeps its value and its plan.
    const std::map<std::string, double> values{
        {"Ana", 300}, {"Bia", 300}, {"Cid", 300}, {"Gil", 100}};
    EXPECT_EQ(storedValues(budget), values);
    const std::map<std::string, std::vector<double>> plans{
        {"Ana", {99.99, 99.99, 100.02}}, {"Bia", {100, 200}}, {"Gil", {40, 60}}};
    EXPECT_EQ(storedPlans(budget), plans);
    const server::ResultSet percents =
        queryDemo("SELECT VRPEFORMAPGCON FROM FORMAPAGTOCONT WHERE NRORCAEVENTO = :orc AND "
                  "NRENDCLIORCEVE = '0000000001' ORDER BY QTDIAFORMAPGCON",
                  {{"orc", budget}});
    ASSERT_EQ(percents.size(), 2u);
    EXPECT_NEAR(percents.number(0, "VRPEFORMAPGCON"), 100.0 / 3, 1e-9);

    ASSERT_EQ(dialogs.messageCount(), 1u);
    EXPECT_EQ(dialogs.messages()[0].type, MsgType::Warning);
    EXPECT_EQ(lastMessage(), "O valor das parcelas de um ou mais contratantes será atualizado.");
    EXPECT_EQ(calls("SetEndeCont"), 1);
    EXPECT_EQ(calls("AtualizaParcelas"), 1);
    EXPECT_FALSE(dialogs.progressShown());
    expectRestored(current);
    // The plan shown is the current party's, as now stored.
    EXPECT_EQ(form.cdsFormaPagto.recordCount(), 2);
    EXPECT_TRUE(form.rbtFormaVar.checked());
}

TEST_F(Apportionment, ARefusedSaveLeavesThePartiesAsStored) {
    const std::string budget = "0000000911";
    writeBudget(budget, 900, {{"Bia", "LANCADO", 100}, {"Ana", "LANCADO", 200}});
    TfrmContratante& form = enter("0001", budget, "00");
    const std::string current = form.cdsEndeCont.fieldByName("NRENDCLIORCEVE").asString();
    // Another user changes Ana meanwhile: the save is refused as stale.
    execDemo("UPDATE ENDECONTORCA SET VRRECECONTOREV = 250 WHERE NRORCAEVENTO = :orc AND "
             "NMFANTCLIE = 'Ana'",
             {{"orc", budget}});
    clearCalls();
    dialogs.clear();
    EXPECT_FALSE(form.userClick(form.btnRatear));
    EXPECT_EQ(calls("SetEndeCont"), 1);
    EXPECT_EQ(calls("AtualizaParcelas"), 0);
    EXPECT_EQ(dialogs.messageCount(), 1u);
    expectRestored(current);
    EXPECT_DOUBLE_EQ(form.cdsEndeCont.fieldByName("VRRECECONTOREV").asFloat(), 100.0);
    EXPECT_EQ(storedValues(budget), (std::map<std::string, double>{{"Ana", 250}, {"Bia", 100}}));
}

// The apportionment's own changes are merged once stored, so the next save of a party sends
// only that party's change.
TEST_F(Apportionment, APartyEditedAfterwardsIsStoredAsEdited) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    ASSERT_TRUE(form.userClick(form.btnRatear)) << lastMessage();
    ASSERT_FALSE(form.cdsEndeCont.hasChanges());
    clearCalls();
    ASSERT_TRUE(form.cdsEndeCont.locate("NMFANTCLIE", Value("Ana Beatriz Souza")));
    ASSERT_TRUE(form.userClick(form.sbtAlterar));
    form.cdsEndeCont.fieldByName("NMCONTCLIORE").setAsString("Ana B.");
    ASSERT_TRUE(form.userClick(form.sbtConfirmar)) << lastMessage();
    EXPECT_EQ(calls("SetEndeCont"), 1);

    const server::ResultSet ana = storedParty("0000000001");
    ASSERT_EQ(ana.size(), 1u);
    EXPECT_EQ(ana.text(0, "NMCONTCLIORE"), "Ana B.");
    EXPECT_DOUBLE_EQ(ana.number(0, "VRRECECONTOREV"), 4000.0);
    EXPECT_EQ(ana.text(0, "IDVRRECENULL"), "*");
    EXPECT_DOUBLE_EQ(form.nedTotRateado.number(), 12000.0);
}

} // namespace
} // namespace ct::testing
