// A server that requires sign-in, over real HTTP: who may call, what is refused and recorded.
#include "server/auth/crypto.h"
#include "server/auth/gate.h"
#include "server/auth/operators.h"
#include "server/auth/sessions.h"
#include "server/methods/method_groups.h"
#include "server_fixture.h"

#include <httplib.h>

namespace ct::server::testing {
namespace {

constexpr const char* ana_password = "senha-da-ana";
constexpr const char* bia_password = "senha-da-bia";

// A request as a client sends it, with the headers a test wants to vary.
struct Request {
    std::string token{};
    std::string content_type = "application/json";
    httplib::Headers headers{};
};

// A second server on the fixture's database, with sign-in; ANA is active and BIA disabled later.
class AccessTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        policy_.sign_in = true;
        registry_ = all_methods();
        auth::register_session_methods(registry_, policy_);
        signed_ = &start_server();
        Database::Lease lease(db());
        Transaction tx(lease.sql(), true);
        auth::add_operator(lease.sql(), "ana", "Ana Paula", ana_password);
        auth::add_operator(lease.sql(), "bia", "Beatriz", bia_password);
        tx.commit();
    }
    void TearDown() override {
        servers_.clear();
        ServerTest::TearDown();
    }

    RpcServer& start_server() {
        servers_.push_back(std::make_unique<RpcServer>(db(), registry_, HttpOptions{}, policy_));
        servers_.back()->start("127.0.0.1", 0);
        return *servers_.back();
    }

    static json send(RpcServer& server, const std::string& method, const json& params,
                     const Request& how = {}) {
        httplib::Client client("127.0.0.1", server.port());
        httplib::Headers headers = how.headers;
        if (!how.token.empty()) {
            headers.emplace("Authorization", "Bearer " + how.token);
        }
        const json request = {
            {"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", params}};
        auto res = client.Post(rpc_path, headers, request.dump(), how.content_type.c_str());
        if (!res) {
            ADD_FAILURE() << "no answer";
            return json();
        }
        EXPECT_EQ(res->status, 200);
        return json::parse(res->body, nullptr, false);
    }
    json send(const std::string& method, const json& params, const Request& how = {}) {
        return send(*signed_, method, params, how);
    }

    // The token of a sign-in that must succeed.
    std::string sign_in(const std::string& code, const std::string& password,
                        RpcServer* server = nullptr) {
        const json answer =
            send(server ? *server : *signed_, auth::sign_in_method, json::array({code, password}));
        if (!answer.contains("result")) {
            ADD_FAILURE() << answer.dump();
            return {};
        }
        return answer["result"]["value"][0].get<std::string>();
    }

    long long audit_rows() { return count("SELECT COUNT(*) FROM AUDITORIA"); }
    std::string stored_company() {
        return query("SELECT CDEMPRESAORCA FROM ORCAEVENTO WHERE CDFILIAL = '0001' AND "
                     "NRORCAEVENTO = '0000000200'")
            .text(0, "CDEMPRESAORCA");
    }

    auth::AccessPolicy policy_;
    MethodRegistry registry_;
    std::vector<std::unique_ptr<RpcServer>> servers_;
    RpcServer* signed_ = nullptr;
};

// Budget 200 has no company of its own: storing one is a change anyone can see.
const json store_company = json::array({"01", "0001", "0000000200"});

std::string error_message(const json& answer) {
    return answer.contains("error") ? answer["error"]["message"].get<std::string>()
                                    : "accepted: " + answer.dump();
}

