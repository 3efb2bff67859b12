// Database sessions as the server keeps them: statements prepared once and reused, packets written
// straight from their rows, and a PostgreSQL session that died between calls replaced.
#include "server/core/errors.h"
#include "server/core/text.h"
#include "server/db/prepared_statement.h"
#include "server/db/schema.h"
#include "server/db/sql_array.h"
#include "server/domain/party_queries.h"
#include "server/domain/records.h"
#include "server/packet/delta_applier.h"
#include "server/packet/packet.h"
#include "server/packet/packet_text.h"
#include "server_fixture.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fmt/format.h>
#include <limits>
#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <thread>

namespace ct::server::testing {
namespace {

class DatabaseSessionTest : public ServerTest {};

TEST_P(DatabaseSessionTest, WrittenPacketsReadAsTheDocumentOfTheSameRows) {
    {
        // Texts that need escapes or are not ASCII, whole and fractional money.
        Database::Lease lease(db());
        lease.sql().exec("UPDATE ENDECONTORCA SET NMFANTCLIE = :nm, VRRECECONTOREV = 1234.5 WHERE "
                         "NRORCAEVENTO = '0000000100' AND NRENDCLIORCEVE = '0000000002'",
                         {{"nm", std::string("Carlos \"Cacá\" Lima\t\\ 1/2\n\x01€𝄞")}});
    }
    for (const char* budget : {"0000000100", "0000000300", "0000000400", "0000000200"}) {
        Database::Lease lease(db());
        const SqlParams params = {
            {"fil", std::string("0001")}, {"orc", std::string(budget)}, {"seq", std::string("00")}};
        std::string text;
        write_json(text, written_packet(lease.sql(), WrittenFields(party_fields()), parties_query(),
                                        params));
        const json document =
            packet_from_result(party_fields(), lease.sql().query(parties_query(), params));
        EXPECT_EQ(json::parse(text), document) << budget;
        // The same statement served both reads, and serves again.
        EXPECT_EQ(json::parse(text),
                  packet_from_result(party_fields(), lease.sql().query(parties_query(), params)));
    }
    // Dates and flags, which no party column holds.
    const FieldList fields = {datetime("D"), boolean("B")};
    const std::vector<std::pair<SqlValue, SqlValue>> cells = {
        {std::string("2027-01-15"), std::string("S")},
        {std::string("2027-01-15 10:30:05.250"), 0LL},
        {std::string("0007-03-09T01:02:03Z"), 1LL},
        {std::string("2027-02-29"), std::string("N")},
        {SqlValue(), SqlValue()}};
    for (const auto& [date, flag] : cells) {
        Database::Lease lease(db());
        const SqlParams params = {{"d", date}, {"b", flag}};
        const std::string query = "SELECT :d AS D, :b AS B";
        std::string text;
        write_json(text, written_packet(lease.sql(), WrittenFields(fields), query, params));
        EXPECT_EQ(json::parse(text), packet_from_result(fields, lease.sql().query(query, params)))
            << text;
    }
}

// A delta of many changes has its stored rows read a batch at a time: still refused whole for a
// row changed or removed meanwhile, still accepting a row that already holds its new values.
TEST_P(DatabaseSessionTest, ManyChangesAreCheckedAsEachOneWas) {
    const int parties = 30;
    {
        Database::Lease lease(db());
        for (int i = 1; i <= parties; ++i) {
            lease.sql().exec(
                "INSERT INTO ENDECONTORCA (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, "
                "NRENDCLIORCEVE, NMFANTCLIE, VRRECECONTOREV, IDSITUCONTOREV) VALUES "
                "('0001', '0000000200', '00', :nr, :nm, 100, 'LANCADO')",
                {{"nr", fmt::format("{:010}", i)}, {"nm", fmt::format("Formando {}", i)}});
        }
    }
    auto apply = [&](const json& delta) {
        Database::Lease lease(db());
        Transaction tx(lease.sql(), true);
        DeltaApplier applier(lease.sql(), party_table());
        DeltaOutcome out = applier.apply(Packet::parse(delta, party_known_fields(), "parties"));
        tx.commit();
        return out;
    };
    auto stored_sum = [&] {
        return count("SELECT SUM(VRRECECONTOREV) FROM ENDECONTORCA WHERE NRORCAEVENTO = "
                     "'0000000200'");
    };
    auto everyone_to = [&](const json& p, double value) {
        json d = delta_of(p);
        for (const json& row : p["rows"]) {
            add_modify(d, row, with_values(p, row, {{"VRRECECONTOREV", value}}));
        }
        return d;
    };
    const json p = value("GetContratante", json::array({"0001", "0000000200", "00"}))[0];
    ASSERT_EQ(row_count(p), static_cast<std::size_t>(parties));
    struct Case {
        const char* meanwhile; // another user's write before the delta
        const char* refusal;   // "" when the delta goes through
    };
    const Case cases[] = {
        {"UPDATE ENDECONTORCA SET VRRECECONTOREV = 99 WHERE NRENDCLIORCEVE = '0000000017'",
         "0000000017 foi alterado por outro usuário"},
        {"UPDATE ENDECONTORCA SET VRRECECONTOREV = 150 WHERE NRENDCLIORCEVE = '0000000009'", ""},
        // last: the row stays gone
        {"DELETE FROM ENDECONTORCA WHERE NRENDCLIORCEVE = '0000000023'",
         "0000000023 foi excluído por outro usuário"},
    };
    for (const Case& c : cases) {
        {
            Database::Lease lease(db());
            lease.sql().exec("UPDATE ENDECONTORCA SET VRRECECONTOREV = 100 WHERE NRORCAEVENTO = "
                             "'0000000200'");
            lease.sql().exec(c.meanwhile);
        }
        const long long before = stored_sum();
        if (*c.refusal) {
            try {
                apply(everyone_to(p, 150));
                ADD_FAILURE() << c.meanwhile << ": accepted";
            } catch (const AppError& e) {
                EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
            }
            EXPECT_EQ(stored_sum(), before) << c.meanwhile;
        } else {
            const DeltaOutcome out = apply(everyone_to(p, 150));
            EXPECT_EQ(out.modified, parties - 1);
            EXPECT_EQ(out.unchanged, 1);
            EXPECT_EQ(stored_sum(), 150 * parties);
        }
    }
}

// Many rows' values travel as one array per column: each must come out of it as it went in.
TEST_P(DatabaseSessionTest, ArraysOfValuesUnpackAsTheyWere) {
    if (engine() != Engine::postgresql) {
        GTEST_SKIP() << "SQLite binds each value";
    }
    struct Case {
        SqlValue value;
        const char* type;
        const char* out; // nullptr: NULL
    };
    const Case cases[] = {
        {std::string(), "VARCHAR", ""},
        {std::string("NULL"), "VARCHAR", "NULL"},
        {std::string(" a \"{b,c}\" \\ d "), "VARCHAR", " a \"{b,c}\" \\ d "},
        {std::string("S\xC3\xA3o Paulo"), "VARCHAR", "S\xC3\xA3o Paulo"},
        {std::string("bad\xFF\xC3"), "VARCHAR", "bad\xEF\xBF\xBD\xEF\xBF\xBD"},
        {SqlValue(), "VARCHAR", nullptr},
        {0.1, "NUMERIC", "0.1"},
        {1234.56, "NUMERIC", "1234.56"},
        {-1e-7, "NUMERIC", "-0.0000001"},
        {std::numeric_limits<double>::infinity(), "NUMERIC", nullptr},
        {-42LL, "BIGINT", "-42"},
        {std::string("2027-02-15T10:30:00"), "TIMESTAMP", "2027-02-15 10:30:00"},
    };
    for (const Case& c : cases) {
        SqlArray array; // behind another value, as in a batch
        array.add(SqlValue());
        array.add(c.value);
        const ResultSet rs =
            query(fmt::format("SELECT CAST(V.x AS VARCHAR) AS x FROM unnest(CAST(:a AS {}[])) WITH "
                              "ORDINALITY AS V(x, i) WHERE V.i = 2",
                              c.type),
                  {{"a", array.take()}});
        ASSERT_EQ(rs.size(), 1u) << c.type;
        if (!c.out) {
            EXPECT_TRUE(std::holds_alternative<std::monostate>(rs.rows[0][0])) << c.type;
        } else {
            EXPECT_EQ(as_text(rs.rows[0][0]), c.out) << c.type;
        }
    }
}

// A query read on libpq gives the cells SOCI's row gives, column by column: texts, numbers, whole
// numbers, dates and times, nulls; a type read only by SOCI leaves the query to it.
TEST_P(DatabaseSessionTest, PostgresqlQueriesReadAsSociReadsThem) {
    if (engine() != Engine::postgresql) {
        GTEST_SKIP() << "SQLite has its own reader";
    }
    const std::string columns =
        "SELECT CAST(:t AS VARCHAR) AS t, CAST('a:b ''c'' :x' AS TEXT) AS q, CAST('ab' AS CHAR(4)) "
        "AS pad, CAST('nome' AS NAME) AS nm, CAST(:n AS NUMERIC) AS n, CAST(1234.56 AS "
        "NUMERIC(15, 2)) AS money, CAST(0.1 AS DOUBLE PRECISION) AS f8, CAST(0.1 AS REAL) AS f4, "
        "CAST('NaN' AS NUMERIC) AS nan, CAST(-32768 AS SMALLINT) AS i2, CAST(:i AS INTEGER) AS i4, "
        "CAST(-9223372036854775808 AS BIGINT) AS i8, CAST('2027-02-15' AS DATE) AS d, "
        "CAST('2027-02-15 10:30:59.75' AS TIMESTAMP) AS ts, CAST(NULL AS TIMESTAMP) AS nts, "
        "CAST(NULL AS VARCHAR) AS nt, CAST(NULL AS NUMERIC) AS nn, CAST(NULL AS BIGINT) AS ni, "
        "CAST(:t AS VARCHAR) || '-' AS again, '1'::INTEGER AS cast";
    const SqlParams params = {
        {"t", std::string("S\xC3\xA3o \"Jo\u00e3o\" \\ 'x'")}, {"n", 1e-7}, {"i", 2147483647LL}};
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"every kind read here", columns},
        {"with a kind only SOCI reads", columns + ", CAST(:t AS VARCHAR) <> '' AS b"},
    };
    const char* base = TestDatabase::postgresql_base();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ResultSet ours = query(c.text, params);
        soci::session raw(*soci::factory_postgresql(), DatabaseUrl::parse(base).connect_string);
        soci::row row;
        const std::string t = std::get<std::string>(params[0].value);
        const double n = std::get<double>(params[1].value);
        const long long i = std::get<long long>(params[2].value);
        soci::statement st = (raw.prepare << c.text, soci::use(t, "t"), soci::use(n, "n"),
                              soci::use(i, "i"), soci::into(row));
        st.execute(true);
        ASSERT_EQ(ours.size(), 1u);
        ASSERT_EQ(ours.columns.size(), row.size());
        for (std::size_t k = 0; k < row.size(); ++k) {
            SCOPED_TRACE(ours.columns[k]);
            EXPECT_EQ(ours.columns[k], upper_ascii(row.get_properties(k).get_name()));
            const SqlValue theirs = soci_cell(row, k);
            const SqlValue& mine = ours.rows[0][k];
            if (std::holds_alternative<double>(theirs) && std::isnan(std::get<double>(theirs))) {
                EXPECT_TRUE(std::holds_alternative<double>(mine) &&
                            std::isnan(std::get<double>(mine)));
                continue;
            }
            EXPECT_EQ(mine, theirs) << as_text(mine) << " / " << as_text(theirs);
        }
    }
}

