#include "platform/dataset/dataset.h"
#include "platform/dataset/event_detach.h"
#include "sample_sets.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

using testing::addParty;
using testing::names;
using Names = std::vector<std::string>;

class FilterIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        ds.setFieldDefs(testing::partyFields());
        ds.createDataSet();
        addParty(ds, "0001", "bruno", "Recife", 100, "S");
        addParty(ds, "0002", "Álvaro", "Natal", 50, "N");
        addParty(ds, "0003", "Carla", "Recife", 0, "N");
        addParty(ds, "0004", "Bruno", "Olinda", 100, "S");
        addParty(ds, "0005", "Ana", "recife", 75, "N");
        ds.mergeChangeLog();
        ds.first();
    }
    void filter(const char* text) {
        ds.setFiltered(false);
        ds.setFilter(text);
        ds.setFiltered(true);
    }
    DataSet ds{"cdsTeste"};
};

TEST_F(FilterIndexTest, FilterExpressions) {
    filter("CIDADE = 'Recife'");
    EXPECT_EQ(names(ds), (Names{"bruno", "Carla"}));
    EXPECT_EQ(ds.recordCount(), 2);
    filter("CIDADE <> 'Recife'");
    EXPECT_EQ(names(ds), (Names{"Álvaro", "Bruno", "Ana"}));
    filter("CIDADE = 'Recife' AND MARCA = 'S'");
    EXPECT_EQ(names(ds), (Names{"bruno"}));
    filter("MARCA = 'S' OR (CIDADE = 'Natal' AND NOT VALOR < 10)");
    EXPECT_EQ(names(ds), (Names{"bruno", "Álvaro", "Bruno"}));
    filter("(VALOR >= 75) and (valor <= 100)");
    EXPECT_EQ(names(ds), (Names{"bruno", "Bruno", "Ana"}));
    filter("VENC IS NULL AND CODIGO > '0003'");
    EXPECT_EQ(names(ds), (Names{"Bruno", "Ana"}));
    filter("NOME = 'O''Neil'");
    EXPECT_TRUE(ds.isEmpty());
    EXPECT_TRUE(ds.eof());
    ds.setFilterCaseInsensitive(true);
    filter("CIDADE = 'RECIFE'");
    EXPECT_EQ(names(ds), (Names{"bruno", "Carla", "Ana"}));
    ds.setFiltered(false);
    EXPECT_EQ(ds.recordCount(), 5);
}

TEST_F(FilterIndexTest, NullEqualsTheEmptyTextInFilters) {
    ds.first();
    ds.edit();
    ds["CIDADE"].clear();
    ds.post();
    filter("CIDADE = ''");
    EXPECT_EQ(names(ds), (Names{"bruno"}));
    filter("CIDADE <> 'Natal'");
    EXPECT_EQ(ds.recordCount(), 4); // null differs from 'Natal'
}