TEST_P(AccessTest, CallsWithoutAGoodSessionAreRefusedAndChangeNothing) {
    const std::string ana = sign_in("ana", ana_password);
    const std::string bia = sign_in("BIA", bia_password);
    const std::string expired = sign_in("ana", ana_password);
    {
        Database::Lease lease(db());
        // Disabled by hand in the table: its session is still there, and refused.
        lease.sql().exec("UPDATE OPERADOR SET IDATIVO = 'N' WHERE CDOPERADOR = 'BIA'");
        auth::add_operator(lease.sql(), "caio", "Caio", "senha-do-caio");
    }
    // Disabled with the command: its sessions end.
    const std::string caio = sign_in("caio", "senha-do-caio");
    {
        Database::Lease lease(db());
        auth::set_operator_active(lease.sql(), "caio", false);
        // Past its time (a sign-in would clear it away: the cases below sign in after it).
        lease.sql().exec("UPDATE SESSAOOPERADOR SET NREXPIRA = 1 WHERE DSTOKEN = :tk",
                         {{"tk", auth::sha256_hex(expired)}});
    }
    auto header = [](const char* name, const char* value) {
        return httplib::Headers{{name, value}};
    };
    struct Case {
        const char* what;
        Request how;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {"no token", {}, 1, auth::message::no_token},
        {"a forged token", {std::string(64, 'a')}, 1, auth::message::unknown_session},
        {"an expired session", {expired}, 1, auth::message::expired_session},
        {"a disabled operator's session", {bia}, 1, auth::message::disabled_operator("BIA")},
        {"the session of an operator disabled since", {caio}, 1, auth::message::unknown_session},
        {"a token signed out", {}, 1, auth::message::unknown_session},
        {"a cross-site page",
         {ana, "application/json", header("Origin", "https://evil.example")},
         -32600,
         "origem não permitida"},
        {"a form post", {ana, "application/x-www-form-urlencoded"}, -32600, "application/json"},
        {"another host name",
         {ana, "application/json", header("Host", "evil.example:80")},
         -32600,
         "não atende pelo nome"},
    };
    for (Case c : cases) {
        if (std::string(c.what) == "a token signed out") {
            c.how.token = sign_in("ana", ana_password);
            EXPECT_TRUE(send(auth::sign_out_method, json::array(), c.how).contains("result"));
        }
        const json answer = send("SetEmpresaOrca", store_company, c.how);
        EXPECT_EQ(answer.value("error", json::object()).value("code", 0), c.code) << c.what;
        EXPECT_NE(error_message(answer).find(c.message), std::string::npos)
            << c.what << ": " << error_message(answer);
        EXPECT_EQ(stored_company(), "") << c.what;
        EXPECT_EQ(audit_rows(), 0) << c.what;
    }
    // The good session still works, and what it did is recorded under its operator.
    EXPECT_TRUE(send("SetEmpresaOrca", store_company, {ana}).contains("result"));
    EXPECT_EQ(stored_company(), "01");
    const ResultSet audit = query("SELECT CDOPERADOR, NMMETODO, CDFILIAL, NRORCAEVENTO, "
                                  "NRSEQORCAEVE, NRENDCLIORCEVE FROM AUDITORIA");
    ASSERT_EQ(audit.size(), 1u);
    EXPECT_EQ(audit.text(0, "CDOPERADOR"), "ANA");
    EXPECT_EQ(audit.text(0, "NMMETODO"), "SetEmpresaOrca");
    EXPECT_EQ(audit.text(0, "NRORCAEVENTO"), "0000000200");
    EXPECT_EQ(audit.text(0, "NRENDCLIORCEVE"), "");
}

