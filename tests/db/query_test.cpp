#include "platform/dataset/data_source.h"
#include "platform/db/connection.h"
#include "platform/db/db_error.h"
#include "platform/db/query.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <unistd.h>

namespace ct::db {
namespace {

namespace fs = std::filesystem;

const char* const filialSql =
    "SELECT CDFILIAL, NMFILIAL, CDEMPRESA FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL";
const char* const paisSql = "SELECT CDPAIS, NMPAIS FROM PAIS WHERE (CDPAIS = :P_CDPAIS OR "
                            ":P_TCDPAIS = 'T') ORDER BY CDPAIS";

class QueryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        path_ = new fs::path(fs::temp_directory_path() /
                             ("ct_db_test_" + std::to_string(::getpid()) + ".sqlite"));
        fs::remove(*path_);
        soci::session sql(soci::sqlite3, "db=" + path_->string());
        sql << "CREATE TABLE FILIAL (CDFILIAL VARCHAR(4) PRIMARY KEY, NMFILIAL VARCHAR(60),"
               " CDEMPRESA VARCHAR(2), QTSALAS INTEGER, VRTAXA REAL)";
        sql << "INSERT INTO FILIAL VALUES ('0001', 'Matriz São Paulo', '01', 3, 1.5)";
        sql << "INSERT INTO FILIAL VALUES ('0002', 'Filial Campinas', '02', NULL, NULL)";
        sql << "INSERT INTO FILIAL VALUES ('0003', "
               "'Filial com um nome bem maior que trinta caracteres', NULL, 7, 2)";
        sql << "CREATE TABLE PAIS (CDPAIS VARCHAR(4), NMPAIS VARCHAR(30))";
        sql << "INSERT INTO PAIS VALUES ('0055', 'Brasil')";
        sql << "INSERT INTO PAIS VALUES ('0001', 'Estados Unidos')";
        sql << "INSERT INTO PAIS VALUES ('0054', 'Argentina')";
    }
    static void TearDownTestSuite() {
        fs::remove(*path_);
        delete path_;
    }
    static std::string url() { return "sqlite:" + path_->string(); }

    std::vector<FieldDef> filialDefs() const {
        return {FieldDef::string("CDFILIAL", 4, "Código"), FieldDef::string("NMFILIAL", 30, "Nome"),
                FieldDef::string("CDEMPRESA", 2)};
    }

    static fs::path* path_;
    Connection db_{url()};
};

fs::path* QueryTest::path_ = nullptr;

TEST_F(QueryTest, LooksUpOneRowByItsParameter) {
    Query q("qryPesqFilial", &db_);
    q.setSql(filialSql);
    q.setFieldDefs(filialDefs());
    EXPECT_EQ(q.paramNames(), std::vector<std::string>{"P_CDFILIAL"});
    q.setParam("P_CDFILIAL", "0002");
    q.open();
    ASSERT_TRUE(q.active());
    EXPECT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldByName("NMFILIAL").asString(), "Filial Campinas");
    EXPECT_EQ(q.fieldByName("CDEMPRESA").asString(), "02");
    EXPECT_EQ(q.fieldByName("CDFILIAL").label(), "Código");
    EXPECT_EQ(q.fieldByName("NMFILIAL").size(), 30);
    EXPECT_EQ(q.dataSet().name(), "qryPesqFilial");

    q.close();
    EXPECT_FALSE(q.active());
    q.setParam("p_cdfilial", "9999"); // names ignore letter case
    q.open();
    EXPECT_TRUE(q.active());
    EXPECT_TRUE(q.isEmpty());
}

TEST_F(QueryTest, OpeningAnOpenQueryDoesNotRunItAgain) {
    Query q("qryPesqFilial", &db_);
    q.setSql(filialSql);
    q.setFieldDefs(filialDefs());
    q.setParam("P_CDFILIAL", "0001");
    q.open();
    q.setParam("P_CDFILIAL", "0002");
    q.open();
    EXPECT_EQ(q.fieldByName("CDFILIAL").asString(), "0001");
    q.setActive(false);
    q.setActive(true);
    EXPECT_EQ(q.fieldByName("CDFILIAL").asString(), "0002");
}