TEST_F(FilterIndexTest, BadFilterIsRefusedAndTheOldOneKept) {
    filter("CIDADE = 'Recife'");
    for (const char* bad : {"CIDADE = 'Recife", "CIDADE == 'x'", "NADA = 'x'", "(CIDADE = 'x'",
                            "CIDADE = 'x' AND", "CIDADE 'x'", "CIDADE = 'x' ; DROP"}) {
        try {
            ds.setFilter(bad);
            ADD_FAILURE() << bad << " accepted";
        } catch (const DataSetError& e) {
            EXPECT_NE(std::string(e.what()).find("Filtro"), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(ds.setFilter(std::string(100000, '(') + "CIDADE = 'x'"), DataSetError);
    EXPECT_EQ(ds.filter(), "CIDADE = 'Recife'");
    EXPECT_EQ(ds.recordCount(), 2);
}

TEST_F(FilterIndexTest, PostedRowLeavesOrJoinsTheFilter) {
    filter("CIDADE = 'Recife'");
    ds.first(); // bruno
    ds.edit();
    ds["CIDADE"].setAsString("Olinda");
    ds.post();
    EXPECT_EQ(ds.recordCount(), 1);
    EXPECT_EQ(ds["NOME"].asString(), "Carla");
    ds.append();
    ds["NOME"].setAsString("Davi");
    ds["CIDADE"].setAsString("Recife");
    ds.post();
    EXPECT_EQ(names(ds), (Names{"Carla", "Davi"}));
    ds.setFiltered(false);
    EXPECT_EQ(ds.recordCount(), 6);
    EXPECT_EQ(ds.changeCount(), 2);
}

TEST_F(FilterIndexTest, IndexOrdersByNameIgnoringCaseAndAccents) {
    ds.setIndexFieldNames("NOME");
    EXPECT_EQ(names(ds), (Names{"Álvaro", "Ana", "bruno", "Bruno", "Carla"}));
    ds.setIndexFieldNames("CIDADE;VALOR"); // "recife" sorts before "Recife"
    EXPECT_EQ(names(ds), (Names{"Álvaro", "Bruno", "Ana", "Carla", "bruno"}));
    EXPECT_EQ(ds.indexFieldNames(), "CIDADE;VALOR");
    EXPECT_THROW(ds.setIndexFieldNames("NOME;NADA"), DataSetError);
    EXPECT_EQ(ds.indexFieldNames(), "CIDADE;VALOR");
    ds.setIndexFieldNames("");
    EXPECT_EQ(names(ds), (Names{"bruno", "Álvaro", "Carla", "Bruno", "Ana"}));
}

TEST_F(FilterIndexTest, IndexKeepsTheCurrentRowAndStaysAfterEditsAndLoads) {
    ds.setRecNo(3); // Carla
    ds.setIndexFieldNames("NOME");
    EXPECT_EQ(ds["NOME"].asString(), "Carla");
    EXPECT_EQ(ds.recNo(), 5);
    ds.edit();
    ds["NOME"].setAsString("Aaron");
    ds.post();
    EXPECT_EQ(ds.recNo(), 1); // moved to its place, still current
    EXPECT_EQ(ds["NOME"].asString(), "Aaron");
    ds.append();
    ds["NOME"].setAsString("Beatriz");
    ds.post();
    EXPECT_EQ(ds["NOME"].asString(), "Beatriz");
    EXPECT_EQ(ds.recNo(), 4);
    EXPECT_EQ(names(ds), (Names{"Aaron", "Álvaro", "Ana", "Beatriz", "bruno", "Bruno"}));
    ds.loadPacket(ds.data());
    EXPECT_EQ(ds.indexFieldNames(), "NOME");
    EXPECT_EQ(names(ds).front(), "Aaron");
}

TEST_F(FilterIndexTest, FilterAndIndexTogetherForTheSharingWalk) {
    // turn on a filter and an order, walk and write each visible row with the scroll event off
    int scrolls = 0;
    ds.afterScroll = [&](DataSet&) { ++scrolls; };
    {
        EventDetach quiet(ds.afterScroll);
        ControlsDisabled frozen(ds);
        filter("MARCA = 'N'");
        ds.setIndexFieldNames("NOME");
        for (ds.first(); !ds.eof(); ds.next()) {
            ds.edit();
            ds["VALOR"].setAsFloat(10);
            ds.post();
        }
        ds.setFiltered(false);
    }
    EXPECT_EQ(scrolls, 0);
    ASSERT_TRUE(ds.afterScroll);
    EXPECT_EQ(ds.changeCount(), 3);
    EXPECT_EQ(names(ds), (Names{"Álvaro", "Ana", "bruno", "Bruno", "Carla"}));
    double total = 0;
    for (ds.first(); !ds.eof(); ds.next())
        total += ds["VALOR"].asFloat();
    EXPECT_DOUBLE_EQ(total, 230);
}

TEST_F(FilterIndexTest, LocateRespectsFilterAndCaseOption) {
    EXPECT_TRUE(ds.locate("NOME", "Bruno"));
    EXPECT_EQ(ds["CODIGO"].asString(), "0004");
    EXPECT_TRUE(ds.locate("NOME", "BRUNO", {.caseInsensitive = true}));
    EXPECT_EQ(ds["CODIGO"].asString(), "0001");
    EXPECT_FALSE(ds.locate("NOME", "BRUNO"));
    EXPECT_EQ(ds["CODIGO"].asString(), "0001"); // stays
    EXPECT_TRUE(ds.locate("NOME", "álv", {.caseInsensitive = true, .partialKey = true}));
    EXPECT_EQ(ds["CODIGO"].asString(), "0002");
    EXPECT_TRUE(ds.locate("CIDADE;VALOR", {"Recife", 0.0}));
    EXPECT_EQ(ds["NOME"].asString(), "Carla");
    EXPECT_TRUE(ds.locate("VALOR", "75")); // text read as the field's type
    EXPECT_EQ(ds["NOME"].asString(), "Ana");
    EXPECT_FALSE(ds.locate("VALOR", "abc"));
    EXPECT_THROW(ds.locate("CIDADE;VALOR", std::vector<Value>{"Recife"}), DataSetError);
    filter("CIDADE = 'Natal'");
    EXPECT_FALSE(ds.locate("NOME", "Ana"));
    EXPECT_EQ(ds.find("NOME", {"Álvaro"}), 0);
}

TEST_F(FilterIndexTest, LocateByDateText) {
    ds.first();
    ds.edit();
    ds["VENC"].setAsDateTime(DateTime::fromParts(2027, 3, 10));
    ds.post();
    ds.last();
    EXPECT_TRUE(ds.locate("VENC", "10/03/2027", {.caseInsensitive = true}));
    EXPECT_EQ(ds["CODIGO"].asString(), "0001");
    EXPECT_TRUE(ds.locate("VENC", Value()));
    EXPECT_EQ(ds["CODIGO"].asString(), "0002");
}

} // namespace
} // namespace ct
