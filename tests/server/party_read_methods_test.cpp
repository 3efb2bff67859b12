// Party reads on the demo data: parties with totals, quota responsible, client lists and the
// duplicate checks.
#include "server/domain/records.h"
#include "server/http/rpc_server.h"
#include "server_fixture.h"

#include <fmt/format.h>
#include <httplib.h>

namespace ct::server::testing {
namespace {

class PartyReadMethodsTest : public ServerTest {};

std::vector<std::string> field_names(const json& packet) {
    std::vector<std::string> out;
    for (const auto& f : packet["fields"]) {
        out.push_back(f["name"]);
    }
    return out;
}

TEST_P(PartyReadMethodsTest, GetContratanteSendsEveryStoredAndShownField) {
    json answer = call("GetContratante", json::array({"0001", "0000000100", "00"}));
    ASSERT_TRUE(answer.contains("result")) << answer.dump();
    EXPECT_EQ(answer["result"]["byref"], (json{{"2", "00"}}));
    json parties = answer["result"]["value"][0];
    json totals = answer["result"]["value"][1];

    const std::vector<std::string> names = field_names(parties);
    ASSERT_EQ(names.size(), 52u);
    EXPECT_EQ(names.front(), "CDCLIENTE");
    EXPECT_EQ(names[12], "IDCONTRESPCOTAORCA");
    EXPECT_EQ(names[22], "NRENDCLIORCEVE");
    EXPECT_EQ(names[49], "IDMESVENCONOREV");
    EXPECT_EQ(names[50], "IDSITUORCEVE");
    EXPECT_EQ(names.back(), "IDORCAFILHODISTRATO");
    EXPECT_EQ(std::count(names.begin(), names.end(), "VRTOTCONVADU"), 0);
    EXPECT_EQ(parties["fields"][12]["type"], "fixedstring");
    EXPECT_EQ(parties["fields"][22]["size"], 21);

    EXPECT_EQ(column(parties, "NRENDCLIORCEVE"),
              (std::vector<json>{"0000000001", "0000000002", "0000000003"}));
    EXPECT_EQ(column(parties, "IDCONTRESPCOTAORCA"), (std::vector<json>{"S", "N", "N"}));
    EXPECT_EQ(column(parties, "IDMARCADO"), (std::vector<json>{"N", "N", "N"}));
    EXPECT_EQ(column(parties, "IDSITUORCEVE"), (std::vector<json>{"2", "2", "2"}));
    EXPECT_EQ(column(parties, "IDORCAFILHODISTRATO"), (std::vector<json>{"N", "N", "N"}));
    EXPECT_EQ(column(parties, "IDFORMAPGCONT"), (std::vector<json>{"E", "F", "V"}));
    EXPECT_EQ(cell(parties, 0, "NMPAIS"), "Brasil");
    EXPECT_EQ(cell(parties, 0, "NMESTADO"), "São Paulo");
    EXPECT_EQ(cell(parties, 0, "NMBAIRRO"), "Pinheiros");
    EXPECT_EQ(cell(parties, 1, "NMBAIRRO"), nullptr);
    EXPECT_EQ(cell(parties, 2, "NMMUNICIPIO"), "Campinas");
    EXPECT_EQ(cell(parties, 1, "NMFANTSUB"), "Ana Beatriz Souza");
    EXPECT_EQ(cell(parties, 0, "NMFANTSUB"), nullptr);
    EXPECT_DOUBLE_EQ(cell(parties, 1, "VRRECECONTOREV").get<double>(), 3500.0);
    EXPECT_DOUBLE_EQ(cell(parties, 1, "NRDIAVENCONOREV").get<double>(), 10.0);
    EXPECT_EQ(cell(parties, 1, "IDMESVENCONOREV"), "PROXIMO");

    EXPECT_EQ(field_names(totals),
              (std::vector<std::string>{"TOTALCONV", "TOTALRATEADO", "TOTALCONTRAT"}));
    EXPECT_EQ(totals["rows"], json::array({json::array({120.0, 10500.0, 3.0})}));
}

TEST_P(PartyReadMethodsTest, GetContratanteTotalsCountOnlyOpenParties) {
    json v = value("GetContratante", json::array({"0001", "0000000400", "00"}));
    EXPECT_EQ(column(v[0], "IDSITUCONTOREV"),
              (std::vector<json>{"CNTGERADA", "CANCELADO", "DEVOLVIDO"}));
    EXPECT_EQ(column(v[0], "IDCONTRESPCOTAORCA"), (std::vector<json>{"S", "N", "N"}));
    EXPECT_DOUBLE_EQ(cell(v[0], 0, "QTEXTCONVOREV").get<double>(), 5.0);
    EXPECT_DOUBLE_EQ(cell(v[0], 0, "VREXTCONVOREV").get<double>(), 300.0);
    EXPECT_EQ(v[1]["rows"], json::array({json::array({30.0, 5000.0, 1.0})}));

    // The first party cancelled: the totals still come, over the others.
    {
        Database::Lease lease(db());
        lease.sql().exec("UPDATE ENDECONTORCA SET IDSITUCONTOREV = 'CANCELADO' WHERE "
                         "NRORCAEVENTO = '0000000100' AND NRENDCLIORCEVE = '0000000001'");
    }
    const json after = value("GetContratante", json::array({"0001", "0000000100", "00"}));
    EXPECT_EQ(cell(after[0], 0, "IDSITUCONTOREV"), "CANCELADO");
    const ResultSet open = query("SELECT SUM(QTCONVCONTOREV), SUM(VRRECECONTOREV) FROM "
                                 "ENDECONTORCA WHERE NRORCAEVENTO = '0000000100' AND "
                                 "NRENDCLIORCEVE <> '0000000001'");
    EXPECT_EQ(
        after[1]["rows"],
        json::array({json::array({as_double(open.rows[0][0]), as_double(open.rows[0][1]), 2.0})}));

    json child = value("GetContratante", json::array({"0001", "0000000500", "00"}));
    EXPECT_EQ(row_count(child[0]), 0u);
    EXPECT_EQ(child[1]["rows"], json::array({json::array({0.0, 0.0, 0.0})}));
    EXPECT_EQ(row_count(value("GetContratante", json::array({"", "", ""}))[0]), 0u);
}

TEST_P(PartyReadMethodsTest, GetLiderTurmaGivesTheQuotaResponsible) {
    json p = value("GetLiderTurma", json::array({"0001", "0000000100"}));
    EXPECT_EQ(field_names(p), std::vector<std::string>{"CDCLIENCONTORCA"});
    EXPECT_EQ(p["rows"], json::array({json::array({"F52998224725"})}));
    EXPECT_EQ(row_count(value("GetLiderTurma", json::array({"0001", "0000000200"}))), 0u);
}

TEST_P(PartyReadMethodsTest, GetClienteListsRegisteredClientsByName) {
    json p = value("GetCliente", json::array());
    EXPECT_EQ(field_names(p), (std::vector<std::string>{"NRINSJURCLIE", "NMFANTCLIE", "CDCLIENTE",
                                                        "IDTPIJURCLIE"}));
    ASSERT_EQ(row_count(p), 19u);
    EXPECT_EQ(cell(p, 0, "NMFANTCLIE"), "Ana Beatriz Souza");
    EXPECT_EQ(cell(p, 0, "CDCLIENTE"), "F52998224725");
    const std::vector<json> names = column(p, "NMFANTCLIE");
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [](const json& a, const json& b) {
        return a.get<std::string>() < b.get<std::string>();
    }));
}

