#include "platform/dataset/dataset.h"
#include "sample_sets.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

using nlohmann::json;
using testing::fillParties;
using testing::names;

class ChangeLogTest : public ::testing::Test {
protected:
    void SetUp() override { fillParties(ds); }
    void go(const char* code) { ASSERT_TRUE(ds.locate("CODIGO", code)); }
    void setName(const char* code, const char* name) {
        go(code);
        ds.edit();
        ds["NOME"].setAsString(name);
        ds.post();
    }
    json changes() { return ds.delta()["delta"]; }
    DataSet ds{"cdsTeste"};
};

// Row layout in packets: CODIGO, NOME, CIDADE, VALOR, QTEXTRA, VENC, MARCA (no VRTOTAL).
TEST_F(ChangeLogTest, InsertIsOneInsertEvenWhenModifiedLater) {
    ds.append();
    ds["CODIGO"].setAsString("0004");
    ds["NOME"].setAsString("Davi");
    ds.post();
    setName("0004", "Davi Lucas");
    ASSERT_EQ(ds.changeCount(), 1);
    json d = changes();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0]["op"], "insert");
    EXPECT_EQ(d[0]["new"][0], "0004");
    EXPECT_EQ(d[0]["new"][1], "Davi Lucas");
    EXPECT_FALSE(d[0].contains("old"));
    EXPECT_EQ(d[0]["new"].size(), 7u);
}

TEST_F(ChangeLogTest, InsertLaterDeletedLeavesNoTrace) {
    ds.append();
    ds["CODIGO"].setAsString("0004");
    ds.post();
    setName("0004", "Davi");
    ds.remove();
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_TRUE(changes().empty());
    EXPECT_EQ(ds.recordCount(), 3);
}

TEST_F(ChangeLogTest, ModifyCarriesOldAndNewAndStaysOneEntry) {
    setName("0002", "Ana Clara");
    setName("0002", "Ana Beatriz");
    ASSERT_EQ(ds.changeCount(), 1);
    json d = changes();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0]["op"], "modify");
    EXPECT_EQ(d[0]["old"][1], "Ana");         // as at the last merge
    EXPECT_EQ(d[0]["new"][1], "Ana Beatriz"); // as it now stands
    EXPECT_EQ(d[0]["old"][3], 250.5);
    EXPECT_EQ(d[0]["new"][3], 250.5);
}

TEST_F(ChangeLogTest, ModifyLaterDeletedIsOneDeleteWithTheOriginalValues) {
    setName("0002", "Ana Clara");
    ds.remove();
    ASSERT_EQ(ds.changeCount(), 1);
    json d = changes();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0]["op"], "delete");
    EXPECT_EQ(d[0]["old"][1], "Ana");
    EXPECT_FALSE(d[0].contains("new"));
}

TEST_F(ChangeLogTest, EditedBackToTheSavedValuesLeavesNothingPending) {
    setName("0001", "Beto");
    setName("0001", "Bruno");
    EXPECT_EQ(ds.changeCount(), 0);
    go("0001");
    ds.edit();
    ds.post(); // nothing typed
    EXPECT_EQ(ds.changeCount(), 0);
}

TEST_F(ChangeLogTest, CalculatedWritesAreNotChanges) {
    go("0001");
    ds.edit();
    ds["VRTOTAL"].setAsFloat(99);
    EXPECT_FALSE(ds.modified());
    ds.post();
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_EQ(ds["VRTOTAL"].asFloat(), 99);
}

TEST_F(ChangeLogTest, DeltaListsChangesInOrderOfFirstChange) {
    setName("0003", "Carla M");
    go("0001");
    ds.remove();
    ds.append();
    ds["CODIGO"].setAsString("0004");
    ds.post();
    setName("0002", "Ana C");
    setName("0003", "Carla N"); // still its first place
    json d = changes();
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[0]["op"], "modify");
    EXPECT_EQ(d[0]["new"][1], "Carla N");
    EXPECT_EQ(d[1]["op"], "delete");
    EXPECT_EQ(d[1]["old"][0], "0001");
    EXPECT_EQ(d[2]["op"], "insert");
    EXPECT_EQ(d[3]["op"], "modify");
    EXPECT_EQ(ds.delta()["fields"].size(), 7u);
}

