// Figures of the screen end to end: the host program opening a 10,000-party budget in a scripted
// session, and the headless screen's actions against the real server.
#include "bench_context.h"
#include "floors.h"
#include "screen_session.h"

#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <unistd.h>

namespace ct::bench {
namespace {

using nlohmann::json;

std::string script_file(const std::string& name, const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      fmt::format("ct_bench_{}_{}.script", ::getpid(), name);
    std::ofstream(path) << text;
    return path.string();
}

// Parsing the answer of GetContratante on the 10,000-party budget once: the floor of loading it.
std::vector<double> parse_floor_ms(BenchContext& ctx, int runs) {
    RpcClient client(ctx.server_port());
    const std::string body = client.post(RpcClient::request(
        "GetContratante", json::array({"0001", BenchDatabase::big_budget, "00"})));
    std::vector<double> out;
    for (int r = 0; r < runs + 1; ++r) {
        const auto start = std::chrono::steady_clock::now();
        json parsed = json::parse(body);
        const double ms = elapsed_us(start) / 1000.0;
        if (r > 0) {
            out.push_back(ms);
        }
    }
    return out;
}

std::vector<Figure> open_big_budget(BenchContext& ctx) {
    const int runs = ctx.options().runs;
    const std::string open_big = script_file(
        "open_big", fmt::format("start 0001 {} 00 PRQ27500\nexpect rows cdsEndeCont {}\n",
                                BenchDatabase::big_budget, BenchDatabase::big_parties));
    const std::string open_demo = script_file(
        "open_demo", fmt::format("start 0001 {} 00 PRQ27500\nexpect rows cdsEndeCont 3\n",
                                 BenchDatabase::demo_budget));
    auto session = [&](const std::string& script) {
        ProcessRun run = run_process(
            {ctx.options().contratante, "--db", ctx.database().url(), "--script", script});
        if (run.exit_code != 0) {
            throw std::runtime_error("the scripted session " + script + " failed");
        }
        return run;
    };
    std::vector<double> wall;
    std::vector<double> peak;
    std::vector<double> demo_peak;
    session(open_big); // file cache warm, as for any budget opened before
    for (int r = 0; r < runs; ++r) {
        const ProcessRun big = session(open_big);
        wall.push_back(big.ms);
        peak.push_back(big.peak_mb);
        demo_peak.push_back(session(open_demo).peak_mb);
    }
    std::filesystem::remove(open_big);
    std::filesystem::remove(open_demo);
    const Stats parse = Stats::of(parse_floor_ms(ctx, runs));
    const std::string engine = ctx.database().engine_name();
    return {{"Opening a 10,000-party budget, scripted, wall", engine, "ms", Stats::of(wall),
             "one JSON parse of its answer", parse, false, "≤ 4×", ""},
            {"The same, peak memory", engine, "MB", Stats::of(peak),
             "the same on the 3-party budget", Stats::of(demo_peak), false, "< 80 MB", ""}};
}

// Reloads of the 10,000-party budget, each after `before` (untimed).
std::vector<double> reload_ms(ScreenSession& screen, int runs,
                              const std::function<void()>& before) {
    std::vector<double> wall;
    for (int r = 0; r < runs + 1; ++r) {
        before();
        const auto start = std::chrono::steady_clock::now();
        screen.run("click sbtVerificar\n");
        if (r > 0) {
            wall.push_back(elapsed_us(start) / 1000.0);
        }
    }
    return wall;
}

std::vector<Figure> reload_big_budget(BenchContext& ctx) {
    const int runs = ctx.options().runs;
    ScreenSession screen(ctx.database().url());
    screen.run(fmt::format("start 0001 {} 00 PRQ27500\nfocus dbgPadrao\nrow 5000\n",
                           BenchDatabase::big_budget));
    // Unchanged, the budget comes from the server's cache and the client keeps its rows; changed
    // (a party's value, by another session), it is read and loaded whole.
    const std::vector<double> unchanged = reload_ms(screen, runs, [] {});
    auto raw = RawEngine::open(server::DatabaseUrl::parse(ctx.database().url()));
    const int change = raw->prepare(
        "UPDATE ENDECONTORCA SET VRRECECONTOREV = :v WHERE CDFILIAL = '0001' AND NRORCAEVENTO = "
        ":orc AND NRSEQORCAEVE = '00' AND NRENDCLIORCEVE = (SELECT MIN(NRENDCLIORCEVE) FROM "
        "ENDECONTORCA WHERE CDFILIAL = '0001' AND NRORCAEVENTO = :orc2 AND NRSEQORCAEVE = '00')");
    double value = 1000;
    const std::vector<double> changed = reload_ms(screen, runs, [&] {
        value += 0.01;
        raw->run(change, {{"v", value},
                          {"orc", std::string(BenchDatabase::big_budget)},
                          {"orc2", std::string(BenchDatabase::big_budget)}});
    });
    screen.run(fmt::format("expect rows cdsEndeCont {}\nexpect recno cdsEndeCont 5000\n",
                           BenchDatabase::big_parties));
    const Stats parse = Stats::of(parse_floor_ms(ctx, runs));
    const std::string engine = ctx.database().engine_name();
    return {{"Reloading a 10,000-party budget (headless screen)", engine, "ms", Stats::of(changed),
             "one JSON parse of its answer", parse, false, "≤ 4×", ""},
            {"The same, nothing changed since the last load", engine, "ms", Stats::of(unchanged),
             "one JSON parse of its answer", parse, false, "", ""}};
}

// "Ratear Valor" on the 10,000 open parties, every one of them changing value: the walk on the
// screen and the one SetEndeCont, beside the same rows updated by key on the raw engine.
std::vector<Figure> apportion_big_budget(BenchContext& ctx) {
    const int runs = ctx.options().runs;
    auto raw = RawEngine::open(server::DatabaseUrl::parse(ctx.database().url()));
    const bool sqlite = ctx.database().engine() == server::Engine::sqlite;
    const std::string begin = sqlite ? "BEGIN IMMEDIATE" : "BEGIN";
    const server::SqlParams budget_key = {{"orc", std::string(BenchDatabase::big_budget)}};
    const int spread = raw->prepare("UPDATE ENDECONTORCA SET VRRECECONTOREV = 90 WHERE CDFILIAL = "
                                    "'0001' AND NRORCAEVENTO = :orc AND NRSEQORCAEVE = '00'");
    KeyedUpdates keyed_updates(*raw, sqlite, BenchDatabase::big_budget, BenchDatabase::big_parties);

    ScreenSession screen(ctx.database().url());
    screen.run(fmt::format("start 0001 {} 00 PRQ27500\n", BenchDatabase::big_budget));
    std::vector<double> wall;
    std::vector<double> keyed;
    for (int r = 0; r < runs + 1; ++r) {
        // Every party away from its share again, then shown as stored.
        raw->exec(begin);
        raw->run(spread, budget_key);
        raw->exec("COMMIT");
        screen.run("click sbtVerificar\n");
        const auto start = std::chrono::steady_clock::now();
        screen.run("click btnRatear\nexpect no-message\n");
        if (r > 0) {
            wall.push_back(elapsed_us(start) / 1000.0);
        }
        const double keyed_ms = keyed_updates.run(100.0);
        if (r > 0) {
            keyed.push_back(keyed_ms);
        }
    }
    screen.run("expect field cdsEndeCont VRRECECONTOREV 100,00\n");
    return {{"Apportionment of 10,000 parties (headless screen)", ctx.database().engine_name(),
             "ms", Stats::of(wall), "10,000 key UPDATEs prepared once", Stats::of(keyed), false,
             "< 1 s", ""}};
}

// One action of the user on the 200-party budget: its script lines for the n-th sample.
struct ScreenAction {
    std::string what;
    std::function<std::string(int n)> lines;
    // Another session changes a party before each sample (untimed): a reload of a budget nobody
    // changed is answered from the caches and would not measure the read.
    bool changedBefore = false;
};

// The actions measured on the 200-party budget. Add an action as one more entry.
const std::vector<ScreenAction>& screen_actions() {
    static const std::vector<ScreenAction> actions = {
        {"move to a party and show its plan",
         [](int n) {
             return fmt::format("row {}\nexpect rows cdsFormaPagto 3\n",
                                1 + (n * 37) % BenchDatabase::mid_parties);
         }},
        {"post and save a party",
         [](int n) {
             return fmt::format("click sbtAlterar\ntype dbeNmCont \"Contato {}\"\n"
                                "click sbtConfirmar\nexpect no-message\n",
                                n);
         }},
        {"reload, a party changed by another user",
         [](int) { return std::string("click sbtVerificar\n"); }, true},
        // The current party's plan replaced by 99 installments, a day apart, and saved.
        {"generate 99 installments and save",
         [](int) {
             return std::string("type nedQtParcela 99\ntype nedPrazo 1\nclick sbtGeraParc\n"
                                "click sbtConfirmar\nexpect no-message\n"
                                "expect rows cdsFormaPagto 99\n");
         }},
        // Every party in installments: the warning, and the plans follow the shared values.
        {"apportion", [](int) { return std::string("click btnRatear\n"); }},
    };
    return actions;
}

std::vector<Figure> mid_budget_actions(BenchContext& ctx) {
    const int samples = std::max(50, ctx.options().runs * 10);
    RpcClient empty(ctx.empty_port());
    const std::string body = RpcClient::request("GetContratante", json::array());
    time_us(100, [&] { empty.post(body); });
    const Stats round_trip = Stats::of(time_us(1000, [&] { empty.post(body); }));

    ScreenSession screen(ctx.database().url());
    screen.run(
        fmt::format("start 0001 {} 00 PRQ27500\nfocus dbgPadrao\n", BenchDatabase::mid_budget));
    auto raw = RawEngine::open(server::DatabaseUrl::parse(ctx.database().url()));
    const int change = raw->prepare(
        "UPDATE ENDECONTORCA SET NMCONTCLIORE = :nm WHERE CDFILIAL = '0001' AND NRORCAEVENTO = "
        ":orc "
        "AND NRSEQORCAEVE = '00' AND NRENDCLIORCEVE = (SELECT MAX(NRENDCLIORCEVE) FROM "
        "ENDECONTORCA WHERE CDFILIAL = '0001' AND NRORCAEVENTO = :orc2 AND NRSEQORCAEVE = '00')");
    std::vector<Figure> out;
    for (const ScreenAction& action : screen_actions()) {
        std::vector<double> ms;
        const int calls_before = screen.calls();
        for (int n = 0; n < samples + 1; ++n) {
            if (action.changedBefore) {
                raw->run(change, {{"nm", fmt::format("Outro usuário {}", n)},
                                  {"orc", std::string(BenchDatabase::mid_budget)},
                                  {"orc2", std::string(BenchDatabase::mid_budget)}});
            }
            const std::string lines = action.lines(n);
            const auto start = std::chrono::steady_clock::now();
            screen.run(lines);
            if (n > 0) {
                ms.push_back(elapsed_us(start) / 1000.0);
            }
        }
        const double calls = static_cast<double>(screen.calls() - calls_before) / (samples + 1);
        Stats floor = round_trip;
        floor.median *= calls / 1000.0;
        floor.p99 *= calls / 1000.0;
        out.push_back({"200-party budget: " + action.what, ctx.database().engine_name(), "ms",
                       Stats::of(ms), fmt::format("{:.1f} calls × empty round trip", calls), floor,
                       false, "p99 ≤ 50 ms", ""});
    }
    return out;
}

} // namespace

CT_BENCH_FIGURE(40, "Opening a 10,000-party budget", open_big_budget);
CT_BENCH_FIGURE(41, "Reloading a 10,000-party budget", reload_big_budget);
CT_BENCH_FIGURE(50, "Screen actions on a 200-party budget", mid_budget_actions);
CT_BENCH_FIGURE(42, "Apportionment of 10,000 parties", apportion_big_budget);

} // namespace ct::bench