TEST_P(PartyReadMethodsTest, GetContSubOffersTheOtherOpenParties) {
    json p = value("GetContSub", json::array({"0001", "0000000100", "00", "0000000001"}));
    EXPECT_EQ(column(p, "NMFANTCLIE"),
              (std::vector<json>{"Carlos Eduardo Lima", "Mariana Alves Costa"}));
    EXPECT_EQ(column(p, "CDCLIENTE"), (std::vector<json>{"F12345678909", "F98765432100"}));
    EXPECT_EQ(column(p, "IDTPIJURCLIE"), (std::vector<json>{"F", "F"}));
    // Budget 400: the others are cancelled or refunded.
    EXPECT_EQ(
        row_count(value("GetContSub", json::array({"0001", "0000000400", "00", "0000000001"}))),
        0u);
    EXPECT_EQ(
        row_count(value("GetContSub", json::array({"0001", "0000000400", "00", "0000000002"}))),
        1u);
}

TEST_P(PartyReadMethodsTest, GetClienteJaCadFindsOpenPartiesWithTheClientCode) {
    auto numbers = [&](const char* code, const char* seq) {
        return column(value("GetClienteJaCad", json::array({"0001", "0000000100", code, seq})),
                      "NRENDCLIORCEVE");
    };
    EXPECT_EQ(numbers("F12345678909", "00"), std::vector<json>{"0000000002"});
    EXPECT_EQ(numbers("F12345678909", ""), std::vector<json>{"0000000002"});
    EXPECT_TRUE(numbers("F12345678909", "01").empty());
    EXPECT_TRUE(numbers("F32165498791", "").empty());
    EXPECT_TRUE(numbers("", "").empty());
    // Cancelled parties do not count.
    EXPECT_TRUE(
        column(value("GetClienteJaCad", json::array({"0001", "0000000400", "F25814736909", ""})),
               "NRENDCLIORCEVE")
            .empty());
    json p = value("GetClienteJaCad", json::array({"0001", "0000000100", "F12345678909", ""}));
    EXPECT_EQ(p["fields"][0]["size"], 10);
}

