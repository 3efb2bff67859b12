// The server as the host embeds it: demo data on first use, the same data afterwards.
#include "server/service.h"
#include "server_fixture.h"

#include <httplib.h>

namespace ct::server::testing {
namespace {

class ServiceTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        if (!TestDatabase::available(GetParam())) {
            GTEST_SKIP() << "CT_TEST_PG_URL is not set";
        }
        store_ = std::make_unique<TestDatabase>(GetParam());
    }
    ServiceOptions options(DemoData demo) {
        ServiceOptions o;
        o.url = store_->url();
        o.port = 0;
        o.demo = demo;
        o.sessions = 2;
        return o;
    }
    static json call(int port, const json& request) {
        httplib::Client client("127.0.0.1", port);
        auto res = client.Post(rpc_path, request.dump(), "application/json");
        return res ? json::parse(res->body) : json();
    }
    std::unique_ptr<TestDatabase> store_;
};

TEST_P(ServiceTest, LoadsTheDemoOnceAndServesItsDataAfterwards) {
    EXPECT_THROW(Service{options(DemoData::none)}, std::runtime_error);
    const json request = {{"jsonrpc", "2.0"},
                          {"id", 1},
                          {"method", "SetEmpresaOrca"},
                          {"params", {"01", "0001", "0000000200"}}};
    {
        Service service(options(DemoData::if_empty));
        service.start();
        EXPECT_GT(service.port(), 0);
        EXPECT_EQ(service.host(), "127.0.0.1");
        EXPECT_TRUE(call(service.port(), request).contains("result"));
    }
    {
        // Not loaded again: the change made above is still there.
        Service service(options(DemoData::if_empty));
        service.start();
        json answer = call(service.port(), {{"jsonrpc", "2.0"},
                                            {"id", 2},
                                            {"method", "GetEmpresaOrca"},
                                            {"params", {"0001", "0000000200"}}});
        EXPECT_EQ(answer["result"]["value"]["rows"], json::array({json::array({"01"})}));
    }
    EXPECT_THROW(Service{options(DemoData::required)}, std::runtime_error);
    Service plain(options(DemoData::none));
    plain.start();
    plain.stop();
    plain.stop(); // stopping twice is harmless
}

TEST_P(ServiceTest, ADatabaseMadeBeforeTheAuditAndThePageSettingGainsThemAtStart) {
    {
        Service made(options(DemoData::if_empty));
        Database::Lease lease(made.database());
        lease.sql().exec_once("DROP TABLE AUDITORIA");
        if (GetParam() == Engine::postgresql)
            lease.sql().exec_once("ALTER TABLE ENDECONTORCA RESET (fillfactor)");
    }
    Service service(options(DemoData::none));
    Database::Lease lease(service.database());
    EXPECT_EQ(as_integer(*lease.sql().scalar("SELECT COUNT(*) FROM AUDITORIA")), 0);
    if (GetParam() == Engine::postgresql) {
        const auto options =
            lease.sql().scalar("SELECT array_to_string(reloptions, ',') FROM pg_class WHERE oid = "
                               "'endecontorca'::regclass");
        ASSERT_TRUE(options.has_value());
        EXPECT_EQ(as_text(*options), "fillfactor=50");
    }
}

// A database already up to date is started on without a write: another user's save in progress
// holds no program at its start, and PostgreSQL's sessions keep their plans of the party table.
TEST_P(ServiceTest, ACurrentDatabaseStartsWhileAnotherUserSaves) {
    { Service made(options(DemoData::if_empty)); }
    Database others(DatabaseUrl::parse(store_->url()), 1);
    Database::Lease other(others);
    const std::string catalog_row =
        "SELECT xmin::text FROM pg_class WHERE oid = 'endecontorca'::regclass";
    const bool postgresql = GetParam() == Engine::postgresql;
    const std::string before = postgresql ? as_text(*other.sql().scalar(catalog_row)) : "";
    Transaction saving(other.sql(), true);
    other.sql().exec("UPDATE AUDITORIA SET CDOPERADOR = CDOPERADOR");
    // Written, the start would wait for the save (15 s) and fail.
    Service service(options(DemoData::none));
    service.start();
    EXPECT_GT(service.port(), 0);
    saving.commit();
    if (postgresql) {
        EXPECT_EQ(as_text(*other.sql().scalar(catalog_row)), before);
    }
}

CT_SERVER_TEST_ON_ENGINES(ServiceTest);

} // namespace
} // namespace ct::server::testing
