// Server calls over HTTP on SQLite: reading the parties of a budget (demo size and 10,000
// parties; the demo budget also after another session's commit), saving a delta that modifies
// 10,000 parties (and reading its request alone), and saving one party with the commit synced to
// disk (the server's setting) and without (what a sync costs).
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/domain/party_queries.h"
#include "server/http/rpc_server.h"
#include "server/methods/method_groups.h"
#include "server/rpc/request_reader.h"
#include "server/rpc/rpc_handler.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fmt/format.h>
#include <httplib.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace {

using nlohmann::json;
using namespace ct::server;

constexpr int big_budget_parties = 10000;
const char* const big_budget = "0000009000";

// One demo database with an extra budget of 10,000 parties, served in-process.
class Bench {
public:
    Bench()
        : path_((std::filesystem::temp_directory_path() /
                 fmt::format("ct_bench_server_calls_{}.db", ::getpid()))
                    .string()) {
        spdlog::set_level(spdlog::level::warn); // one log line per call would dominate
        remove_files();
        db_ = std::make_unique<Database>(DatabaseUrl::parse("sqlite:" + path_), sessions);
        install_demo(*db_);
        add_big_budget();
        registry_ = std::make_unique<MethodRegistry>(all_methods());
        server_ = std::make_unique<RpcServer>(*db_, *registry_);
        server_->start("127.0.0.1", 0);
        client_ = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
        client_->set_read_timeout(600, 0);
        client_->set_write_timeout(600, 0);
        // The first calls open sessions and checkpoint the bulk load; keep them out of the
        // figures.
        call("GetContratante", json::array({"0001", "0000000100", "00"}));
        call("GetContratante", json::array({"0001", big_budget, "00"}));
    }
    ~Bench() {
        client_.reset();
        server_.reset();
        registry_.reset();
        db_.reset();
        remove_files();
    }

    Database& db() { return *db_; }
    const MethodRegistry& registry() const { return *registry_; }

    json call(const std::string& method, const json& params) {
        const json request = {
            {"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", params}};
        auto res = client_->Post(rpc_path, request.dump(), "application/json");
        if (!res) {
            throw std::runtime_error("no answer from the server");
        }
        json answer = json::parse(res->body);
        if (!answer.contains("result")) {
            throw std::runtime_error(method + " failed: " + answer.dump().substr(0, 300));
        }
        return answer["result"]["value"];
    }

    // Sets "PRAGMA synchronous" on every session of the pool.
    void set_synchronous(const std::string& mode) {
        std::vector<std::unique_ptr<Database::Lease>> all;
        for (int i = 0; i < sessions; ++i) {
            all.push_back(std::make_unique<Database::Lease>(*db_));
            all.back()->sql().exec_once("PRAGMA synchronous = " + mode);
        }
    }

private:
    static constexpr int sessions = 4;

    void add_big_budget() {
        Database::Lease lease(*db_);
        Sql& sql = lease.sql();
        Transaction tx(sql, true);
        sql.exec("INSERT INTO ORCAEVENTO (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, IDSITUORCEVE, "
                 "VRTOTALOREV) VALUES ('0001', :orc, '00', '2', 1000000)",
                 {{"orc", std::string(big_budget)}});
        for (int i = 1; i <= big_budget_parties; ++i) {
            sql.exec("INSERT INTO ENDECONTORCA (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, "
                     "NRENDCLIORCEVE, CDCLIENTE, CDCLIENCONTORCA, NRINSJURCLIE, IDTPIJURCLIE, "
                     "NMFANTCLIE, QTCONVCONTOREV, IDSITUCONTOREV, CDPAIS, SGESTADO, CDMUNICIPIO, "
                     "CDBAIRRO, VRRECECONTOREV, DSENDECLIORE, NRTELECLIORE, DSEMAILCLOR1, "
                     "NMRAZSOCCLIE, QTEXTCONVOREV, VREXTCONVOREV, IDFORMAPGCONT, "
                     "NRDIAVENCONOREV, QTPARCCONTOREV, IDMESVENCONOREV) VALUES ('0001', :orc, "
                     "'00', :nr, :cli, :cli2, :ins, 'F', :nm, 4, 'LANCADO', '1058', 'SP', '0001', "
                     "'0000000001', 100, 'Rua dos Formandos, 10', '(11) 3000-0000', "
                     "'formando@example.com.br', :nm2, 0, 0, 'E', 0, 0, 'ATUAL')",
                     {{"orc", std::string(big_budget)},
                      {"nr", fmt::format("{:010}", i)},
                      {"cli", fmt::format("F{:011}", i)},
                      {"cli2", fmt::format("F{:011}", i)},
                      {"ins", fmt::format("{:011}", i)},
                      {"nm", fmt::format("Formando {:05}", i)},
                      {"nm2", fmt::format("Formando {:05}", i)}});
        }
        tx.commit();
    }

