// Results read straight from SQLite hold what SOCI's reading of the same rows gave: the same kind
// (null, text, double, integer) and the same value, whatever a column declares or stores.
#include "server/core/text.h"
#include "server/db/prepared_statement.h"
#include "server/db/schema.h"
#include "server_fixture.h"

#include <ctime>
#include <fmt/format.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

namespace ct::server::testing {
namespace {

std::string shown(const SqlValue& value) {
    if (std::holds_alternative<std::monostate>(value)) {
        return "null";
    }
    if (const auto* s = std::get_if<std::string>(&value)) {
        return "'" + *s + "'";
    }
    if (const auto* d = std::get_if<double>(&value)) {
        return fmt::format("{}d", *d);
    }
    return fmt::format("{}i", std::get<long long>(value));
}

class SqliteReadingTest : public ::testing::Test {
protected:
    // Every row of `query` both ways, one line per row.
    void expect_same(const std::string& query) {
        std::vector<std::string> ours;
        std::vector<std::string> names;
        lease_.sql().query(
            query, {}, [&](const std::vector<std::string>& columns) { names = columns; },
            [&](std::vector<SqlValue>& cells) {
                std::string line;
                for (const SqlValue& v : cells) {
                    line += shown(v) + " ";
                }
                ours.push_back(line);
            });
        std::vector<std::string> theirs;
        std::vector<std::string> their_names;
        soci::row row;
        soci::statement st = (reference_.prepare << query, soci::into(row));
        st.execute();
        while (st.fetch()) {
            std::string line;
            their_names.clear();
            for (std::size_t i = 0; i < row.size(); ++i) {
                line += shown(soci_cell(row, i)) + " ";
                their_names.push_back(row.get_properties(i).get_name());
            }
            theirs.push_back(line);
        }
        EXPECT_EQ(ours, theirs) << query;
        if (!theirs.empty()) {
            ASSERT_EQ(names.size(), their_names.size()) << query;
            for (std::size_t i = 0; i < names.size(); ++i) {
                EXPECT_TRUE(iequals(names[i], their_names[i])) << names[i] << " " << query;
            }
        }
    }

    TestDatabase store_{Engine::sqlite};
    Database db_{DatabaseUrl::parse(store_.url()), 1};
    bool demo_ = (install_demo(db_), true);
    Database::Lease lease_{db_};
    soci::session reference_{*soci::factory_sqlite3(),
                             DatabaseUrl::parse(store_.url()).connect_string};
};

TEST_F(SqliteReadingTest, EveryDeclaredTypeAndStoredValueReadsAsThroughSoci) {
    // Each row stores in every column what the column does not declare: whole numbers in real
    // columns, fractions and text in integer ones, numbers too big for 32 bits.
    reference_ << "CREATE TABLE ODDS (A VARCHAR(4), B INTEGER, C NUMERIC(15,2), D BIGINT, "
                  "E DOUBLE PRECISION, F TEXT, G CHAR(1), H DATE, I, J INT4, K REAL, L "
                  "SMALLINT, M DECIMAL(10, 2), N TIMESTAMP, O CLOB)";
    const char* const rows[] = {
        "('12', 5, 100, 7, 1.5, 'x', 'y', '2024-01-02', 3, 4, 1, 2, 3, '2024-01-02', 'c')",
        "('ab', 2.5, 33.33, 9.5, 2, '1', 'z', '2024-03-04 10:11:12', 'q', 4.5, 2.5, 7, 0.1, 'x', "
        "1)",
        "('ção', 'txt', 'abc', 'zz', 'w', 2, 3, '2024-01-02', 4.5, 'w', 'w', 'w', 'w', 'w', 2.5)",
        "('', 99999999999, 1e20, 99999999999999999, 0.1, 2.5, 3, NULL, NULL, NULL, NULL, NULL, "
        "NULL, NULL, NULL)",
        "(NULL, -2147483649, -0.005, -1, -0.0, '', '', '2024-01-02', X'00', 1, 1e-300, 40000, "
        "123456789012.34, '', '')",
    };
    for (const char* values : rows) {
        reference_ << std::string("INSERT INTO ODDS VALUES ") + values;
    }
    for (const char* query : {
             "SELECT * FROM ODDS",
             "SELECT A, B, C, D, E, F, G, I, K, L, M, O FROM ODDS",
             "SELECT COUNT(*), SUM(C), MAX(B), 'N', CASE WHEN B > 1 THEN 'S' ELSE 'N' END, "
             "COALESCE(SUM(C), 0), 1.5, NULL, MIN(I) FROM ODDS",
             "SELECT I, B + 0, C * 1, D / 2, UPPER(A), LENGTH(F) FROM ODDS",
             "SELECT O.C AS VALOR, P.B FROM ODDS O LEFT JOIN ODDS P ON P.A = O.G",
             "SELECT * FROM ODDS WHERE 1 = 0",
         }) {
        expect_same(query);
    }
}

TEST_F(SqliteReadingTest, EveryTableOfTheDemoDatabaseReadsAsThroughSoci) {
    std::vector<std::string> tables;
    soci::rowset<std::string> names =
        (reference_.prepare << "SELECT name FROM sqlite_master WHERE type = 'table' AND name "
                               "NOT LIKE 'sqlite%' ORDER BY name");
    for (const std::string& name : names) {
        tables.push_back(name);
    }
    ASSERT_GT(tables.size(), 10u);
    for (const std::string& table : tables) {
        expect_same("SELECT * FROM " + table);
    }
}

TEST(SqliteColumnKind, NamesAreReadAsSociReadsThem) {
    struct Case {
        const char* declared;
        std::optional<ReadKind> kind;
    };
    const Case cases[] = {
        {nullptr, ReadKind::text},
        {"VARCHAR(10)", ReadKind::text},
        {"Varchar (4)", ReadKind::text},
        {"TEXT", ReadKind::text},
        {"INTEGER", ReadKind::int32},
        {"BIGINT", ReadKind::int64},
        {"NUMERIC(15, 2)", ReadKind::real},
        {"DOUBLE PRECISION", ReadKind::real},
        {"DATE", std::nullopt},
        {"DATETIME", std::nullopt},
        {"TIMESTAMP", std::nullopt},
        {"BLOB", std::nullopt},
        {"INT4", std::nullopt},
        {"UNSIGNED BIG INT", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sqlite_column_kind(c.declared), c.kind) << (c.declared ? c.declared : "null");
    }
}

} // namespace
} // namespace ct::server::testing
