// One table of the figures that matter, each beside its floor measured in the same run:
//   bench_figures --contratante PATH [--pg URL] [--runs N] [--calls N] [--only TEXT]
#include "bench_context.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <spdlog/spdlog.h>

int main(int argc, char** argv) {
    using namespace ct::bench;
    CLI::App app{"Contratante figures against their floors"};
    BenchContext::Options options;
    app.add_option("--contratante", options.contratante, "the host program")->required();
    app.add_option("--pg", options.pg_url, "PostgreSQL database for the PostgreSQL rows");
    app.add_option("--runs", options.runs, "repeated runs of the long figures");
    app.add_option("--calls", options.calls, "calls of the per-call figures");
    std::string only;
    app.add_option("--only", only, "measure only the figures whose name holds this text");
    CLI11_PARSE(app, argc, argv);
    spdlog::set_level(spdlog::level::warn); // a log line per call would be measured too

    auto figures = figure_registry();
    if (!only.empty()) {
        std::erase_if(figures, [&](const FigureDef& def) {
            return def.name.find(only) == std::string::npos;
        });
    }
    std::stable_sort(figures.begin(), figures.end(),
                     [](const FigureDef& a, const FigureDef& b) { return a.order < b.order; });
    std::vector<ct::server::Engine> engines = {ct::server::Engine::sqlite};
    if (!options.pg_url.empty()) {
        engines.push_back(ct::server::Engine::postgresql);
    }

    // Engines in turn (each fills its database once), then rows in the order of the figures.
    struct Row {
        int order;
        std::size_t engine;
        Figure figure;
    };
    std::vector<Row> rows;
    BenchContext ctx(options);
    int failures = 0;
    for (std::size_t e = 0; e < engines.size(); ++e) {
        const char* name = engines[e] == ct::server::Engine::sqlite ? "SQLite" : "PostgreSQL";
        std::cerr << "preparing the " << name << " database" << std::endl;
        ctx.use_engine(engines[e]);
        for (const FigureDef& def : figures) {
            if (!def.measure) {
                continue;
            }
            std::cerr << "measuring: " << def.name << " (" << name << ")" << std::endl;
            ctx.database().settle();
            try {
                for (Figure& f : def.measure(ctx)) {
                    rows.push_back({def.order, e, std::move(f)});
                }
            } catch (const std::exception& error) {
                ++failures;
                std::cerr << def.name << ": " << error.what() << std::endl;
                rows.push_back(
                    {def.order,
                     e,
                     {def.name, name, "", {}, "", {}, false, "", "failed (see the log)"}});
            }
        }
    }
    for (const FigureDef& def : figures) {
        if (!def.measure) {
            rows.push_back({def.order, 0, {def.name, "", "", {}, "", {}, false, "", def.pending}});
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.order != b.order ? a.order < b.order : a.engine < b.engine;
    });
    std::vector<Figure> table;
    for (Row& row : rows) {
        table.push_back(std::move(row.figure));
    }
    ctx.release_engine();
    print_table(std::cout, table);
    return failures == 0 ? 0 : 1;
}
