#include "platform/db/named_params.h"

#include <gtest/gtest.h>

namespace ct::db {
namespace {

using Names = std::vector<std::string>;

TEST(NamedParams, EachOccurrenceGetsItsOwnPlaceholder) {
    const auto p = NamedParams::parse("SELECT CDPAIS FROM PAIS WHERE (:P_TCDPAIS = 'T' OR CDPAIS = "
                                      ":P_CDPAIS) AND X = :p_tcdpais");
    EXPECT_EQ(p.positionalSql,
              "SELECT CDPAIS FROM PAIS WHERE (:p1 = 'T' OR CDPAIS = :p2) AND X = :p3");
    EXPECT_EQ(p.occurrences, (Names{"P_TCDPAIS", "P_CDPAIS", "p_tcdpais"}));
    EXPECT_EQ(p.names, (Names{"P_TCDPAIS", "P_CDPAIS"}));
}

TEST(NamedParams, QuotesCommentsAndCastsAreNotParameters) {
    const auto p = NamedParams::parse("SELECT 'a:b', 'it''s :X', \":Y\" -- :Z\n"
                                      "/* :W */ , x::text FROM T WHERE A=:A1");
    EXPECT_EQ(p.names, (Names{"A1"}));
    EXPECT_EQ(p.positionalSql, "SELECT 'a:b', 'it''s :X', \":Y\" -- :Z\n"
                               "/* :W */ , x::text FROM T WHERE A=:p1");
}

TEST(NamedParams, OddTexts) {
    EXPECT_TRUE(NamedParams::parse("").names.empty());
    EXPECT_EQ(NamedParams::parse("SELECT ':").positionalSql, "SELECT ':");
    EXPECT_EQ(NamedParams::parse("a : b :1 :").positionalSql, "a : b :1 :");
    EXPECT_TRUE(NamedParams::parse("a : b :1 :").names.empty());
}

TEST(NamedParams, ReadOnlyStatements) {
    EXPECT_TRUE(isReadOnlyStatement("SELECT 1"));
    EXPECT_TRUE(isReadOnlyStatement("  select * from FILIAL"));
    EXPECT_TRUE(isReadOnlyStatement("-- lookup\n/* x */ (SELECT 1)"));
    EXPECT_TRUE(isReadOnlyStatement("WITH a AS (SELECT 1) SELECT * FROM a"));
    EXPECT_FALSE(isReadOnlyStatement("DELETE FROM FILIAL"));
    EXPECT_FALSE(isReadOnlyStatement("update FILIAL set NMFILIAL = ''"));
    EXPECT_FALSE(isReadOnlyStatement("SELECTED"));
    EXPECT_FALSE(isReadOnlyStatement(""));
}

} // namespace
} // namespace ct::db