TEST_P(PartyReadMethodsTest, GetClieFindsTheClientByItsDigits) {
    json answer = call("GetClie", json::array({"529.982.247-25", "C"}));
    ASSERT_TRUE(answer.contains("result")) << answer.dump();
    EXPECT_EQ(answer["result"]["byref"], (json{{"1", "C"}}));
    json client = answer["result"]["value"][0];
    json address = answer["result"]["value"][1];
    EXPECT_EQ(field_names(client),
              (std::vector<std::string>{"NRINSJURCLIE", "CDCLIENTE", "NMFANTCLIE", "NMRAZSOCCLIE",
                                        "IDTPIJURCLIE"}));
    EXPECT_EQ(client["rows"],
              json::array({json::array({"52998224725", "F52998224725", "Ana Beatriz Souza",
                                        "Ana Beatriz Souza", "F"})}));
    ASSERT_EQ(address["fields"].size(), client_address_fields().size());
    ASSERT_EQ(row_count(address), 1u);
    EXPECT_EQ(cell(address, 0, "DSENDECLIE"), "Rua dos Pinheiros, 120");
    EXPECT_EQ(cell(address, 0, "CDBAIRRO"), "0000000001");
    EXPECT_EQ(cell(address, 0, "NMBAIRCLIE"), "Pinheiros");
    EXPECT_EQ(cell(address, 0, "NRINSJURCLIE"), "52998224725");

    EXPECT_EQ(row_count(value("GetClie", json::array({"52998224725", ""}))[0]), 1u);
    EXPECT_EQ(cell(value("GetClie", json::array({"11.222.333/0001-81", "J"}))[0], 0, "CDCLIENTE"),
              "J11222333000181");
    for (const char* unknown : {"11111111111", "", "   ", "abc", "' OR '1'='1"}) {
        json v = value("GetClie", json::array({unknown, "F"}));
        ASSERT_TRUE(v.is_array()) << unknown;
        EXPECT_EQ(row_count(v[0]), 0u) << unknown;
        EXPECT_EQ(row_count(v[1]), 0u) << unknown;
        EXPECT_EQ(v[1]["fields"].size(), client_address_fields().size());
    }
}

