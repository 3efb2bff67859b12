#pragma once

#include "bench_database.h"
#include "figure_table.h"

#include <chrono>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace httplib {
class Client;
}

namespace ct::server {
class Service;
}

namespace ct::bench {

class EmptyServer;

// A JSON-RPC client on one kept-alive connection, as the screen's connection makes it.
class RpcClient {
public:
    explicit RpcClient(int port);
    ~RpcClient();
    RpcClient(const RpcClient&) = delete;
    RpcClient& operator=(const RpcClient&) = delete;

    static std::string request(const std::string& method, const nlohmann::json& params);
    // The answer's body; throws when there is none.
    std::string post(std::string body);
    // result.value of a call that must succeed.
    nlohmann::json call(const std::string& method, const nlohmann::json& params);

private:
    std::unique_ptr<httplib::Client> client_;
};

// What the figures of one run share: the options, the floor of a round trip and, per engine,
// the bench database served by the application server in this process.
class BenchContext {
public:
    struct Options {
        std::string pg_url;      // empty: SQLite only
        std::string contratante; // the host program, for scripted sessions
        int runs = 9;            // repeated runs of the long figures
        int calls = 3000;        // calls of the per-call figures
    };

    explicit BenchContext(Options options);
    ~BenchContext();

    const Options& options() const { return options_; }
    // The engines of this run, set in turn by the runner.
    BenchDatabase& database() { return *database_; }
    server::Service& server() { return *server_; }
    int server_port() const;
    int empty_port() const;
    void use_engine(server::Engine engine);
    void release_engine();

private:
    Options options_;
    std::unique_ptr<EmptyServer> empty_;
    std::unique_ptr<BenchDatabase> database_;
    std::unique_ptr<server::Service> server_;
};

// Times `work` `count` times; microseconds of each.
std::vector<double> time_us(int count, const std::function<void()>& work);
double elapsed_us(std::chrono::steady_clock::time_point since);

// A figure measured per engine (run once for SQLite and once for PostgreSQL).
using EngineFigures = std::function<std::vector<Figure>(BenchContext&)>;
// A figure that involves no database of its own.
struct FigureDef {
    int order = 0; // place in the table
    std::string name;
    EngineFigures measure; // empty: the feature it measures is not built yet
    std::string pending;   // shown instead of a figure while `measure` is empty
};

// Every figure of the table, in order. Add a figure with CT_BENCH_FIGURE in its own file.
std::vector<FigureDef>& figure_registry();
bool add_figure(FigureDef def);

} // namespace ct::bench

#define CT_BENCH_CONCAT2(a, b) a##b
#define CT_BENCH_CONCAT(a, b) CT_BENCH_CONCAT2(a, b)
// Registers a figure at namespace scope: CT_BENCH_FIGURE(place in the table, "What it measures",
// function returning its rows).
#define CT_BENCH_FIGURE(order, name, function)                                                     \
    static const bool CT_BENCH_CONCAT(ct_bench_figure_, __LINE__) =                                \
        ::ct::bench::add_figure({order, name, function, {}})
// A figure waiting for a feature: shown in the table as pending until its function is written.
#define CT_BENCH_PENDING(order, name, why)                                                         \
    static const bool CT_BENCH_CONCAT(ct_bench_figure_, __LINE__) =                                \
        ::ct::bench::add_figure({order, name, {}, why})
