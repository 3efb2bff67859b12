#include "bench_database.h"

#include "server/db/database.h"
#include "server/db/schema.h"

#include <filesystem>
#include <fmt/format.h>
#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <unistd.h>

namespace ct::bench {
namespace {

void pg_admin(const std::string& url, const std::string& statement) {
    soci::session session(*soci::factory_postgresql(),
                          server::DatabaseUrl::parse(url).connect_string);
    session << "SET client_min_messages TO warning";
    session << statement;
}

const char* const insert_party =
    "INSERT INTO ENDECONTORCA (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, CDCLIENTE, "
    "CDCLIENCONTORCA, NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE, QTCONVCONTOREV, IDSITUCONTOREV, "
    "CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, VRRECECONTOREV, DSENDECLIORE, NRTELECLIORE, "
    "DSEMAILCLOR1, NMRAZSOCCLIE, QTEXTCONVOREV, VREXTCONVOREV, IDFORMAPGCONT, NRDIAVENCONOREV, "
    "QTPARCCONTOREV, IDMESVENCONOREV) VALUES ('0001', :orc, '00', :nr, :cli, :cli2, :ins, 'F', "
    ":nm, 4, 'LANCADO', '1058', 'SP', '0001', '0000000001', :vr, 'Rua dos Formandos, 10', "
    "'(11) 3000-0000', 'formando@example.com.br', :nm2, 0, 0, :modo, 0, 0, 'ATUAL')";

const char* const insert_installment =
    "INSERT INTO FORMAPAGTOCONT (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
    "QTDIAFORMAPGCON, VRPEFORMAPGCON, DTVENCPARCCONT, VRPARCELACONT, DSOBSPARCCONT) VALUES "
    "('0001', :orc, '00', :nr, :dias, :pe, :dt, :vr, NULL)";

void add_budget(server::Sql& sql, const std::string& budget, int parties, bool with_plans) {
    sql.exec("INSERT INTO ORCAEVENTO (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, IDSITUORCEVE, "
             "VRTOTALOREV) VALUES ('0001', :orc, '00', '2', :total)",
             {{"orc", budget}, {"total", 100.0 * parties}});
    for (int i = 1; i <= parties; ++i) {
        const std::string nr = fmt::format("{:010}", i);
        const std::string client = fmt::format("F{:011}", i);
        const std::string name = fmt::format("Formando {:05}", i);
        sql.exec(insert_party, {{"orc", budget},
                                {"nr", nr},
                                {"cli", client},
                                {"cli2", client},
                                {"ins", fmt::format("{:011}", i)},
                                {"nm", name},
                                {"vr", 100.0},
                                {"nm2", name},
                                {"modo", std::string(with_plans ? "V" : "E")}});
        if (!with_plans) {
            continue;
        }
        for (int k = 1; k <= 3; ++k) {
            sql.exec(insert_installment, {{"orc", budget},
                                          {"nr", nr},
                                          {"dias", static_cast<long long>(30 * k)},
                                          {"pe", k < 3 ? 33.33 : 33.34},
                                          {"dt", fmt::format("2027-0{}-15T00:00:00", k + 1)},
                                          {"vr", k < 3 ? 33.33 : 33.34}});
        }
    }
}

} // namespace

BenchDatabase::BenchDatabase(server::Engine engine, const std::string& pg_url)
    : engine_(engine) {
    const std::string suffix = fmt::format("{}", ::getpid());
    if (engine == server::Engine::sqlite) {
        path_ = (std::filesystem::temp_directory_path() / fmt::format("ct_bench_{}.db", suffix))
                    .string();
        url_ = "sqlite:" + path_;
    } else {
        base_ = pg_url;
        schema_ = "ct_bench_" + suffix;
        pg_admin(base_, "DROP SCHEMA IF EXISTS " + schema_ + " CASCADE");
        pg_admin(base_, "CREATE SCHEMA " + schema_);
        url_ = base_ + (base_.find('?') == std::string::npos ? "?" : "&") +
               "options=-csearch_path%3D" + schema_;
    }
    fill();
}

BenchDatabase::~BenchDatabase() {
    try {
        if (engine_ == server::Engine::sqlite) {
            for (const char* s : {"", "-wal", "-shm", "-journal"}) {
                std::filesystem::remove(path_ + s);
            }
        } else {
            pg_admin(base_, "DROP SCHEMA IF EXISTS " + schema_ + " CASCADE");
        }
    } catch (const std::exception&) {
        // a leftover is no reason to fail the run
    }
}

std::string BenchDatabase::engine_name() const {
    return engine_ == server::Engine::sqlite ? "SQLite" : "PostgreSQL";
}

void BenchDatabase::settle() {
    server::Database db(server::DatabaseUrl::parse(url_), 1);
    server::Database::Lease lease(db);
    lease.sql().exec_once(engine_ == server::Engine::sqlite ? "PRAGMA wal_checkpoint(TRUNCATE)"
                                                            : "VACUUM FULL ANALYZE");
}

void BenchDatabase::fill() {
    server::Database db(server::DatabaseUrl::parse(url_), 1);
    server::install_demo(db);
    server::Database::Lease lease(db);
    server::Transaction tx(lease.sql(), true);
    add_budget(lease.sql(), big_budget, big_parties, false);
    add_budget(lease.sql(), mid_budget, mid_parties, true);
    tx.commit();
    if (engine_ == server::Engine::postgresql) {
        lease.sql().exec_once("ANALYZE");
    }
}

} // namespace ct::bench