TEST_P(PartyReadMethodsTest, VdContratanteFindsTheOpenPartyWithTheInscription) {
    json answer = call("VdContratante", json::array({"0001", "0000000100", "00", "98765432100"}));
    ASSERT_TRUE(answer.contains("result")) << answer.dump();
    EXPECT_EQ(answer["result"]["byref"], (json{{"2", "00"}, {"3", "98765432100"}}));
    json p = answer["result"]["value"];
    EXPECT_EQ(field_names(p), (std::vector<std::string>{"CDCLIENTE", "CDFILIAL", "NRORCAEVENTO",
                                                        "NRSEQORCAEVE", "NRINSJURCLIE"}));
    EXPECT_EQ(p["fields"][3]["type"], "fixedstring");
    EXPECT_EQ(
        p["rows"],
        json::array({json::array({"F98765432100", "0001", "0000000100", "00", "98765432100"})}));
    auto found = [&](const char* orc, const char* seq, const char* ins) {
        return row_count(value("VdContratante", json::array({"0001", orc, seq, ins})));
    };
    EXPECT_EQ(found("0000000100", "00", " "), 0u);
    EXPECT_EQ(found("0000000100", "00", ""), 0u);
    EXPECT_EQ(found("0000000100", "01", "98765432100"), 0u);
    EXPECT_EQ(found("0000000100", "00", "32165498791"), 0u);
    EXPECT_EQ(found("0000000400", "00", "25814736909"), 0u); // cancelled
    EXPECT_EQ(found("0000000400", "00", "15935748606"), 1u);
    // Values are bound, never spliced into the SQL.
    EXPECT_EQ(found("0000000100", "00", "x' OR 'a'='a"), 0u);
    EXPECT_EQ(
        row_count(value("GetContSub", json::array({"0001", "0000000100", "00", "' OR ''='"}))), 3u);
}

// Reads answered again from the cache while nothing changed: a change by the server's own
// session, by another session or by a call is seen by the very next read.
TEST_P(PartyReadMethodsTest, RepeatedReadsSeeEveryChangeAtOnce) {
    const json args = json::array({"0001", "0000000100", "00"});
    auto second_name = [&] { return cell(value("GetContratante", args)[0], 1, "NMFANTCLIE"); };
    auto last_changes = [&] { return value("GetUltAlteracao", args); };
    const std::string rename = "UPDATE ENDECONTORCA SET NMFANTCLIE = :nm WHERE NRORCAEVENTO = "
                               "'0000000100' AND NRENDCLIORCEVE = '0000000002'";
    Database other(db().url(), 1);
    const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> changes = {
        // LIFO pool: the session the reads just ran on.
        {"the server's session",
         [&](const std::string& name) {
             Database::Lease lease(db());
             lease.sql().exec(rename, {{"nm", name}});
         }},
        {"another session",
         [&](const std::string& name) {
             Database::Lease lease(other);
             lease.sql().exec(rename, {{"nm", name}});
         }},
    };
    for (const auto& [who, change] : changes) {
        const json before = second_name();
        EXPECT_EQ(second_name(), before) << who;
        change("Renomeado por " + who);
        EXPECT_EQ(second_name(), "Renomeado por " + who) << who;
    }
    // Each budget its own answer.
    EXPECT_EQ(row_count(value("GetContratante", json::array({"0001", "0000000100", "00"}))[0]), 3u);
    EXPECT_NE(value("GetContratante", json::array({"0001", "0000000300", "00"})),
              value("GetContratante", args));

    // The last change, read and then changed by a call.
    const json first = last_changes();
    EXPECT_EQ(last_changes(), first);
    {
        Database::Lease lease(other);
        lease.sql().exec("INSERT INTO AUDITORIA (NRCHAMADA, CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, "
                         "NRENDCLIORCEVE, CDOPERADOR, DTAUDITORIA, NMMETODO) VALUES ('t', '0001', "
                         "'0000000100', '00', '0000000001', 'OUTRO', '2030-01-01 10:00:00', "
                         "'Teste')");
    }
    const json after = last_changes();
    ASSERT_EQ(row_count(after), 1u);
    EXPECT_EQ(cell(after, 0, "CDOPERADOR"), "OUTRO");
}