// PostgreSQL sends a query's rows while they are read: one read only in part, or one that fails
// after its first rows, must leave the session ready for the next statement.
TEST_P(DatabaseSessionTest, AQueryLeftHalfReadLeavesTheSessionReady) {
    const std::string numbers = "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N "
                                "WHERE I < 5000) ";
    struct Case {
        const char* what;
        std::string text;
        bool stop_early;  // the reader gives up after the first row
        bool fails_on_pg; // PostgreSQL refuses a row half-way (SQLite divides by zero into null)
    };
    const Case cases[] = {
        {"given up after its first row", numbers + "SELECT I FROM N", true, false},
        {"refused half-way", numbers + "SELECT 1 / (3000 - I) AS Q FROM N", false, true},
    };
    Database::Lease lease(db());
    Sql& sql = lease.sql();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::size_t read = 0;
        auto run = [&] {
            sql.query(
                c.text, {}, [](const std::vector<std::string>&) {},
                [&](std::vector<SqlValue>&) {
                    if (++read == 1 && c.stop_early) {
                        throw std::runtime_error("enough");
                    }
                });
        };
        const bool fails = c.stop_early || (c.fails_on_pg && engine() == Engine::postgresql);
        if (fails) {
            EXPECT_ANY_THROW(run());
        } else {
            EXPECT_NO_THROW(run());
        }
        EXPECT_EQ(as_integer(*sql.scalar("SELECT COUNT(*) FROM ENDECONTORCA")),
                  count("SELECT COUNT(*) FROM ENDECONTORCA"));
        EXPECT_EQ(sql.query(numbers + "SELECT I FROM N").size(), 5000u);
    }
}

