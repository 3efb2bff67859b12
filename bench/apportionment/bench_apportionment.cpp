// Ratear Valor on a budget of 10,000 open parties, end to end: the headless screen's command
// (GetValorGerado, the walk over the party set, one SetEndeCont and, with parties in installments,
// one AtualizaParcelas) against the real server in this process on SQLite; beside it, the floor:
// the same 10,000 rows updated by one prepared SQL statement in one transaction.
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "platform/db/connection.h"
#include "platform/host/dispatch.h"
#include "platform/host/fake_dialog_service.h"
#include "platform/host/halvren.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/http/rpc_server.h"
#include "server/methods/method_groups.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fmt/format.h>
#include <map>
#include <memory>
#include <spdlog/spdlog.h>
#include <unistd.h>

namespace {

using namespace ct;

constexpr int kParties = 10000;
const char* const kAllOpen = "0000009100";      // every party in mode "E"
const char* const kInstallments = "0000009200"; // every tenth party pays in 3 installments

// A demo database with the two big budgets, its server and the module entered on one of them.
class Bench {
public:
    Bench()
        : path_((std::filesystem::temp_directory_path() /
                 fmt::format("ct_bench_apportionment_{}.db", ::getpid()))
                    .string()) {
        spdlog::set_level(spdlog::level::warn); // one log line per call would dominate
        removeFiles();
        db_ = std::make_unique<server::Database>(server::DatabaseUrl::parse("sqlite:" + path_), 4);
        server::install_demo(*db_);
        addBudget(kAllOpen, false);
        addBudget(kInstallments, true);
        methods_ = std::make_unique<server::MethodRegistry>(server::all_methods());
        rpc_ = std::make_unique<server::RpcServer>(*db_, *methods_);
        rpc_->start("127.0.0.1", 0);

        Halvren::setWebURL("127.0.0.1");
        Halvren::setWebPort(rpc_->port());
        lookups_.open("sqlite:" + path_);
        setDatabaseConnection(&lookups_);
        dialogScope_ = std::make_unique<ScopedDialogService>(dialogs_);
        setErrorDisplay([this](const std::string& text) { error_ = text; });
        setServerCallObserver([this](const CallRecord& call) {
            ++calls_[call.method];
            ms_[call.method] += call.ms;
        });
        Initialize();
    }
    ~Bench() {
        Finalize();
        setServerCallObserver({});
        setDatabaseConnection(nullptr);
        lookups_.close();
        rpc_->stop();
        rpc_.reset();
        db_.reset();
        removeFiles();
    }

    TfrmContratante& enter(const char* budget) {
        IniProc(nlohmann::json::array({"0001", budget, "00", "PRQ20000"}));
        return *frmContratante;
    }
    int calls(const std::string& method) const {
        auto it = calls_.find(method);
        return it == calls_.end() ? 0 : it->second;
    }
    // Wall time spent in the calls of a method, request and answer included.
    double callMs(const std::string& method) const {
        auto it = ms_.find(method);
        return it == ms_.end() ? 0 : it->second;
    }
    void clearCalls() {
        calls_.clear();
        ms_.clear();
    }
    std::string lastMessage() const { return dialogs_.lastMessage() + error_; }
    server::Database& database() { return *db_; }

private:
    void addBudget(const char* budget, bool installments) {
        server::Database::Lease lease(*db_);
        server::Sql& sql = lease.sql();
        server::Transaction tx(sql, true);
        sql.exec("INSERT INTO ORCAEVENTO (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, IDSITUORCEVE, "
                 "VRTOTALOREV, CDEMPRESAORCA) VALUES ('0001', :orc, '00', '2', 1000000, '01')",
                 {{"orc", std::string(budget)}});
        for (int i = 1; i <= kParties; ++i) {
            const bool variable = installments && i % 10 == 0;
            // Numbers and names in opposite orders, so that the walk in name order is no copy
            // of the stored order.
            const std::string number = fmt::format("{:010}", i);
            sql.exec("INSERT INTO ENDECONTORCA (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, "
                     "NRENDCLIORCEVE, CDCLIENTE, CDCLIENCONTORCA, NRINSJURCLIE, IDTPIJURCLIE, "
                     "NMFANTCLIE, QTCONVCONTOREV, IDSITUCONTOREV, CDPAIS, SGESTADO, "
                     "CDMUNICIPIO, CDBAIRRO, VRRECECONTOREV, DSENDECLIORE, NRTELECLIORE, "
                     "DSEMAILCLOR1, NMRAZSOCCLIE, QTEXTCONVOREV, VREXTCONVOREV, IDFORMAPGCONT, "
                     "NRDIAVENCONOREV, QTPARCCONTOREV, IDMESVENCONOREV) VALUES ('0001', :orc, "
                     "'00', :nr, :cli, :cli2, :ins, 'F', :nm, 4, 'LANCADO', '1058', 'SP', "
                     "'0001', '0000000001', 100, 'Rua dos Formandos, 10', '(11) 3000-0000', "
                     "'formando@example.com.br', :nm2, 0, 0, :mode, 0, 0, 'ATUAL')",
                     {{"orc", std::string(budget)},
                      {"nr", number},
                      {"cli", fmt::format("F{:011}", i)},
                      {"cli2", fmt::format("F{:011}", i)},
                      {"ins", fmt::format("{:011}", i)},
                      {"nm", fmt::format("Formando {:05}", kParties + 1 - i)},
                      {"nm2", fmt::format("Formando {:05}", kParties + 1 - i)},
                      {"mode", std::string(variable ? "V" : "E")}});
            if (!variable)
                continue;
            for (int k = 1; k <= 3; ++k)
                sql.exec("INSERT INTO FORMAPAGTOCONT (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, "
                         "NRENDCLIORCEVE, QTDIAFORMAPGCON, VRPEFORMAPGCON, VRPARCELACONT) "
                         "VALUES ('0001', :orc, '00', :nr, :dias, :pe, :vr)",
                         {{"orc", std::string(budget)},
                          {"nr", number},
                          {"dias", static_cast<long long>(30 * k)},
                          {"pe", k < 3 ? 33.33 : 33.34},
                          {"vr", k < 3 ? 33.33 : 33.34}});
        }
        tx.commit();
    }

