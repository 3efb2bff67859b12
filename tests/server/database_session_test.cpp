// Database sessions as the server keeps them: statements prepared once and reused, packets written
// straight from their rows, and a PostgreSQL session that died between calls replaced.
#include "server/domain/party_queries.h"
#include "server/domain/records.h"
#include "server/packet/packet.h"
#include "server/packet/packet_text.h"
#include "server_fixture.h"

#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>

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
        const char* base = std::getenv("CT_TEST_PG_URL");
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