TEST_P(AccessTest, SignInRefusesWrongCodesAndPasswordsAlikeAndDisabledOperators) {
    {
        Database::Lease lease(db());
        auth::set_operator_active(lease.sql(), "bia", false);
    }
    const struct {
        const char* code;
        const char* password;
        std::string message;
    } cases[] = {
        {"ana", "senha-errada", auth::message::wrong_password},
        {"zeca", ana_password, auth::message::wrong_password},
        {"não é código", ana_password, auth::message::wrong_password},
        {"bia", "senha-errada", auth::message::wrong_password},
        {"bia", bia_password, auth::message::disabled_operator("BIA")},
    };
    for (const auto& c : cases) {
        const json answer = send(auth::sign_in_method, json::array({c.code, c.password}));
        EXPECT_EQ(error_message(answer), c.message) << c.code << " / " << c.password;
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM SESSAOOPERADOR"), 0);
    const json good = send(auth::sign_in_method, json::array({" Ana ", ana_password}));
    ASSERT_TRUE(good.contains("result")) << good.dump();
    EXPECT_EQ(good["result"]["value"][1], "ANA");
    EXPECT_EQ(good["result"]["value"][2], "Ana Paula");
    // The database keeps only a hash of the token.
    const std::string token = good["result"]["value"][0];
    EXPECT_EQ(count("SELECT COUNT(*) FROM SESSAOOPERADOR WHERE DSTOKEN = :tk", {{"tk", token}}), 0);
}

TEST_P(AccessTest, ChangedPartiesAreRecordedAndTheOperatorComesFromTheSession) {
    const std::string ana = sign_in("ana", ana_password);
    const json parties = send("GetContratante", json::array({"0001", "0000000100", "00"}),
                              {ana})["result"]["value"][0];
    json delta = delta_of(parties);
    const json carlos = parties["rows"][1];
    add_modify(delta, carlos, with_values(parties, carlos, {{"NMFANTCLIE", "Carlos E. Lima"}}));
    add_insert(delta, make_row(parties, {{"CDFILIAL", "0001"},
                                         {"NRORCAEVENTO", "0000000100"},
                                         {"NRSEQORCAEVE", "00"},
                                         {"CDCLIENTE", "F45612378955"},
                                         {"CDCLIENCONTORCA", "F45612378955"},
                                         {"NRINSJURCLIE", "45612378955"},
                                         {"IDTPIJURCLIE", "F"},
                                         {"NMFANTCLIE", "João Pedro Santos"},
                                         {"IDSITUCONTOREV", "LANCADO"},
                                         {"IDMARCADO", "N"},
                                         {"IDFORMAPGCONT", "E"},
                                         {"QTCONVADICADULTO", 0},
                                         {"QTCONVADICCRIANCA", 0},
                                         {"CDPAIS", "1058"},
                                         {"SGESTADO", "SP"},
                                         {"CDMUNICIPIO", "0001"}}));
    // Not yet changed through the server: no rows, and the fields the screen reads all the same.
    const json untouched = send("GetUltAlteracao", json::array({"0001", "0000000100", "00"}),
                                {ana})["result"]["value"];
    EXPECT_TRUE(untouched["rows"].empty());
    EXPECT_EQ(untouched["fields"].size(), 4u);
    const json saved =
        send("SetEndeCont", json::array({delta, nullptr, "0001", "0000000100", "00"}), {ana});
    ASSERT_TRUE(saved.contains("result")) << saved.dump();
    // The extra account is raised in the signed-in operator's name, whatever the argument says.
    ASSERT_TRUE(
        send("SetGerarConta", json::array({"0001", "0000000400", "00", "EXTRA", "ZEZINHO"}), {ana})
            .contains("result"));
    EXPECT_EQ(column(send("GetUltAlteracao", json::array({"0001", "0000000100", "00"}),
                          {ana})["result"]["value"],
                     "NRENDCLIORCEVE"),
              (std::vector<json>{"0000000002", "0000000004"}));
    EXPECT_EQ(count("SELECT COUNT(*) FROM AUDITORIA WHERE CDOPERADOR = 'ANA' AND NMMETODO = "
                    "'SetGerarConta' AND NRORCAEVENTO = '0000000400' AND NRENDCLIORCEVE IS NOT "
                    "NULL"),
              1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CONTAREC WHERE NRORCAEVENTO = '0000000400' AND "
                    "IDTIPOCONTAREC = 'EXTRA' AND CDOPERADOR = 'ANA'"),
              1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM AUDITORIA WHERE CDOPERADOR <> 'ANA'"), 0);
    // A change of the budget itself leaves the sequence and the party empty.
    ASSERT_TRUE(send("SetEmpresaOrca", json::array({"01", "0001", "0000000200"}), {ana})
                    .contains("result"));
    EXPECT_EQ(count("SELECT COUNT(*) FROM AUDITORIA WHERE NMMETODO = 'SetEmpresaOrca' AND "
                    "CDFILIAL = '0001' AND NRORCAEVENTO = '0000000200' AND NRSEQORCAEVE IS NULL "
                    "AND NRENDCLIORCEVE IS NULL"),
              1);
    // A save of more parties than the audit writes in one statement: every one recorded.
    json many = delta_of(parties);
    for (int i = 0; i < 150; ++i) {
        add_insert(many, make_row(parties, {{"CDFILIAL", "0001"},
                                            {"NRORCAEVENTO", "0000000100"},
                                            {"NRSEQORCAEVE", "00"},
                                            {"NMFANTCLIE", "Lote " + std::to_string(i)}}));
    }
    ASSERT_TRUE(send("SetEndeCont", json::array({many, nullptr, "0001", "0000000100", "00"}), {ana})
                    .contains("result"));
    EXPECT_EQ(count("SELECT COUNT(DISTINCT NRENDCLIORCEVE) FROM AUDITORIA WHERE NMMETODO = "
                    "'SetEndeCont' AND NRORCAEVENTO = '0000000100'"),
              152);
    EXPECT_EQ(send("GetUltAlteracao", json::array({"0001", "0000000100", "00"}),
                   {ana})["result"]["value"]["rows"]
                  .size(),
              152u);
    // A party's last change is its latest one: Beatriz's, after Ana's.
    const std::string bia = sign_in("bia", bia_password);
    // Five changes of hers and 149 of Ana's 150 are the budget's latest 154 audit rows (as many
    // as its parties): the parties Ana changed before them are found further back.
    json now;
    for (const char* name : {"C. Lima", "C. A. Lima", "Carlos Lima", "C. Lima", "Carlos L."}) {
        now = send("GetContratante", json::array({"0001", "0000000100", "00"}),
                   {bia})["result"]["value"][0];
        json again = delta_of(now);
        add_modify(again, now["rows"][1], with_values(now, now["rows"][1], {{"NMFANTCLIE", name}}));
        ASSERT_TRUE(
            send("SetEndeCont", json::array({again, nullptr, "0001", "0000000100", "00"}), {bia})
                .contains("result"));
    }
    const json last = send("GetUltAlteracao", json::array({"0001", "0000000100", "00"}),
                           {bia})["result"]["value"];
    const std::vector<json> parties_changed = column(last, "NRENDCLIORCEVE");
    const std::vector<json> operators = column(last, "CDOPERADOR");
    ASSERT_EQ(parties_changed.size(), 152u);
    ASSERT_EQ(operators.size(), 152u);
    const json changed_by_bia = column(now, "NRENDCLIORCEVE")[1];
    for (std::size_t i = 0; i < parties_changed.size(); ++i) {
        EXPECT_EQ(operators[i], parties_changed[i] == changed_by_bia ? "BIA" : "ANA")
            << parties_changed[i];
    }
}

TEST_P(AccessTest, ServersOfOneDatabaseShareSessionsAndRefuseStaleChanges) {
    RpcServer& second = start_server();
    const std::string token = sign_in("ana", ana_password, signed_);
    const json parties = send(second, "GetContratante", json::array({"0001", "0000000100", "00"}),
                              {token})["result"]["value"][0];
    ASSERT_EQ(row_count(parties), 3u);
    auto rename = [&](const std::string& name) {
        json delta = delta_of(parties);
        const json carlos = parties["rows"][1];
        add_modify(delta, carlos, with_values(parties, carlos, {{"NMFANTCLIE", name}}));
        return json::array({delta, nullptr, "0001", "0000000100", "00"});
    };
    ASSERT_TRUE(
        send(*signed_, "SetEndeCont", rename("Carlos pelo primeiro"), {token}).contains("result"));
    const json stale = send(second, "SetEndeCont", rename("Carlos pelo segundo"), {token});
    EXPECT_NE(error_message(stale).find("alterado por outro usuário"), std::string::npos)
        << error_message(stale);
    EXPECT_EQ(query("SELECT NMFANTCLIE FROM ENDECONTORCA WHERE NRORCAEVENTO = '0000000100' AND "
                    "NRENDCLIORCEVE = '0000000002'")
                  .text(0, "NMFANTCLIE"),
              "Carlos pelo primeiro");
    EXPECT_EQ(audit_rows(), 1);
}

TEST_P(AccessTest, HealthAnswersWithoutASession) {
    httplib::Client client("127.0.0.1", signed_->port());
    auto res = client.Get(health_path);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    const json body = json::parse(res->body);
    EXPECT_EQ(body["database"], "ok");
    EXPECT_EQ(body["sign_in"], true);
    EXPECT_FALSE(body["version"].get<std::string>().empty());
}

CT_SERVER_TEST_ON_ENGINES(AccessTest);

} // namespace
} // namespace ct::server::testing
