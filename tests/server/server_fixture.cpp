#include "server_fixture.h"

#include "server/db/schema.h"
#include "server/methods/method_groups.h"
#include "server/rpc/request_log.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <httplib.h>
#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <unistd.h>

namespace ct::server::testing {

namespace {

std::string unique_suffix() {
    static std::atomic<int> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return fmt::format("{}_{}_{}", ::getpid(), counter++, now % 1000000007);
}

void pg_admin(const std::string& statement) {
    const DatabaseUrl url = DatabaseUrl::parse(TestDatabase::postgresql_base());
    soci::session session(*soci::factory_postgresql(), url.connect_string);
    session << "SET client_min_messages TO warning";
    session << statement;
}

} // namespace

const char* TestDatabase::postgresql_base() {
    const char* url = std::getenv("CT_TEST_PG_URL");
    return url && *url ? url : nullptr;
}

bool TestDatabase::available(Engine engine) {
    return engine == Engine::sqlite || TestDatabase::postgresql_base();
}

TestDatabase::TestDatabase(Engine engine)
    : engine_(engine) {
    if (engine == Engine::sqlite) {
        path_ = (std::filesystem::temp_directory_path() /
                 fmt::format("ct_server_test_{}.db", unique_suffix()))
                    .string();
        url_ = "sqlite:" + path_;
        return;
    }
    schema_ = "ct_test_" + unique_suffix();
    pg_admin("CREATE SCHEMA " + schema_);
    const std::string base = TestDatabase::postgresql_base();
    url_ = base + (base.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" +
           schema_;
}

TestDatabase::~TestDatabase() {
    try {
        if (engine_ == Engine::sqlite) {
            for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
                std::filesystem::remove(path_ + suffix);
            }
        } else {
            pg_admin("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE");
        }
    } catch (const std::exception&) {
        // A leftover temporary database is no reason to fail a test.
    }
}

std::string engine_name(const ::testing::TestParamInfo<Engine>& info) {
    return info.param == Engine::sqlite ? "SQLite" : "PostgreSQL";
}

MethodRegistry ServerTest::methods() {
    return all_methods();
}

void ServerTest::SetUp() {
    if (!TestDatabase::available(engine())) {
        GTEST_SKIP() << "CT_TEST_PG_URL is not set";
    }
    store_ = std::make_unique<TestDatabase>(engine());
    db_ = std::make_unique<Database>(DatabaseUrl::parse(store_->url()), 4);
    install_demo(*db_);
    registry_ = std::make_unique<MethodRegistry>(methods());
    RequestLog::prepare(*db_);
    server_ = std::make_unique<RpcServer>(*db_, *registry_, HttpOptions{}, auth::AccessPolicy{},
                                          limits());
    server_->start("127.0.0.1", 0);
}

void ServerTest::TearDown() {
    server_.reset();
    registry_.reset();
    db_.reset();
    store_.reset();
}

std::pair<int, json> ServerTest::post(const std::string& body, const std::string& request_key) {
    httplib::Client client("127.0.0.1", port());
    client.set_read_timeout(120, 0);
    httplib::Headers headers;
    if (!request_key.empty()) {
        headers.emplace("Idempotency-Key", request_key);
    }
    auto res = client.Post(rpc_path, headers, body, "application/json");
    if (!res) {
        ADD_FAILURE() << "no answer from the server";
        return {0, json()};
    }
    json answer = json::parse(res->body, nullptr, false);
    return {res->status, answer.is_discarded() ? json() : answer};
}

json ServerTest::call(const std::string& method, const json& params) {
    if (!params.is_array()) {
        ADD_FAILURE() << "params of " << method << " must be an array (use json::array)";
    }
    static std::atomic<int> id{1};
    const json request = {{"jsonrpc", "2.0"}, {"id", id++}, {"method", method}, {"params", params}};
    auto [status, answer] = post(request.dump());
    EXPECT_EQ(status, 200);
    EXPECT_EQ(answer.value("id", json()), request["id"]) << answer.dump();
    return answer;
}

json ServerTest::value(const std::string& method, const json& params) {
    json answer = call(method, params);
    if (!answer.contains("result")) {
        ADD_FAILURE() << method << " failed: " << answer.dump();
        return json();
    }
    return answer["result"]["value"];
}

json ServerTest::byref(const std::string& method, const json& params) {
    json answer = call(method, params);
    if (!answer.contains("result")) {
        ADD_FAILURE() << method << " failed: " << answer.dump();
        return json();
    }
    return answer["result"]["byref"];
}

std::string ServerTest::refusal(const std::string& method, const json& params) {
    json answer = call(method, params);
    if (!answer.contains("error") || answer["error"]["code"] != 1) {
        ADD_FAILURE() << method << " was not refused: " << answer.dump();
        return {};
    }
    return answer["error"]["message"].get<std::string>();
}

int ServerTest::error_code(const std::string& method, const json& params) {
    json answer = call(method, params);
    return answer.contains("error") ? answer["error"]["code"].get<int>() : 0;
}

ResultSet ServerTest::query(const std::string& sql, const SqlParams& params) {
    Database::Lease lease(*db_);
    return lease.sql().query(sql, params);
}

long long ServerTest::count(const std::string& sql, const SqlParams& params) {
    ResultSet rs = query(sql, params);
    return rs.empty() ? 0 : as_integer(rs.rows.front().front());
}

int field_index(const json& packet, const std::string& name) {
    const json& fields = packet.at("fields");
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].at("name") == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const json& cell(const json& packet, std::size_t row, const std::string& name) {
    const int i = field_index(packet, name);
    if (i < 0) {
        throw std::out_of_range("no field " + name + " in the packet");
    }
    return packet.at("rows").at(row).at(static_cast<std::size_t>(i));
}

std::size_t row_count(const json& packet) {
    return packet.at("rows").size();
}

std::vector<json> column(const json& packet, const std::string& name) {
    std::vector<json> out;
    for (std::size_t r = 0; r < row_count(packet); ++r) {
        out.push_back(cell(packet, r, name));
    }
    return out;
}

json delta_of(const json& packet) {
    return {{"fields", packet.at("fields")}, {"delta", json::array()}};
}

json with_values(const json& packet, json row, const json& changes) {
    for (const auto& [name, v] : changes.items()) {
        const int i = field_index(packet, name);
        if (i < 0) {
            throw std::out_of_range("no field " + name + " in the packet");
        }
        row[static_cast<std::size_t>(i)] = v;
    }
    return row;
}

json make_row(const json& packet, const json& values) {
    json row = json::array();
    for (std::size_t i = 0; i < packet.at("fields").size(); ++i) {
        row.push_back(nullptr);
    }
    return with_values(packet, row, values);
}

void add_insert(json& delta, json new_row) {
    delta["delta"].push_back({{"op", "insert"}, {"new", std::move(new_row)}});
}

void add_modify(json& delta, json old_row, json new_row) {
    delta["delta"].push_back(
        {{"op", "modify"}, {"old", std::move(old_row)}, {"new", std::move(new_row)}});
}

void add_delete(json& delta, json old_row) {
    delta["delta"].push_back({{"op", "delete"}, {"old", std::move(old_row)}});
}

} // namespace ct::server::testing