// SQLite's log is copied into the file by the pool's checkpointer, never by a call's commit: the
// file holds a big write a moment after it, while the sessions do not checkpoint on their own.
TEST_P(DatabaseSessionTest, TheLogIsCheckpointedBesideTheCalls) {
    if (engine() != Engine::sqlite) {
        GTEST_SKIP() << "PostgreSQL checkpoints on its own";
    }
    Database::Lease lease(db());
    Sql& sql = lease.sql();
    EXPECT_EQ(as_integer(*sql.scalar("PRAGMA wal_autocheckpoint")), 0);
    const std::string file = db().url().path;
    const auto before = std::filesystem::file_size(file);
    {
        Transaction tx(sql, true);
        sql.exec("CREATE TABLE CT_TESTE_LOG (N INTEGER, T TEXT)");
        sql.exec("WITH RECURSIVE S(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM S WHERE N < 20000) "
                 "INSERT INTO CT_TESTE_LOG SELECT N, printf('%0100d', N) FROM S");
        tx.commit();
    }
    EXPECT_LT(std::filesystem::file_size(file), before + 1'000'000); // still in the log
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::filesystem::file_size(file) < before + 2'000'000 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_GE(std::filesystem::file_size(file), before + 2'000'000);
}

// A database made by an earlier version: the upgrade adds what it lacks and drops the index given
// up since, and an upgrade with nothing due changes nothing.
TEST_P(DatabaseSessionTest, AnUpgradeBringsAnEarlierDatabaseToTheSchema) {
    {
        Database::Lease lease(db());
        lease.sql().exec_once("CREATE INDEX AUDITORIA_ORCAMENTO ON AUDITORIA (CDFILIAL, "
                              "NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, NRAUDITORIA)");
        lease.sql().exec_once("DROP INDEX AUDITORIA_RECENTES");
        lease.sql().exec_once("ALTER TABLE PARAMFILIAL DROP COLUMN CDOPERDEVOLUCAO");
    }
    for (int round = 0; round < 2; ++round) {
        upgrade_schema(db());
        Database::Lease lease(db());
        EXPECT_FALSE(object_exists(lease.sql(), "AUDITORIA_ORCAMENTO")) << round;
        EXPECT_TRUE(object_exists(lease.sql(), "AUDITORIA_RECENTES")) << round;
        EXPECT_TRUE(object_exists(lease.sql(), "AUDITORIA")) << round;
        // The column added since is there, empty on the rows made before it.
        EXPECT_EQ(as_integer(*lease.sql().scalar("SELECT COUNT(*) FROM PARAMFILIAL WHERE "
                                                 "CDOPERDEVOLUCAO IS NULL")),
                  2)
            << round;
    }
}

