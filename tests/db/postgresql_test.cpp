#include "platform/db/connection.h"
#include "platform/db/db_error.h"
#include "platform/db/pg_url.h"
#include "platform/db/query.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>

namespace ct::db {
namespace {

// Runs against a throwaway PostgreSQL database named by CT_TEST_PG_URL
// (scripts/pg-test-cluster.sh start prints one); skipped without it.
TEST(PostgreSql, LookupOnAReadOnlyConnection) {
    const char* url = std::getenv("CT_TEST_PG_URL");
    if (!url || !*url)
        GTEST_SKIP() << "CT_TEST_PG_URL not set";
    {
        soci::session sql(soci::postgresql, postgresKeywords(url));
        sql << "DROP TABLE IF EXISTS CT_DB_TEST_PAIS";
        sql << "CREATE TABLE CT_DB_TEST_PAIS (CDPAIS VARCHAR(4), NMPAIS VARCHAR(30), NR INTEGER)";
        sql << "INSERT INTO CT_DB_TEST_PAIS VALUES ('0055', 'Brasil', 1), ('0054', 'Argentina', "
               "NULL)";
    }
    Connection db(url);
    Query q("qryPais", &db);
    q.setSql("SELECT CDPAIS, NMPAIS, NR FROM CT_DB_TEST_PAIS WHERE (CDPAIS = :P_CDPAIS OR "
             ":P_TCDPAIS = 'T') AND NMPAIS::text <> '' ORDER BY CDPAIS");
    q.setFieldDefs({FieldDef::string("CDPAIS", 4, "Código"), FieldDef::string("NMPAIS", 30, "Nome"),
                    FieldDef::string("NR", 5)});
    q.setParam("P_CDPAIS", "0055");
    q.setParam("P_TCDPAIS", "");
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    // PostgreSQL answers with lower-case column names.
    EXPECT_EQ(q.fieldByName("NMPAIS").asString(), "Brasil");
    EXPECT_EQ(q.fieldByName("NR").asString(), "1");

    q.close();
    q.setParam("P_TCDPAIS", "T");
    q.open();
    ASSERT_EQ(q.recordCount(), 2);
    EXPECT_EQ(q.fieldByName("CDPAIS").asString(), "0054");
    EXPECT_TRUE(q.fieldByName("NR").isNull());

    EXPECT_ANY_THROW(db.session() << "DELETE FROM CT_DB_TEST_PAIS");
    db.close();
    soci::session sql(soci::postgresql, postgresKeywords(url));
    int count = 0;
    sql << "SELECT COUNT(*) FROM CT_DB_TEST_PAIS", soci::into(count);
    EXPECT_EQ(count, 2);
    sql << "DROP TABLE CT_DB_TEST_PAIS";
}

} // namespace
} // namespace ct::db