    void removeFiles() {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::error_code ignored;
            std::filesystem::remove(path_ + suffix, ignored);
        }
    }

    std::string path_;
    std::unique_ptr<server::Database> db_;
    std::unique_ptr<server::MethodRegistry> methods_;
    std::unique_ptr<server::RpcServer> rpc_;
    db::Connection lookups_;
    FakeDialogService dialogs_;
    std::unique_ptr<ScopedDialogService> dialogScope_;
    std::map<std::string, int> calls_;
    std::map<std::string, double> ms_;
    std::string error_;
};

Bench& bench() {
    static Bench instance;
    return instance;
}

// One click of "Ratear Valor" per iteration. The realised value alternates between iterations
// (outside the timing) so that every click changes all 10,000 parties.
void Apportionment(benchmark::State& state, const char* budget) {
    Bench& b = bench();
    TfrmContratante& form = b.enter(budget);
    if (form.cdsEndeCont.recordCount() != kParties) {
        state.SkipWithError("the budget did not load");
        return;
    }
    const double realised[] = {1'234'567.89, 987'654.32};
    int round = 0;
    b.clearCalls();
    for (auto _ : state) {
        state.PauseTiming();
        form.nedVrReali.setNumber(realised[round++ % 2]);
        state.ResumeTiming();
        if (!form.userClick(form.btnRatear)) {
            state.SkipWithError(("the command failed: " + b.lastMessage()).c_str());
            break;
        }
    }
    const double clicks = static_cast<double>(state.iterations());
    state.counters["parties"] = form.cdsEndeCont.recordCount();
    state.counters["SetEndeCont_per_click"] = b.calls("SetEndeCont") / clicks;
    state.counters["AtualizaParcelas_per_click"] = b.calls("AtualizaParcelas") / clicks;
    // Where a click's time goes: the two big calls (request and answer included).
    state.counters["SetEndeCont_ms"] = b.callMs("SetEndeCont") / clicks;
    state.counters["AtualizaParcelas_ms"] = b.callMs("AtualizaParcelas") / clicks;
}
BENCHMARK_CAPTURE(Apportionment, end_to_end_10000_open_parties, kAllOpen)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(6);
BENCHMARK_CAPTURE(Apportionment, end_to_end_10000_parties_1000_in_installments, kInstallments)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(6);

// The floor: the same 10,000 rows given new charged values by one prepared UPDATE, executed
// once per row inside one transaction, straight on the database.
void RawSqlUpdate(benchmark::State& state) {
    Bench& b = bench();
    server::Database::Lease lease(b.database());
    server::Sql& sql = lease.sql();
    const std::string update = "UPDATE ENDECONTORCA SET VRRECECONTOREV = :vr WHERE CDFILIAL = "
                               "'0001' AND NRORCAEVENTO = :orc AND NRSEQORCAEVE = '00' AND "
                               "NRENDCLIORCEVE = :nr";
    const std::string budget = kAllOpen;
    for (auto _ : state) {
        server::Transaction tx(sql, true);
        for (int i = 1; i <= kParties; ++i)
            sql.exec(update,
                     {{"vr", 100.0 + i % 7}, {"orc", budget}, {"nr", fmt::format("{:010}", i)}});
        tx.commit();
    }
    state.counters["rows"] = kParties;
}
BENCHMARK(RawSqlUpdate)
    ->Name("RawSqlUpdate/10000_rows_one_transaction")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(6);

} // namespace
