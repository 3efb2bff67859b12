#include "platform/dataset/data_source.h"
#include "platform/dataset/dataset.h"
#include "platform/dataset/event_detach.h"
#include "sample_sets.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

using testing::fillParties;
using testing::names;

// Records every event of a data set, in order.
struct EventLog {
    std::vector<std::string> seen;
    void attach(DataSet& ds) {
        auto rec = [this](const char* what) {
            return [this, what](DataSet&) { seen.push_back(what); };
        };
        ds.beforeInsert = rec("beforeInsert");
        ds.onNewRecord = rec("newRecord");
        ds.afterInsert = rec("afterInsert");
        ds.beforeEdit = rec("beforeEdit");
        ds.afterEdit = rec("afterEdit");
        ds.beforePost = rec("beforePost");
        ds.afterPost = rec("afterPost");
        ds.beforeCancel = rec("beforeCancel");
        ds.afterCancel = rec("afterCancel");
        ds.beforeDelete = rec("beforeDelete");
        ds.afterDelete = rec("afterDelete");
        ds.beforeScroll = rec("beforeScroll");
        ds.afterScroll = rec("afterScroll");
        ds.afterOpen = rec("afterOpen");
    }
    std::vector<std::string> take() { return std::exchange(seen, {}); }
};

using Seq = std::vector<std::string>;

class EditingTest : public ::testing::Test {
protected:
    void SetUp() override {
        fillParties(ds);
        log.attach(ds);
    }
    DataSet ds{"cdsTeste"};
    EventLog log;
};

TEST_F(EditingTest, EventOrderOfEveryOperation) {
    ds.append();
    EXPECT_EQ(log.take(),
              (Seq{"beforeInsert", "beforeScroll", "newRecord", "afterInsert", "afterScroll"}));
    EXPECT_EQ(ds.state(), DataSetState::Insert);
    ds["CODIGO"].setAsString("0004");
    ds.post();
    EXPECT_EQ(log.take(), (Seq{"beforePost", "afterPost"}));
    ds.edit();
    EXPECT_EQ(log.take(), (Seq{"beforeEdit", "afterEdit"}));
    ds.cancel();
    EXPECT_EQ(log.take(), (Seq{"beforeCancel", "afterCancel"}));
    ds.remove();
    EXPECT_EQ(log.take(), (Seq{"beforeDelete", "beforeScroll", "afterDelete", "afterScroll"}));
    ds.first();
    ds.next();
    EXPECT_EQ(log.take(), (Seq{"beforeScroll", "afterScroll", "beforeScroll", "afterScroll"}));
    ds.post();   // browse: nothing
    ds.cancel(); // browse: nothing
    EXPECT_TRUE(log.take().empty());
}

TEST_F(EditingTest, EditOnAnEmptySetStartsAnInsert) {
    DataSet empty{"cdsVazio", testing::partyFields()};
    empty.createDataSet();
    EventLog events;
    events.attach(empty);
    EXPECT_TRUE(empty.isEmpty());
    empty.edit();
    EXPECT_EQ(empty.state(), DataSetState::Insert);
    EXPECT_EQ(events.take(),
              (Seq{"beforeInsert", "beforeScroll", "newRecord", "afterInsert", "afterScroll"}));
    EXPECT_FALSE(empty.isEmpty()); // a row is being inserted
    EXPECT_EQ(empty.recordCount(), 0);
    empty["NOME"].setAsString("Primeiro");
    empty.post();
    EXPECT_EQ(empty.recordCount(), 1);
    empty.edit();
    EXPECT_EQ(empty.state(), DataSetState::Edit);
}

TEST_F(EditingTest, FailingBeforePostKeepsTheRowInEditWithWhatWasTyped) {
    ds.beforePost = [](DataSet& d) {
        if (d["NOME"].asString().empty())
            throw DataSetError("Nome obrigatório");
    };
    ds.append();
    ds["CODIGO"].setAsString("0009");
    EXPECT_THROW(ds.post(), DataSetError);
    EXPECT_EQ(ds.state(), DataSetState::Insert);
    EXPECT_EQ(ds["CODIGO"].asString(), "0009");
    EXPECT_EQ(ds.recordCount(), 3);
    ds["NOME"].setAsString("Davi");
    ds.post();
    EXPECT_EQ(ds.recordCount(), 4);

    ds.first();
    ds.edit();
    ds["NOME"].clear();
    EXPECT_THROW(ds.post(), DataSetError);
    EXPECT_EQ(ds.state(), DataSetState::Edit);
    EXPECT_TRUE(ds["NOME"].isNull());
    // moving off the row tries to post it and fails the same way
    EXPECT_THROW(ds.next(), DataSetError);
    EXPECT_EQ(ds.state(), DataSetState::Edit);
    EXPECT_EQ(ds.recNo(), 1);
}

TEST_F(EditingTest, ThrowingBeforeEditOrInsertLeavesTheStateUnchanged) {
    ds.beforeEdit = [](DataSet&) { throw DataSetError("não"); };
    ds.beforeInsert = [](DataSet&) { throw DataSetError("não"); };
    EXPECT_THROW(ds.edit(), DataSetError);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_THROW(ds.insert(), DataSetError);
    EXPECT_THROW(ds.append(), DataSetError);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds["NOME"].asString(), "Bruno");
}

