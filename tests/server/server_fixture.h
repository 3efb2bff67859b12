#pragma once

#include "server/db/database.h"
#include "server/http/rpc_server.h"
#include "server/rpc/method_registry.h"

#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

namespace ct::server::testing {

using nlohmann::json;

// A fresh database of one engine: a temporary SQLite file, or a schema of its own in the
// PostgreSQL database named by CT_TEST_PG_URL. Removed on destruction.
class TestDatabase {
public:
    explicit TestDatabase(Engine engine);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const std::string& url() const { return url_; }
    static bool available(Engine engine); // PostgreSQL only when CT_TEST_PG_URL is set
    // The throwaway cluster's database the tests make theirs in (CT_TEST_PG_URL), or null.
    static const char* postgresql_base();

private:
    Engine engine_;
    std::string url_;
    std::string path_;   // SQLite
    std::string schema_; // PostgreSQL
};

// Runs every test once per engine: derive from ServerTest and instantiate with
// CT_SERVER_TEST_ON_ENGINES(SuiteName).
class ServerTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override;
    void TearDown() override;

    // Methods served; tests may override to add methods of their own.
    virtual MethodRegistry methods();
    // The endpoint's limits; tests of the limits make them small.
    virtual HttpLimits limits() { return {}; }

    Engine engine() const { return GetParam(); }
    Database& db() { return *db_; }
    int port() const { return server_->port(); }
    RpcServer& server() { return *server_; }

    // The whole answer of one call over HTTP.
    json call(const std::string& method, const json& params);
    // result.value of a call that must succeed (the test fails otherwise).
    json value(const std::string& method, const json& params);
    // result.byref of a call that must succeed.
    json byref(const std::string& method, const json& params);
    // Message of a refusal (code 1); the test fails on any other answer.
    std::string refusal(const std::string& method, const json& params);
    // JSON-RPC error code of a call (0 when it succeeded).
    int error_code(const std::string& method, const json& params);
    // Posts a raw body; gives HTTP status and parsed answer (null when unreadable).
    std::pair<int, json> post(const std::string& body, const std::string& request_key = "");

    // Direct reads of the database, to check what a call wrote.
    ResultSet query(const std::string& sql, const SqlParams& params = {});
    long long count(const std::string& sql, const SqlParams& params = {});

private:
    std::unique_ptr<TestDatabase> store_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<MethodRegistry> registry_;
    std::unique_ptr<RpcServer> server_;
};

std::string engine_name(const ::testing::TestParamInfo<Engine>& info);

// Reading packets in tests.
int field_index(const json& packet, const std::string& name);
const json& cell(const json& packet, std::size_t row, const std::string& name);
std::size_t row_count(const json& packet);
// The values of one field over all rows.
std::vector<json> column(const json& packet, const std::string& name);

// Deltas as the screen sends them: "fields" of the packet, and changes built from its rows.
json delta_of(const json& packet);
json with_values(const json& packet, json row, const json& changes); // changes: {"FIELD": value}
void add_insert(json& delta, json new_row);
void add_modify(json& delta, json old_row, json new_row);
void add_delete(json& delta, json old_row);
// An empty row of the packet's fields, filled from `values`.
json make_row(const json& packet, const json& values);

} // namespace ct::server::testing

#define CT_SERVER_TEST_ON_ENGINES(Suite)                                                           \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Engines, Suite,                                                                            \
        ::testing::Values(::ct::server::Engine::sqlite, ::ct::server::Engine::postgresql),         \
        ::ct::server::testing::engine_name)