TEST_P(DatabaseSessionTest, APostgresqlSessionThatDiedBetweenCallsIsReplaced) {
    if (engine() != Engine::postgresql) {
        GTEST_SKIP() << "SQLite sessions do not break";
    }
    const json params = json::array({"0001", "0000000100", "00"});
    ASSERT_EQ(row_count(value("GetContratante", params)[0]), 3u);
    // Every session of the server's pool (leased all at once) ends on the server's side.
    std::vector<std::string> pids;
    {
        std::vector<std::unique_ptr<Database::Lease>> leases;
        for (int i = 0; i < 4; ++i) {
            leases.push_back(std::make_unique<Database::Lease>(db()));
            pids.push_back(as_text(*leases.back()->sql().scalar("SELECT pg_backend_pid()")));
        }
    }
    {
        const char* base = TestDatabase::postgresql_base();
        soci::session admin(*soci::factory_postgresql(), DatabaseUrl::parse(base).connect_string);
        for (const auto& pid : pids) {
            admin << "SELECT pg_terminate_backend(" + pid + ")";
        }
    }
    // Each session fails at the start of its next call, is opened again, and the call goes on.
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(row_count(value("GetContratante", params)[0]), 3u);
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NRORCAEVENTO = '0000000100'"), 3);
}

CT_SERVER_TEST_ON_ENGINES(DatabaseSessionTest);

} // namespace
} // namespace ct::server::testing