TEST_F(QueryTest, ListAllConventionUsesOneParameterTwice) {
    Query q("qryPais", &db_);
    q.setSql(paisSql);
    q.setFieldDefs(
        {FieldDef::string("CDPAIS", 4, "Código"), FieldDef::string("NMPAIS", 30, "Nome")});
    q.setParam("P_CDPAIS", "0055");
    q.setParam("P_TCDPAIS", "");
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldByName("NMPAIS").asString(), "Brasil");

    q.close();
    q.setParam("P_TCDPAIS", "T");
    q.open();
    ASSERT_EQ(q.recordCount(), 3);
    std::vector<std::string> codes;
    for (q.dataSet().first(); !q.dataSet().eof(); q.dataSet().next())
        codes.push_back(q.fieldByName("CDPAIS").asString());
    EXPECT_EQ(codes, (std::vector<std::string>{"0001", "0054", "0055"}));
}

TEST_F(QueryTest, ParametersAreBoundNeverPasted) {
    Query q("qryPesqFilial", &db_);
    q.setSql(filialSql);
    q.setFieldDefs(filialDefs());
    q.setParam("P_CDFILIAL", "0001' OR '1'='1");
    q.open();
    EXPECT_TRUE(q.isEmpty());

    q.close();
    q.setParam("P_CDFILIAL", "x'; DROP TABLE FILIAL; --");
    q.open();
    EXPECT_TRUE(q.isEmpty());
    q.close();
    q.setParam("P_CDFILIAL", "0003");
    q.open();
    EXPECT_EQ(q.recordCount(), 1);
}

TEST_F(QueryTest, UnsetParameterIsNullAndUnknownOneIsRefused) {
    Query q("qryPesqFilial", &db_);
    q.setSql(filialSql);
    q.setFieldDefs(filialDefs());
    EXPECT_FALSE(q.param("P_CDFILIAL").has_value());
    q.open();
    EXPECT_TRUE(q.isEmpty());
    try {
        q.setParam("P_CDEMPRESA", "01");
        FAIL() << "no exception";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("P_CDEMPRESA"), std::string::npos);
    }
    q.setParam("P_CDFILIAL", "0001");
    EXPECT_EQ(q.param("p_cdfilial"), std::optional<std::string>("0001"));
    q.clearParam("P_CDFILIAL");
    EXPECT_FALSE(q.param("P_CDFILIAL").has_value());
}

TEST_F(QueryTest, ChangingTheSqlKeepsValuesOfKeptNames) {
    Query q("qry", &db_);
    q.setSql(filialSql);
    q.setParam("P_CDFILIAL", "0002");
    q.setSql("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL AND :P_X IS NULL");
    EXPECT_EQ(q.param("P_CDFILIAL"), std::optional<std::string>("0002"));
    EXPECT_EQ(q.paramNames(), (std::vector<std::string>{"P_CDFILIAL", "P_X"}));
    q.open();
    EXPECT_EQ(q.fieldByName("NMFILIAL").asString(), "Filial Campinas");
}

TEST_F(QueryTest, TextsAreCutToTheirFieldAndNullsStayNull) {
    Query q("qryFilial", &db_);
    q.setSql("SELECT CDFILIAL, NMFILIAL, CDEMPRESA FROM FILIAL ORDER BY CDFILIAL");
    q.setFieldDefs({FieldDef::string("CDFILIAL", 4), FieldDef::string("NMFILIAL", 30),
                    FieldDef::string("CDEMPRESA", 2)});
    q.open();
    ASSERT_EQ(q.recordCount(), 3);
    q.dataSet().setRecNo(3);
    EXPECT_EQ(q.fieldByName("NMFILIAL").asString(), "Filial com um nome bem maior q");
    EXPECT_TRUE(q.fieldByName("CDEMPRESA").isNull());

    // Characters, not bytes.
    q.close();
    q.setFieldDefs({FieldDef::string("NMFILIAL", 9)});
    q.open();
    EXPECT_EQ(q.fieldByName("NMFILIAL").asString(), "Matriz Sã");
}

TEST_F(QueryTest, WithoutDefinitionsEveryColumnIsText) {
    Query q("qry", &db_);
    q.setSql("select cdfilial, qtsalas, vrtaxa from FILIAL order by cdfilial");
    q.open();
    const DataSet& ds = q.dataSet();
    ASSERT_EQ(ds.fieldCount(), 3);
    EXPECT_EQ(ds.field(0).name(), "CDFILIAL");
    EXPECT_EQ(ds.field(0).type(), FieldType::String);
    EXPECT_EQ(ds.field(0).size(), 4);
    EXPECT_EQ(q.fieldByName("QTSALAS").asString(), "3");
    EXPECT_EQ(q.fieldByName("VRTAXA").asString(), "1.5");
    q.dataSet().next();
    EXPECT_TRUE(q.fieldByName("QTSALAS").isNull());
}