TEST_F(EditingTest, ThrowingNewRecordAbandonsTheInsert) {
    ds.onNewRecord = [](DataSet&) { throw DataSetError("sem padrão"); };
    EXPECT_THROW(ds.append(), DataSetError);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.recordCount(), 3);
}

TEST_F(EditingTest, DetachedEventIsAttachedAgainOnEveryPath) {
    int posts = 0;
    ds.beforePost = [&](DataSet&) { ++posts; };
    auto markWithoutChecks = [&](bool fail) {
        EventDetach noPost(ds.beforePost);
        ds.edit();
        ds["MARCA"].setAsString("S");
        ds.post();
        if (fail)
            throw DataSetError("falhou");
    };
    markWithoutChecks(false);
    EXPECT_EQ(posts, 0);
    EXPECT_THROW(markWithoutChecks(true), DataSetError);
    EXPECT_EQ(posts, 0);
    ASSERT_TRUE(ds.beforePost);
    ds.edit();
    ds["MARCA"].setAsString("N");
    ds.post();
    EXPECT_EQ(posts, 1);
}

TEST_F(EditingTest, HandlerMayDetachItselfWhileRunning) {
    int runs = 0;
    ds.afterScroll = [&](DataSet& d) {
        ++runs;
        d.afterScroll = nullptr;
    };
    ds.next();
    ds.next();
    EXPECT_EQ(runs, 1);
}

TEST_F(EditingTest, MovingOffPostsAModifiedRowAndDropsAnUntouchedInsert) {
    ds.edit();
    ds["NOME"].setAsString("Bruna");
    ds.next();
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    ds.first();
    EXPECT_EQ(ds["NOME"].asString(), "Bruna");
    EXPECT_EQ(ds.changeCount(), 1);

    log.take();
    ds.append(); // defaults from the new-record event do not count as typing
    ds.first();
    EXPECT_EQ(ds.recordCount(), 3);
    auto seen = log.take();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "afterCancel"), seen.end());
}

TEST_F(EditingTest, InsertGoesBeforeTheCurrentRowAppendAtTheEnd) {
    ds.next(); // Ana
    ds.insert();
    EXPECT_EQ(ds.recNo(), 2);
    ds["NOME"].setAsString("Novo");
    ds.post();
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_EQ(names(ds), (std::vector<std::string>{"Bruno", "Novo", "Ana", "Carla"}));
    ds.append();
    EXPECT_EQ(ds.recNo(), 5);
    ds["NOME"].setAsString("Fim");
    ds.post();
    EXPECT_EQ(names(ds).back(), "Fim");
}

TEST_F(EditingTest, NavigationBofEofRecNo) {
    EXPECT_TRUE(ds.bof());
    EXPECT_EQ(ds.recNo(), 1);
    ds.prior();
    EXPECT_TRUE(ds.bof());
    ds.last();
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.recNo(), 3);
    ds.next();
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds["NOME"].asString(), "Carla");
    ds.setRecNo(2);
    EXPECT_EQ(ds["NOME"].asString(), "Ana");
    EXPECT_FALSE(ds.bof());
    EXPECT_FALSE(ds.eof());
    EXPECT_EQ(ds.moveBy(5), 1);
    EXPECT_EQ(ds.moveBy(-5), -2);
    int walked = 0;
    for (ds.first(); !ds.eof(); ds.next())
        ++walked;
    EXPECT_EQ(walked, 3);
}

TEST_F(EditingTest, DeleteMovesToTheNextRow) {
    ds.next();
    ds.remove();
    EXPECT_EQ(ds["NOME"].asString(), "Carla");
    ds.remove();
    EXPECT_EQ(ds["NOME"].asString(), "Bruno");
    EXPECT_TRUE(ds.eof());
    ds.remove();
    EXPECT_TRUE(ds.isEmpty());
    EXPECT_THROW(ds.remove(), DataSetError);
    EXPECT_EQ(ds.changeCount(), 3);
}

TEST_F(EditingTest, DeleteWhileInsertingCancelsTheInsert) {
    ds.append();
    ds["NOME"].setAsString("X");
    ds.remove();
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds.changeCount(), 0);
}

TEST_F(EditingTest, ClosedSetRefusesOperationsClearly) {
    ds.close();
    EXPECT_FALSE(ds.active());
    EXPECT_THROW(ds.edit(), DataSetError);
    EXPECT_THROW(ds.append(), DataSetError);
    EXPECT_THROW(ds.first(), DataSetError);
    EXPECT_TRUE(ds.isEmpty());
    EXPECT_EQ(ds.recordCount(), 0);
    ds.open();
    EXPECT_TRUE(ds.active());
    EXPECT_EQ(ds.recordCount(), 0); // reopened empty
}