    void remove_files() {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::filesystem::remove(path_ + suffix);
        }
    }

    std::string path_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<MethodRegistry> registry_;
    std::unique_ptr<RpcServer> server_;
    std::unique_ptr<httplib::Client> client_;
};

Bench& bench() {
    static Bench instance;
    return instance;
}

void GetContratante(benchmark::State& state, const char* budget) {
    const json params = json::array({"0001", budget, "00"});
    Bench& server = bench(); // built before the timed loop
    std::size_t rows = 0;
    for (auto _ : state) {
        json answer = server.call("GetContratante", params);
        rows = answer[0]["rows"].size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["parties"] = static_cast<double>(rows);
    state.counters["calls_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The same call without HTTP: what the request handler and the database cost.
void GetContratanteHandler(benchmark::State& state, const char* budget) {
    Bench& server = bench();
    RpcHandler handler(server.db(), server.registry());
    const std::string body = json{{"jsonrpc", "2.0"},
                                  {"id", 1},
                                  {"method", "GetContratante"},
                                  {"params", json::array({"0001", budget, "00"})}}
                                 .dump();
    for (auto _ : state) {
        std::string answer = handler.handle({body, {}, "bench", {}, {}});
        if (answer.find("\"result\"") == std::string::npos) {
            state.SkipWithError(answer.c_str());
            break;
        }
        benchmark::DoNotOptimize(answer);
    }
}
BENCHMARK_CAPTURE(GetContratanteHandler, demo_budget, "0000000100")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(GetContratanteHandler, budget_of_10000, big_budget)
    ->Unit(benchmark::kMillisecond);

// The same after another session's commit, which makes the server read the budget again; and the
// same two statements alone on a session of the pool, after the same commit.
void GetContratanteAfterWrite(benchmark::State& state, bool handler_too) {
    Bench& server = bench();
    Database::Lease writer(server.db());
    writer.sql().exec_once("CREATE TABLE IF NOT EXISTS BENCH_TOQUE (N INTEGER)");
    RpcHandler handler(server.db(), server.registry());
    const std::string body = json{{"jsonrpc", "2.0"},
                                  {"id", 1},
                                  {"method", "GetContratante"},
                                  {"params", json::array({"0001", "0000000100", "00"})}}
                                 .dump();
    const SqlParams params = {{"fil", std::string("0001")},
                              {"orc", std::string("0000000100")},
                              {"seq", std::string("00")}};
    std::optional<Database::Lease> reader;
    if (!handler_too) {
        reader.emplace(server.db());
    }
    for (auto _ : state) {
        state.PauseTiming();
        writer.sql().exec("INSERT INTO BENCH_TOQUE (N) VALUES (1)");
        state.ResumeTiming();
        if (handler_too) {
            std::string answer = handler.handle({body, {}, "bench", {}, {}});
            benchmark::DoNotOptimize(answer);
        } else {
            ResultSet parties = reader->sql().query(parties_query(), params);
            ResultSet totals = reader->sql().query(totals_query(), params);
            benchmark::DoNotOptimize(parties);
            benchmark::DoNotOptimize(totals);
        }
    }
}
BENCHMARK_CAPTURE(GetContratanteAfterWrite, handler, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(GetContratanteAfterWrite, statements_alone, false)->Unit(benchmark::kMicrosecond);

BENCHMARK_CAPTURE(GetContratante, demo_budget, "0000000100")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(GetContratante, budget_of_10000, big_budget)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// A delta giving the first `count` parties of a party packet a new charged value, and the
// packet's rows as they are once it is saved.
struct ValueChange {
    json delta;
    json rows;
};
ValueChange value_change(const json& packet, double value, std::size_t count) {
    const json& fields = packet["fields"];
    std::size_t value_field = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i]["name"] == "VRRECECONTOREV") {
            value_field = i;
        }
    }
    ValueChange out{{{"fields", fields}, {"delta", json::array()}}, packet["rows"]};
    for (std::size_t r = 0; r < std::min(count, out.rows.size()); ++r) {
        out.rows[r][value_field] = value;
        out.delta["delta"].push_back(
            {{"op", "modify"}, {"old", packet["rows"][r]}, {"new", out.rows[r]}});
    }
    return out;
}

// One SetEndeCont whose delta modifies every party of the big budget (as the apportionment
// sends it): a new charged value on each row.
void SetEndeContModify10000(benchmark::State& state) {
    json current = bench().call("GetContratante", json::array({"0001", big_budget, "00"}))[0];
    double value = 100.0;
    for (auto _ : state) {
        state.PauseTiming();
        value += 0.01;
        ValueChange change = value_change(current, value, current["rows"].size());
        const json params = json::array({change.delta, nullptr, "0001", big_budget, "00"});
        state.ResumeTiming();
        json totals = bench().call("SetEndeCont", params);
        benchmark::DoNotOptimize(totals);
        current["rows"] = std::move(change.rows);
    }
    state.counters["parties"] = static_cast<double>(current["rows"].size());
}
BENCHMARK(SetEndeContModify10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Reading the request of that SetEndeCont (10 MB of text) into its packet draft: the share of the
// call that is JSON.
void ReadSetEndeContRequest10000(benchmark::State& state) {
    const json current = bench().call("GetContratante", json::array({"0001", big_budget, "00"}))[0];
    const ValueChange change = value_change(current, 123.45, current["rows"].size());
    const std::string body =
        json{{"jsonrpc", "2.0"},
             {"id", 1},
             {"method", "SetEndeCont"},
             {"params", json::array({change.delta, nullptr, "0001", big_budget, "00"})}}
            .dump();
    for (auto _ : state) {
        RpcRequest request = read_request(body);
        benchmark::DoNotOptimize(request);
    }
    state.counters["MB"] = static_cast<double>(body.size()) / 1e6;
}
BENCHMARK(ReadSetEndeContRequest10000)->Unit(benchmark::kMillisecond)->Iterations(10);

// One SetEndeCont changing the charged value of one party of the demo budget: a small commit,
// where the sync to disk is most of the cost.
void SetEndeContOneParty(benchmark::State& state, const char* synchronous) {
    Bench& server = bench();
    server.set_synchronous(synchronous);
    json current = server.call("GetContratante", json::array({"0001", "0000000100", "00"}))[0];
    double value = 100.0;
    for (auto _ : state) {
        state.PauseTiming();
        value += 0.01;
        ValueChange change = value_change(current, value, 1);
        const json params = json::array({change.delta, nullptr, "0001", "0000000100", "00"});
        state.ResumeTiming();
        json totals = server.call("SetEndeCont", params);
        benchmark::DoNotOptimize(totals);
        current["rows"] = std::move(change.rows);
    }
    server.set_synchronous("FULL");
}
BENCHMARK_CAPTURE(SetEndeContOneParty, synchronous_full, "FULL")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(SetEndeContOneParty, synchronous_normal, "NORMAL")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
