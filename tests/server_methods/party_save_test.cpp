// SetEndeCont: party numbers, registration of new clients, the stale-row check, refusals.
#include "methods_test.h"

#include <fmt/format.h>
#include <mutex>
#include <thread>

namespace ct::server::testing {
namespace {

class PartySaveTest : public MethodsTest {
protected:
    json save(const json& delta, const json& new_client = nullptr,
              const std::string& budget = "0000000100", const std::string& seq = "00") {
        return call("SetEndeCont", json::array({delta, new_client, "0001", budget, seq}));
    }

    // A new party row of budget 100 as the screen posts it.
    json new_party(const json& packet, const json& values) {
        json base = {{"CDFILIAL", "0001"},    {"NRORCAEVENTO", "0000000100"},
                     {"NRSEQORCAEVE", "00"},  {"IDSITUCONTOREV", "LANCADO"},
                     {"IDMARCADO", "N"},      {"IDFORMAPGCONT", "E"},
                     {"QTCONVADICADULTO", 0}, {"QTCONVADICCRIANCA", 0},
                     {"CDPAIS", "1058"},      {"SGESTADO", "SP"},
                     {"CDMUNICIPIO", "0001"}};
        base.update(values);
        return make_row(packet, base);
    }

    long long party_count(const std::string& budget = "0000000100") {
        return count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NRORCAEVENTO = :orc",
                     {{"orc", budget}});
    }
};

TEST_P(PartySaveTest, InsertTakesTheNextNumberAndAnswersTotalsWithIt) {
    const json packet = parties("0001", "0000000100", "00");
    json delta = delta_of(packet);
    add_insert(delta, new_party(packet, {{"CDCLIENTE", "F45612378955"},
                                         {"CDCLIENCONTORCA", "F45612378955"},
                                         {"NRINSJURCLIE", "45612378955"},
                                         {"IDTPIJURCLIE", "F"},
                                         {"NMFANTCLIE", "João Pedro Santos"},
                                         {"NRENDCLIORCEVE", "9999"}, // the server numbers
                                         {"QTCONVCONTOREV", 20},
                                         {"VRRECECONTOREV", 1500.004},
                                         {"DSENDECLIORE", "Rua Haddock Lobo, 595"}}));
    json answer = save(delta);
    ASSERT_TRUE(answer.contains("result")) << answer.dump();
    const json totals = answer["result"]["value"];
    EXPECT_EQ(column(totals, "TOTALCONV"), std::vector<json>{140.0});
    EXPECT_EQ(column(totals, "TOTALRATEADO"), std::vector<json>{12000.0});
    EXPECT_EQ(column(totals, "TOTALCONTRAT"), std::vector<json>{4.0});
    EXPECT_EQ(column(totals, "NRENDCLIORCEVE"), std::vector<json>{"0000000004"});
    EXPECT_EQ(answer["result"]["byref"], (json{{"1", nullptr}}));

    const json stored = parties("0001", "0000000100", "00");
    ASSERT_EQ(row_count(stored), 4u);
    const json row = row_of(stored, "0000000004");
    const int vr = field_index(stored, "VRRECECONTOREV");
    EXPECT_DOUBLE_EQ(row[static_cast<std::size_t>(vr)].get<double>(), 1500.0);
    EXPECT_EQ(row[static_cast<std::size_t>(field_index(stored, "NMPAIS"))], "Brasil");

    // A modify alone answers an empty number; the next insert gets the next number.
    json modify = delta_of(stored);
    add_modify(modify, row, with_values(stored, row, {{"QTCONVCONTOREV", 25}}));
    EXPECT_EQ(
        column(value("SetEndeCont", json::array({modify, nullptr, "0001", "0000000100", "00"})),
               "NRENDCLIORCEVE"),
        std::vector<json>{""});
    json second = delta_of(packet);
    add_insert(second, new_party(packet, {{"CDCLIENTE", "J33987123000117"},
                                          {"NMFANTCLIE", "Construtora Horizonte"}}));
    EXPECT_EQ(
        column(value("SetEndeCont", json::array({second, nullptr, "0001", "0000000100", "00"})),
               "NRENDCLIORCEVE"),
        std::vector<json>{"0000000005"});
    EXPECT_EQ(text("SELECT IDSITUCONTOREV FROM ENDECONTORCA WHERE NRORCAEVENTO = '0000000100' "
                   "AND NRENDCLIORCEVE = '0000000005'"),
              "LANCADO");
}

TEST_P(PartySaveTest, UnregisteredClientIsRegisteredFromTheRowAndTheNewClientPacket) {
    const json packet = parties("0001", "0000000100", "00");
    json delta = delta_of(packet);
    add_insert(delta, new_party(packet, {{"CDCLIENTE", "F11144477735"},
                                         {"CDCLIENCONTORCA", "F11144477735"},
                                         {"NRINSJURCLIE", "11144477735"},
                                         {"IDTPIJURCLIE", "F"},
                                         {"NMFANTCLIE", "Lucas Ferreira"},
                                         {"NMRAZSOCCLIE", "Lucas Ferreira"},
                                         {"DSENDECLIORE", "Rua Pamplona, 145"},
                                         {"CDBAIRRO", "0000000002"},
                                         {"NRCEPCLIEORE", "01405-000"},
                                         {"DSEMAILCLOR2", "lucas@example.com.br"}}));
    EXPECT_TRUE(save(delta).contains("result"));
    ResultSet client = query("SELECT NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE, NMRAZSOCCLIE FROM "
                             "CLIENTE WHERE CDCLIENTE = 'F11144477735'");
    ASSERT_EQ(client.size(), 1u);
    EXPECT_EQ(client.text(0, "NRINSJURCLIE"), "11144477735");
    EXPECT_EQ(client.text(0, "IDTPIJURCLIE"), "F");
    EXPECT_EQ(client.text(0, "NMFANTCLIE"), "Lucas Ferreira");
    ResultSet address = query("SELECT CDPAIS, SGESTADO, CDMUNICIPIO, DSENDECLIE, CDBAIRRO, "
                              "NRCEPCLIE, DSEMAILCLIE2 FROM ENDECLIE WHERE CDCLIENTE = "
                              "'F11144477735'");
    ASSERT_EQ(address.size(), 1u);
    EXPECT_EQ(address.text(0, "DSENDECLIE"), "Rua Pamplona, 145");
    EXPECT_EQ(address.text(0, "CDMUNICIPIO"), "0001");
    EXPECT_EQ(address.text(0, "CDBAIRRO"), "0000000002");
    EXPECT_EQ(address.text(0, "NRCEPCLIE"), "01405-000");
    EXPECT_EQ(address.text(0, "DSEMAILCLIE2"), "lucas@example.com.br");
    // GetClie now finds the client.
    json found = value("GetClie", json::array({"111.444.777-35", "F"}));
    ASSERT_TRUE(found.is_array());
    EXPECT_EQ(row_count(found[0]), 1u);

    // The new-client packet, when it names the client, gives the client's own data.
    json clients = value("GetClie", json::array({"", "F"}))[1];
    json client_packet = {{"fields", clients["fields"]}, {"delta", json::array()}};
    client_packet["fields"].push_back({{"name", "NRDIAVENC"}, {"type", "float"}});
    client_packet["fields"].push_back({{"name", "QTPARCELA"}, {"type", "float"}});
    client_packet["fields"].push_back({{"name", "IDPROXIMOMES"}, {"type", "string"}, {"size", 1}});
    add_insert(client_packet,
               make_row(client_packet, {{"CDCLIENTE", "J11444777000161"},
                                        {"NMRAZSOCCLIE", "Buffet Aurora Ltda"},
                                        {"NMBAIRCLIE", "Moema"},
                                        {"DSENDECLIE", "Avenida Ibirapuera, 3000"}}));
    json second = delta_of(packet);
    add_insert(second, new_party(packet, {{"CDCLIENTE", "J11444777000161"},
                                          {"NRINSJURCLIE", "11444777000161"},
                                          {"IDTPIJURCLIE", "J"},
                                          {"NMFANTCLIE", "Buffet Aurora"},
                                          {"DSENDECLIORE", "Rua qualquer, 1"}}));
    json answer = save(second, client_packet);
    ASSERT_TRUE(answer.contains("result")) << answer.dump();
    EXPECT_EQ(answer["result"]["byref"]["1"], client_packet);
    EXPECT_EQ(text("SELECT NMRAZSOCCLIE FROM CLIENTE WHERE CDCLIENTE = 'J11444777000161'"),
              "Buffet Aurora Ltda");
    EXPECT_EQ(text("SELECT NMFANTCLIE FROM CLIENTE WHERE CDCLIENTE = 'J11444777000161'"),
              "Buffet Aurora");
    EXPECT_EQ(text("SELECT DSENDECLIE FROM ENDECLIE WHERE CDCLIENTE = 'J11444777000161'"),
              "Avenida Ibirapuera, 3000");
    EXPECT_EQ(text("SELECT NMBAIRCLIE FROM ENDECLIE WHERE CDCLIENTE = 'J11444777000161'"), "Moema");

    // A new client without a name cannot be registered: nothing of the call stays.
    const std::string before = fingerprint();
    json nameless = delta_of(packet);
    add_insert(nameless, new_party(packet, {{"CDCLIENTE", "F52998224700"}}));
    EXPECT_NE(refusal("SetEndeCont", json::array({nameless, nullptr, "0001", "0000000100", "00"}))
                  .find("F52998224700"),
              std::string::npos);
    EXPECT_EQ(fingerprint(), before);
}

TEST_P(PartySaveTest, AClassListGoesInOneCallWithItsNewClientsOrNotAtAll) {
    const json packet = parties("0001", "0000000100", "00");
    json clients = value("GetClie", json::array({"", "F"}))[1];
    json client_packet = {{"fields", clients["fields"]}, {"delta", json::array()}};
    json delta = delta_of(packet);
    for (const char* inscription : {"11144477735", "38421648071"}) {
        const std::string code = std::string("F") + inscription;
        add_insert(client_packet, make_row(client_packet, {{"CDCLIENTE", code},
                                                           {"NRINSJURCLIE", inscription},
                                                           {"IDTPIJURCLIE", "F"},
                                                           {"NMFANTCLIE", "Formando"},
                                                           {"DSEMAILCLIE", "f@x.br"}}));
        add_insert(delta, new_party(packet, {{"CDCLIENTE", code},
                                             {"CDCLIENCONTORCA", code},
                                             {"NRINSJURCLIE", inscription},
                                             {"IDTPIJURCLIE", "F"},
                                             {"NMFANTCLIE", "Formando"}}));
    }
    add_insert(delta, new_party(packet, {{"CDCLIENTE", "F45612378955"},
                                         {"CDCLIENCONTORCA", "F45612378955"},
                                         {"NRINSJURCLIE", "45612378955"},
                                         {"NMFANTCLIE", "João Pedro Santos"}}));

    // One row the server cannot take (a new client without a name) refuses them all.
    json refused = delta;
    add_insert(refused, new_party(packet, {{"CDCLIENTE", "F93541134780"}}));
    const std::string before = fingerprint();
    EXPECT_FALSE(
        refusal("SetEndeCont", json::array({refused, client_packet, "0001", "0000000100", "00"}))
            .empty());
    EXPECT_EQ(fingerprint(), before);

    ASSERT_TRUE(save(delta, client_packet).contains("result"));
    EXPECT_EQ(count("SELECT COUNT(DISTINCT NRENDCLIORCEVE) FROM ENDECONTORCA WHERE "
                    "NRORCAEVENTO = '0000000100' AND NRENDCLIORCEVE > '0000000003'"),
              3);
    EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECLIE WHERE DSEMAILCLIE = 'f@x.br'"), 2);
}

TEST_P(PartySaveTest, StaleOldIsRefusedAndAcceptedWhenTheStoreAlreadyHoldsTheNewValues) {
    const json packet = parties("0001", "0000000100", "00");
    const json ana = row_of(packet, "0000000001");
    json first = delta_of(packet);
    add_modify(first, ana, with_values(packet, ana, {{"VRRECECONTOREV", 2500.0}}));
    json totals = value("SetEndeCont", json::array({first, nullptr, "0001", "0000000100", "00"}));
    EXPECT_EQ(column(totals, "TOTALRATEADO"), std::vector<json>{10000.0});

    // Another user still holding 3.000,00 tries to write 2.000,00.
    const std::string before = fingerprint();
    json stale = delta_of(packet);
    add_modify(stale, ana, with_values(packet, ana, {{"VRRECECONTOREV", 2000.0}}));
    const std::string message =
        refusal("SetEndeCont", json::array({stale, nullptr, "0001", "0000000100", "00"}));
    // Named as the user sees the party.
    EXPECT_EQ(message, "O contratante Ana Beatriz Souza foi alterado por outro usuário. Recarregue "
                       "os dados e repita a operação.");
    EXPECT_EQ(fingerprint(), before);

    // The same change sent twice is accepted and changes nothing.
    EXPECT_TRUE(save(first).contains("result"));
    EXPECT_EQ(fingerprint(), before);

    // A refused change in the middle of a delta takes the insert before it along.
    json mixed = delta_of(packet);
    add_insert(mixed, new_party(packet, {{"CDCLIENTE", "F45612378955"},
                                         {"NMFANTCLIE", "João Pedro Santos"}}));
    add_modify(mixed, ana, with_values(packet, ana, {{"VRRECECONTOREV", 1000.0}}));
    EXPECT_FALSE(
        refusal("SetEndeCont", json::array({mixed, nullptr, "0001", "0000000100", "00"})).empty());
    EXPECT_EQ(fingerprint(), before);

    // A party deleted meanwhile.
    exec("DELETE FROM ENDECONTORCA WHERE NRORCAEVENTO = '0000000100' AND NRENDCLIORCEVE = "
         "'0000000001'");
    json gone = delta_of(packet);
    add_modify(gone, ana, with_values(packet, ana, {{"NMCONTCLIORE", "Outra"}}));
    EXPECT_NE(refusal("SetEndeCont", json::array({gone, nullptr, "0001", "0000000100", "00"}))
                  .find("excluído por outro usuário"),
              std::string::npos);
}

TEST_P(PartySaveTest, RefusesLockedBudgetsForeignRowsAndKeyChanges) {
    const json closed = parties("0001", "0000000300", "00");
    const json rafael = row_of(closed, "0000000001");
    json delta = delta_of(closed);
    add_modify(delta, rafael, with_values(closed, rafael, {{"QTCONVCONTOREV", 41}}));
    const std::string before = fingerprint();
    EXPECT_EQ(refusal("SetEndeCont", json::array({delta, nullptr, "0001", "0000000300", "00"})),
              "O orçamento 0000000300 está fechado: seus contratantes não podem ser alterados.");
    EXPECT_NE(refusal("SetEndeCont", json::array({delta, nullptr, "0001", "0000000999", "00"}))
                  .find("não cadastrado"),
              std::string::npos);

    const json packet = parties("0001", "0000000100", "00");
    const json ana = row_of(packet, "0000000001");
    json foreign = delta_of(packet);
    add_modify(foreign, ana, with_values(packet, ana, {{"QTCONVCONTOREV", 41}}));
    EXPECT_NE(refusal("SetEndeCont", json::array({foreign, nullptr, "0001", "0000000100", "01"}))
                  .find("não pertence ao orçamento"),
              std::string::npos);

    json renumber = delta_of(packet);
    add_modify(renumber, ana, with_values(packet, ana, {{"NRENDCLIORCEVE", "0000000009"}}));
    EXPECT_EQ(save(renumber)["error"]["message"],
              "A chave de um contratante salvo não pode ser alterada.");
    EXPECT_EQ(fingerprint(), before);
}

TEST_P(PartySaveTest, DeleteInADeltaTakesDependentsAndRefusesPaidParties) {
    const json packet = parties("0001", "0000000100", "00");
    json delta = delta_of(packet);
    add_delete(delta, row_of(packet, "0000000003"));
    json totals = value("SetEndeCont", json::array({delta, nullptr, "0001", "0000000100", "00"}));
    EXPECT_EQ(column(totals, "TOTALCONTRAT"), std::vector<json>{2.0});
    EXPECT_EQ(count("SELECT COUNT(*) FROM FORMAPAGTOCONT WHERE NRORCAEVENTO = '0000000100'"), 0);

    const json generated = parties("0001", "0000000400", "00");
    json paid = delta_of(generated);
    add_delete(paid, row_of(generated, "0000000001"));
    const std::string before = fingerprint();
    EXPECT_NE(refusal("SetEndeCont", json::array({paid, nullptr, "0001", "0000000400", "00"}))
                  .find("conta a receber baixada"),
              std::string::npos);
    EXPECT_EQ(fingerprint(), before);
}

TEST_P(PartySaveTest, MalformedDeltasAreProtocolErrors) {
    const json packet = parties("0001", "0000000100", "00");
    const std::string before = fingerprint();
    // Whole data where a delta is expected.
    EXPECT_EQ(error_code("SetEndeCont", json::array({packet, nullptr, "0001", "0000000100", "00"})),
              -32602);
    // A field the party record does not have.
    json odd = delta_of(packet);
    odd["fields"].push_back({{"name", "DROPTABLE"}, {"type", "string"}, {"size", 5}});
    EXPECT_EQ(error_code("SetEndeCont", json::array({odd, nullptr, "0001", "0000000100", "00"})),
              -32602);
    // A row of the wrong width, a number where text belongs, missing arguments.
    json narrow = delta_of(packet);
    narrow["delta"].push_back({{"op", "insert"}, {"new", json::array({"0001"})}});
    EXPECT_EQ(error_code("SetEndeCont", json::array({narrow, nullptr, "0001", "0000000100", "00"})),
              -32602);
    EXPECT_EQ(error_code("SetEndeCont", json::array({delta_of(packet), nullptr, 1, "x", "00"})),
              -32602);
    EXPECT_EQ(error_code("SetEndeCont", json::array({delta_of(packet), nullptr})), -32602);
    EXPECT_EQ(fingerprint(), before);
}

TEST_P(PartySaveTest, ParallelInsertsNeverShareAPartyNumber) {
    const json packet = parties("0001", "0000000200", "00");
    constexpr int threads = 6;
    constexpr int per_thread = 5;
    std::mutex lock;
    std::vector<std::string> numbers;
    std::vector<std::string> failures;
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            for (int i = 0; i < per_thread; ++i) {
                json delta = delta_of(packet);
                add_insert(delta, make_row(packet, {{"CDFILIAL", "0001"},
                                                    {"NRORCAEVENTO", "0000000200"},
                                                    {"NRSEQORCAEVE", "00"},
                                                    {"CDCLIENTE", "F32165498791"},
                                                    {"NMFANTCLIE", fmt::format("P{}-{}", t, i)},
                                                    {"QTCONVCONTOREV", 1}}));
                json answer =
                    call("SetEndeCont", json::array({delta, nullptr, "0001", "0000000200", "00"}));
                std::lock_guard<std::mutex> guard(lock);
                if (answer.contains("result")) {
                    numbers.push_back(cell(answer["result"]["value"], 0, "NRENDCLIORCEVE"));
                } else {
                    failures.push_back(answer.dump());
                }
            }
        });
    }
    for (auto& th : pool) {
        th.join();
    }
    EXPECT_TRUE(failures.empty()) << failures.front();
    std::set<std::string> unique(numbers.begin(), numbers.end());
    EXPECT_EQ(unique.size(), static_cast<std::size_t>(threads * per_thread));
    EXPECT_EQ(*unique.begin(), "0000000001");
    EXPECT_EQ(*unique.rbegin(), fmt::format("{:010}", threads * per_thread));
    EXPECT_EQ(party_count("0000000200"), threads * per_thread);
}

CT_SERVER_TEST_ON_ENGINES(PartySaveTest);

} // namespace
} // namespace ct::server::testing