TEST_F(ChangeLogTest, MergeMakesCurrentRowsTheBase) {
    setName("0001", "Beto");
    go("0002");
    ds.remove();
    ds.appendRecord({"0004", "Davi"});
    ds.mergeChangeLog();
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_TRUE(changes().empty());
    go("0001");
    EXPECT_EQ(ds["NOME"].oldValue(), Value("Beto"));
    setName("0001", "Bento");
    EXPECT_EQ(changes()[0]["old"][1], "Beto");
    ds.cancelUpdates();
    EXPECT_EQ(names(ds), (std::vector<std::string>{"Beto", "Carla", "Davi"}));
}

TEST_F(ChangeLogTest, CancelUpdatesRestoresTheLastMerge) {
    setName("0001", "Beto");
    go("0002");
    ds.remove();
    ds.appendRecord({"0004", "Davi"});
    go("0003");
    ds.edit();
    ds["NOME"].setAsString("em edição");
    ds.cancelUpdates();
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_EQ(names(ds),
              (std::vector<std::string>{"Bruno", "Ana", "Carla"})); // deleted row back in place
    go("0002");
    EXPECT_DOUBLE_EQ(ds["VALOR"].asFloat(), 250.5);
}

TEST_F(ChangeLogTest, CancelUpdatesKeepsTheCurrentRowWhenItSurvives) {
    setName("0003", "Carla M");
    ds.cancelUpdates();
    EXPECT_EQ(ds["CODIGO"].asString(), "0003");
    EXPECT_EQ(ds["NOME"].asString(), "Carla");
}

TEST_F(ChangeLogTest, DataIsTheRowsAsTheyNowStandWithoutCalculatedFields) {
    setName("0002", "Ana C");
    go("0001");
    ds.remove();
    ds.appendRecord({"0004", "Davi", nullptr, 1.5});
    ds["VRTOTAL"].setAsFloat(7);
    ds.setIndexFieldNames("NOME");
    ds.setFilter("CIDADE = 'Recife'");
    ds.setFiltered(true);
    ds.last();
    ds.edit();
    ds["NOME"].setAsString("não postado");
    json all = ds.data();
    ASSERT_EQ(all["rows"].size(), 3u);
    EXPECT_EQ(all["rows"][0][1], "Ana C"); // natural order, filter ignored
    EXPECT_EQ(all["rows"][1][1], "Carla");
    EXPECT_EQ(all["rows"][2][1], "Davi");
    EXPECT_TRUE(all["rows"][2][2].is_null());
    EXPECT_EQ(all["fields"].size(), 7u);
    for (const auto& f : all["fields"])
        EXPECT_NE(f["name"], "VRTOTAL");
    ds.cancel();
}

TEST_F(ChangeLogTest, CopyFromTakesRowsAndPendingChanges) {
    setName("0001", "Beto");
    go("0002");
    ds.remove();
    ds.appendRecord({"0004", "Davi"});
    ds["VRTOTAL"].setAsFloat(3);
    DataSet copy{"cdsCopia", testing::partyFields()};
    int opened = 0;
    copy.afterOpen = [&](DataSet&) { ++opened; };
    copy.copyFrom(ds);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(copy.recordCount(), 3);
    EXPECT_EQ(copy.changeCount(), 3);
    EXPECT_EQ(copy.delta(), ds.delta());
    EXPECT_EQ(copy.data(), ds.data());
    copy.last();
    EXPECT_EQ(copy["VRTOTAL"].asFloat(), 3);
    copy.cancelUpdates(); // the copy has its own log
    EXPECT_EQ(names(copy), (std::vector<std::string>{"Bruno", "Ana", "Carla"}));
    EXPECT_EQ(ds.changeCount(), 3);

    DataSet loose{"cdsSemCampos"};
    loose.copyFrom(ds);
    EXPECT_EQ(loose.fieldCount(), ds.fieldCount());
    EXPECT_EQ(loose.delta(), ds.delta());

    DataSet narrow{"cdsEstreito", {FieldDef::string("CODIGO", 4), FieldDef::string("NOME", 3)}};
    EXPECT_THROW(narrow.copyFrom(ds), DataSetError); // "Bruno" does not fit in 3
    EXPECT_FALSE(narrow.active());
}

} // namespace
} // namespace ct