TEST_F(EditingTest, BookmarksSurviveReordering) {
    ds.next();
    Bookmark ana = ds.bookmark();
    ds.setIndexFieldNames("NOME");
    ds.last();
    ASSERT_TRUE(ds.bookmarkValid(ana));
    ds.gotoBookmark(ana);
    EXPECT_EQ(ds["NOME"].asString(), "Ana");
    ds.remove();
    EXPECT_FALSE(ds.bookmarkValid(ana));
    EXPECT_THROW(ds.gotoBookmark(ana), DataSetError);
}

// A control's view of the data source, counting what it is told.
struct CountingLink : DataLink {
    int states = 0, changes = 0, scrolls = 0, fields = 0, updates = 0;
    std::string pendingText;
    void stateChanged() override { ++states; }
    void dataSetChanged() override { ++changes; }
    void dataSetScrolled() override { ++scrolls; }
    void recordChanged(Field*) override { ++fields; }
    void updateData() override {
        ++updates;
        if (!pendingText.empty())
            dataSet()->fieldByName("NOME").setAsString(std::exchange(pendingText, {}));
    }
};

TEST_F(EditingTest, DataSourceTellsObserversAndDisableControlsNests) {
    DataSource source(&ds);
    CountingLink link;
    link.setDataSource(&source);
    int stateChanges = 0;
    std::vector<Field*> dataChanges;
    source.onStateChange = [&](DataSource&) { ++stateChanges; };
    source.onDataChange = [&](DataSource&, Field* f) { dataChanges.push_back(f); };

    ds.edit();
    ds["NOME"].setAsString("Bruna");
    EXPECT_EQ(stateChanges, 1);
    EXPECT_EQ(link.states, 1);
    EXPECT_EQ(link.fields, 2); // edit start + the write
    EXPECT_EQ(dataChanges.back(), &ds["NOME"]);
    ds.post();
    EXPECT_EQ(stateChanges, 2);

    int changesBefore = link.changes, scrollsBefore = link.scrolls;
    ds.disableControls();
    {
        ControlsDisabled inner(ds);
        ds.next();
        ds.edit();
        ds["NOME"].setAsString("Ana Maria");
        ds.post();
    }
    EXPECT_TRUE(ds.controlsDisabled());
    EXPECT_EQ(link.scrolls, scrollsBefore);
    EXPECT_EQ(link.changes, changesBefore);
    EXPECT_EQ(stateChanges, 2);
    ds.enableControls();
    EXPECT_FALSE(ds.controlsDisabled());
    EXPECT_EQ(link.changes, changesBefore + 1); // one "data changed" at the end
    EXPECT_EQ(stateChanges, 2);                 // the state is browse as before
    ds.disableControls();
    ds.edit();
    ds.enableControls(); // the state differs from when controls were disabled
    EXPECT_EQ(stateChanges, 3);
    ds.cancel();

    // a post first asks the controls for their pending text
    ds.edit();
    link.pendingText = "Digitado";
    ds.post();
    EXPECT_EQ(ds["NOME"].asString(), "Digitado");
    EXPECT_GE(link.updates, 1);
}

TEST_F(EditingTest, DataSourceOutlivesOrDiesBeforeItsDataSet) {
    auto link = std::make_unique<CountingLink>();
    {
        auto other = std::make_unique<DataSet>("cdsOutro", testing::partyFields());
        DataSource source(other.get());
        link->setDataSource(&source);
        other->createDataSet();
        EXPECT_TRUE(link->active());
        other.reset();
        EXPECT_EQ(source.dataSet(), nullptr);
        EXPECT_FALSE(link->active());
    }
    EXPECT_EQ(link->dataSource(), nullptr);
}

TEST_F(EditingTest, ShownRowFeedsReadsAndGetTextWithoutMoving) {
    ds["MARCA"].onGetText = [](Field& f, std::string& text, bool) {
        text = f.dataSet().fieldByName("NOME").asString() + "/" + f.asString();
    };
    ds.next(); // Ana
    ds.insert();
    ds["NOME"].setAsString("Nova");
    log.take();
    ASSERT_EQ(ds.displayRowCount(), 4);
    ASSERT_EQ(ds.displayCurrent(), 1);
    std::vector<std::string> shown;
    for (int row = 0; row < ds.displayRowCount(); ++row) {
        ShowRow show(ds, row);
        shown.push_back(ds["MARCA"].displayText());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Bruno/N", "Nova/", "Ana/N", "Carla/N"}));
    EXPECT_TRUE(log.take().empty());
    EXPECT_EQ(ds["NOME"].asString(), "Nova");
    EXPECT_EQ(ds.state(), DataSetState::Insert);
    {
        ShowRow outside(ds, 9);
        EXPECT_TRUE(ds["NOME"].isNull());
    }
    ds.cancel();
}

TEST_F(EditingTest, AppendRecordRefusesBadValuesAndLeavesNoRow) {
    ds.appendRecord({"0005", "Elisa", "Natal", 10.0});
    EXPECT_EQ(ds.recordCount(), 4);
    EXPECT_THROW(ds.appendRecord({"00006"}), DataSetError);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.recordCount(), 4);
}

} // namespace
} // namespace ct