// A client that names the answer it holds is told it still holds it, in a few bytes, for as long
// as it is the server's answer; otherwise it gets the answer whole, under a new tag.
TEST_P(PartyReadMethodsTest, AClientHoldingTheLatestAnswerIsToldSo) {
    httplib::Client client("127.0.0.1", port());
    auto post = [&](const std::string& method, const std::string& held) {
        const json request = {{"jsonrpc", "2.0"},
                              {"id", 7},
                              {"method", method},
                              {"params", json::array({"0001", "0000000100", "00"})}};
        httplib::Headers headers;
        if (!held.empty()) {
            headers.emplace("X-Answer-Held", held);
        }
        httplib::Result res = client.Post(rpc_path, headers, request.dump(), "application/json");
        EXPECT_TRUE(res);
        return res ? *res : httplib::Response();
    };
    const httplib::Response first = post("GetContratante", "");
    const std::string tag = first.get_header_value("X-Answer-Tag");
    ASSERT_FALSE(tag.empty());

    const httplib::Response held = post("GetContratante", tag);
    if (engine() == Engine::sqlite || !held.get_header_value("X-Answer-Held").empty()) {
        EXPECT_EQ(held.get_header_value("X-Answer-Held"), tag);
        EXPECT_EQ(json::parse(held.body),
                  (json{{"id", 7}, {"jsonrpc", "2.0"}, {"result", nullptr}}));
    } else {
        // On PostgreSQL any commit in the cluster (another test's, run alongside) ends the
        // answer's snapshot: the same answer then comes whole, under a new tag.
        EXPECT_EQ(held.body, first.body);
        EXPECT_NE(held.get_header_value("X-Answer-Tag"), tag);
    }

    const httplib::Response other_tag = post("GetContratante", tag + "0");
    EXPECT_EQ(other_tag.body, first.body);
    EXPECT_EQ(other_tag.get_header_value("X-Answer-Held"), "");

    {
        Database other(db().url(), 1);
        Database::Lease lease(other);
        lease.sql().exec("UPDATE ENDECONTORCA SET NMFANTCLIE = 'Outro nome' WHERE NRORCAEVENTO = "
                         "'0000000100' AND NRENDCLIORCEVE = '0000000002'");
    }
    const httplib::Response changed = post("GetContratante", tag);
    EXPECT_EQ(changed.get_header_value("X-Answer-Held"), "");
    EXPECT_NE(changed.get_header_value("X-Answer-Tag"), "");
    EXPECT_NE(changed.get_header_value("X-Answer-Tag"), tag);
    EXPECT_NE(changed.body.find("Outro nome"), std::string::npos);

    // Only cached reading calls are tagged.
    EXPECT_EQ(post("GetVrTotal", "").get_header_value("X-Answer-Tag"), "");
}

// Each party's last change, however far back in its sequence's audit: one party changed at the
// start, another changed again and again since, the third never.
TEST_P(PartyReadMethodsTest, LastChangesAreFoundHoweverFarBack) {
    const json args = json::array({"0001", "0000000100", "00"});
    auto note = [&](Sql& sql, const std::string& party, const std::string& who, int minute) {
        sql.exec("INSERT INTO AUDITORIA (NRCHAMADA, CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, "
                 "NRENDCLIORCEVE, CDOPERADOR, DTAUDITORIA, NMMETODO) VALUES ('t', '0001', "
                 "'0000000100', '00', :party, :who, :at, 'Teste')",
                 {{"party", party},
                  {"who", who},
                  {"at", fmt::format("2030-01-01 10:{:02}:00", minute % 60)}});
    };
    for (const int since : {0, 1, 2, 3, 7, 200}) {
        {
            Database::Lease lease(db());
            Transaction tx(lease.sql(), true);
            lease.sql().exec("DELETE FROM AUDITORIA");
            note(lease.sql(), "0000000001", "PRIMEIRO", 0);
            for (int i = 1; i <= since; ++i) {
                note(lease.sql(), "0000000002", i == since ? "ULTIMO" : "OUTRO", i);
            }
            tx.commit();
        }
        const json last = value("GetUltAlteracao", args);
        ASSERT_EQ(row_count(last), since == 0 ? 1u : 2u) << since;
        EXPECT_EQ(cell(last, 0, "NRENDCLIORCEVE"), "0000000001") << since;
        EXPECT_EQ(cell(last, 0, "CDOPERADOR"), "PRIMEIRO") << since;
        if (since > 0) {
            EXPECT_EQ(cell(last, 1, "CDOPERADOR"), "ULTIMO") << since;
            EXPECT_EQ(cell(last, 1, "DTAUDITORIA").get<std::string>().substr(11, 5),
                      fmt::format("10:{:02}", since % 60))
                << since;
        }
    }
}

CT_SERVER_TEST_ON_ENGINES(PartyReadMethodsTest);

} // namespace
} // namespace ct::server::testing