TEST_F(QueryTest, DefinedFieldsMissingFromTheResultAreNull) {
    Query q("qry", &db_);
    q.setSql("SELECT CDFILIAL FROM FILIAL WHERE CDFILIAL = '0001'");
    q.setFieldDefs({FieldDef::string("CDFILIAL", 4), FieldDef::string("NMFILIAL", 30)});
    q.open();
    EXPECT_EQ(q.fieldByName("CDFILIAL").asString(), "0001");
    EXPECT_TRUE(q.fieldByName("NMFILIAL").isNull());
}

TEST_F(QueryTest, OnlyReadsAreAllowed) {
    Query q("qry", &db_);
    q.setSql("DELETE FROM FILIAL");
    EXPECT_THROW(q.open(), DbError);
    EXPECT_FALSE(q.active());
    // The connection itself refuses writes too.
    EXPECT_ANY_THROW(db_.session() << "DELETE FROM FILIAL");

    Query count("qry", &db_);
    count.setSql("SELECT COUNT(*) AS N FROM FILIAL");
    count.open();
    EXPECT_EQ(count.fieldByName("N").asString(), "3");
}

TEST_F(QueryTest, BadSqlGivesAClearErrorAndStaysClosed) {
    Query q("qryPais", &db_);
    q.setSql("SELECT NADA FROM TABELA_QUE_NAO_EXISTE");
    try {
        q.open();
        FAIL() << "no exception";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("qryPais"), std::string::npos);
    }
    EXPECT_FALSE(q.active());
}

TEST_F(QueryTest, SharedConnectionIsUsedByDefault) {
    Query q("qryPesqFilial");
    q.setSql(filialSql);
    q.setParam("P_CDFILIAL", "0001");
    sharedConnection().close();
    EXPECT_THROW(q.open(), DbError);
    sharedConnection().open(url());
    q.open();
    EXPECT_EQ(q.fieldByName("CDEMPRESA").asString(), "01");
    sharedConnection().close();
}

TEST_F(QueryTest, ListedThroughADataSource) {
    Query q("qryFilial", &db_);
    q.setSql("SELECT CDFILIAL, NMFILIAL FROM FILIAL ORDER BY CDFILIAL");
    q.setFieldDefs(
        {FieldDef::string("CDFILIAL", 4, "Código"), FieldDef::string("NMFILIAL", 30, "Nome")});
    DataSource source(&q.dataSet());
    q.open();
    EXPECT_EQ(source.state(), DataSetState::Browse);
    EXPECT_EQ(source.dataSet()->recordCount(), 3);
    q.close();
    EXPECT_EQ(source.state(), DataSetState::Inactive);
}

TEST(Connection, UrlsAndFailures) {
    Connection c;
    EXPECT_FALSE(c.connected());
    EXPECT_THROW(c.session(), DbError);
    EXPECT_THROW(c.open("mysql://x"), DbError);
    EXPECT_THROW(c.open("sqlite:"), DbError);
    // Read-only: a missing file is not created.
    const fs::path missing = fs::temp_directory_path() / "ct_db_test_missing.sqlite";
    fs::remove(missing);
    try {
        c.open("sqlite:" + missing.string());
        FAIL() << "no exception";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("Não foi possível abrir"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(c.connected());
    EXPECT_THROW(c.open("postgresql://nobody@127.0.0.1:1/none"), DbError);
    EXPECT_FALSE(c.connected());
}

TEST(Connection, PathWithBlanks) {
    const fs::path dir = fs::temp_directory_path() / ("ct db test " + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "base de dados.sqlite";
    {
        soci::session sql(soci::sqlite3, "db=\"" + file.string() + "\"");
        sql << "CREATE TABLE T (A VARCHAR(2))";
        sql << "INSERT INTO T VALUES ('ok')";
    }
    ASSERT_TRUE(fs::exists(file));
    Connection c("sqlite:" + file.string());
    Query q("q", &c);
    q.setSql("SELECT A FROM T");
    q.open();
    EXPECT_EQ(q.fieldByName("A").asString(), "ok");
    q.close();
    c.close();
    fs::remove_all(dir);
}

} // namespace
} // namespace ct::db
