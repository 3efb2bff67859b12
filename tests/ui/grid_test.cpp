#include "platform/dataset/data_source.h"
#include "platform/dataset/dataset.h"
#include "platform/host/dispatch.h"
#include "platform/host/silent_abort.h"
#include "platform/ui/form.h"
#include "platform/ui/grid.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ct {
namespace {

std::vector<FieldDef> gridFields() {
    FieldDef value = FieldDef::number("VRRECECONTOREV", "Vr. Cobrado");
    value.displayFormat = "#,##0.00";
    value.editFormat = "0.00";
    return {FieldDef::fixedString("IDMARCADO", 1),
            FieldDef::string("NRINSJURCLIE", 20, "Inscrição"),
            FieldDef::string("NMFANTCLIE", 50, "Nome do Contratante"), value,
            FieldDef::fixedString("IDCONTRESPCOTAORCA", 1)};
}

struct GridForm : Form {
    DataSet cds{"cdsEndeCont", gridFields()};
    DataSource dts{&cds};
    DBGrid dbg{*this, "dbgPadrao", &dts};
    Edit edtOther{*this, "edtOther"};
    std::vector<std::string> log;

    GridForm()
        : Form("frmGrid") {
        cds.createDataSet();
        cds.appendRecord({"N", "11122233344", "Ana", 1500.0, "N"});
        cds.appendRecord({"S", "55566677788", "Bia", 123456789.0, "S"});
        cds.appendRecord({"N", "99988877766", "Caio", nullptr, "N"});
        cds.mergeChangeLog();
        cds.first();
        dbg.addColumn("IDMARCADO", "4", 17).setReadOnly(true);
        dbg.addColumn("NRINSJURCLIE", {}, 109).setButtonStyle(ColumnButton::Ellipsis);
        dbg.addColumn("NMFANTCLIE", {}, 261).setReadOnly(true);
        dbg.addColumn("VRRECECONTOREV").setTitleAlignment(Alignment::Right);
        dbg.onColEnter = [this] { log.push_back("enter " + dbg.selectedColumn()->fieldName()); };
        dbg.onColExit = [this] { log.push_back("exit " + dbg.selectedColumn()->fieldName()); };
    }
    int col(const char* field) const { return dbg.findColumn(field); }
};

class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = setErrorDisplay([this](const std::string& text) { errors.push_back(text); });
    }
    void TearDown() override { setErrorDisplay(previous_); }
    std::vector<std::string> errors;

private:
    ErrorDisplay previous_;
};

TEST_F(GridTest, ColumnsByFieldAndTitles) {
    GridForm f;
    EXPECT_EQ(IndiceCol(f.dbg, "NRINSJURCLIE"), 1);
    EXPECT_EQ(IndiceCol(f.dbg, "vrrececontorev"), 3);
    EXPECT_EQ(IndiceCol(f.dbg, "NMPAIS"), -1);
    EXPECT_EQ(f.dbg.column(1).title(), "Inscrição"); // the field's label
    EXPECT_EQ(f.dbg.column(0).title(), "4");
    EXPECT_THROW(f.dbg.column(9), UiError);
    EXPECT_THROW(f.dbg.setSelectedField("NMPAIS"), UiError);
}

TEST_F(GridTest, KeyHandlerRefusesCharactersAndGridTextShowsTheEditor) {
    GridForm f;
    f.dbg.onKeyPress = [&f](char32_t& key) {
        if (f.dbg.selectedField()->name() == "NRINSJURCLIE" && key >= 32 &&
            (key < U'0' || key > U'9'))
            key = 0;
    };
    ASSERT_TRUE(f.dbg.userTypeCell(f.col("NRINSJURCLIE"), "12a.3"));
    EXPECT_EQ(f.cds.state(), DataSetState::Edit);
    EXPECT_TRUE(f.dbg.editorMode());
    EXPECT_EQ(f.dbg.editorText(), "123");
    // Both flags read the editor while its column is being edited; the field is untouched.
    EXPECT_EQ(GridText(f.dbg, "NRINSJURCLIE", true), "123");
    EXPECT_EQ(GridText(f.dbg, "NRINSJURCLIE", false), "123");
    EXPECT_EQ(f.cds.fieldByName("NRINSJURCLIE").asString(), "11122233344");
    // Other columns read the field: display text with true, edit text with false.
    EXPECT_EQ(GridText(f.dbg, "VRRECECONTOREV", true), "1.500,00");
    EXPECT_EQ(GridText(f.dbg, "VRRECECONTOREV", false), "1500,00");
    EXPECT_EQ(GridText(f.dbg, "NMPAIS", true), "");
    // Leaving the cell hands the text to the field.
    ASSERT_TRUE(f.dbg.userSelectColumn(f.col("VRRECECONTOREV")));
    EXPECT_EQ(f.cds.fieldByName("NRINSJURCLIE").asString(), "123");
    EXPECT_FALSE(f.dbg.editorMode());
    EXPECT_EQ(GridText(f.dbg, "NRINSJURCLIE", false), "123");
}

TEST_F(GridTest, TypingReplacesTheCellAndBackspaceEdits) {
    GridForm f;
    ASSERT_TRUE(f.dbg.userTypeCell(f.col("VRRECECONTOREV"), "25,5"));
    EXPECT_EQ(f.dbg.editorText(), "25,5");
    f.userKey(keyBackspace);
    EXPECT_EQ(GridText(f.dbg, "VRRECECONTOREV", false), "25,");
    f.userKey(keyEnter); // commits the editor and closes it
    EXPECT_FALSE(f.dbg.editorMode());
    EXPECT_DOUBLE_EQ(f.cds.fieldByName("VRRECECONTOREV").asFloat(), 25);
    EXPECT_EQ(f.cds.state(), DataSetState::Edit);
}

TEST_F(GridTest, FieldMaskShapesTheCellAndStoresWithoutLiterals) {
    GridForm f;
    f.cds.fieldByName("NRINSJURCLIE").setEditMask("999.999.999-99;0;_");
    f.dbg.userTypeCell(f.col("NRINSJURCLIE"), "987x65432100999");
    EXPECT_EQ(f.dbg.editorText(), "987.654.321-00");
    f.userKey(keyBackspace);
    f.userKey(keyBackspace);
    EXPECT_EQ(GridText(f.dbg, "NRINSJURCLIE", false), "987.654.321");
    f.dbg.userSelectColumn(f.col("VRRECECONTOREV"));
    EXPECT_EQ(f.cds.fieldByName("NRINSJURCLIE").asString(), "987654321");
}

TEST_F(GridTest, ReadOnlyCellsAndEditingOffTakeNoTyping) {
    GridForm f;
    EXPECT_FALSE(f.dbg.userTypeCell(f.col("NMFANTCLIE"), "Zé"));
    EXPECT_EQ(f.cds.state(), DataSetState::Browse);
    EXPECT_FALSE(f.dbg.canEditCell());
    f.dbg.setEditing(false);
    EXPECT_FALSE(f.dbg.userTypeCell(f.col("NRINSJURCLIE"), "1"));
    f.userChar(U'1'); // a key typed into the cell anyway changes nothing
    EXPECT_EQ(f.cds.state(), DataSetState::Browse);
    EXPECT_FALSE(f.dbg.editorMode());
    f.dbg.setEditing(true);
    f.cds.fieldByName("NRINSJURCLIE").setReadOnly(true);
    f.dbg.userTypeCell(f.col("NRINSJURCLIE"), "1");
    EXPECT_EQ(f.cds.state(), DataSetState::Browse);
}

TEST_F(GridTest, ColumnExitRunsBeforeColumnEnterWithTheCellAlreadyWritten) {
    GridForm f;
    std::string seenInExit;
    f.dbg.onColExit = [&] {
        f.log.push_back("exit " + f.dbg.selectedColumn()->fieldName());
        seenInExit = f.cds.fieldByName("NRINSJURCLIE").asString();
    };
    f.dbg.userTypeCell(f.col("NRINSJURCLIE"), "777");
    f.dbg.userSelectColumn(f.col("VRRECECONTOREV"));
    EXPECT_EQ(f.log, (std::vector<std::string>{"exit IDMARCADO", "enter NRINSJURCLIE",
                                               "exit NRINSJURCLIE", "enter VRRECECONTOREV"}));
    EXPECT_EQ(seenInExit, "777");
    // Tab and arrows move between columns too.
    f.log.clear();
    f.userKey(keyTab, ShiftState{true, false, false});
    EXPECT_EQ(f.dbg.selectedIndex(), f.col("NMFANTCLIE"));
    EXPECT_EQ(f.log, (std::vector<std::string>{"exit VRRECECONTOREV", "enter NMFANTCLIE"}));
}

TEST_F(GridTest, FailingColumnExitKeepsTheColumn) {
    GridForm f;
    f.dbg.setSelectedIndex(f.col("VRRECECONTOREV"));
    f.dbg.onColExit = [] { throw SilentAbort(); };
    EXPECT_FALSE(f.dbg.userSelectColumn(f.col("NRINSJURCLIE")));
    EXPECT_EQ(f.dbg.selectedIndex(), f.col("VRRECECONTOREV"));
    EXPECT_TRUE(errors.empty());
    // The program's change lets the failure through.
    EXPECT_THROW(f.dbg.setSelectedIndex(0), SilentAbort);
}

TEST_F(GridTest, ColumnChangeAskedForInColumnExitWins) {
    GridForm f;
    f.dbg.setSelectedIndex(f.col("NRINSJURCLIE"));
    f.log.clear();
    f.dbg.onColExit = [&] {
        f.log.push_back("exit " + f.dbg.selectedColumn()->fieldName());
        if (f.dbg.selectedColumn()->fieldName() == "NRINSJURCLIE")
            f.dbg.setSelectedField("NMFANTCLIE");
    };
    f.dbg.userSelectColumn(f.col("VRRECECONTOREV"));
    EXPECT_EQ(f.dbg.selectedColumn()->fieldName(), "NMFANTCLIE");
    EXPECT_EQ(f.log, (std::vector<std::string>{"exit NRINSJURCLIE", "enter NMFANTCLIE"}));
}

TEST_F(GridTest, CancelOnExitDropsAnUntouchedInsert) {
    GridForm f;
    f.cds.onNewRecord = [](DataSet& set) { set.fieldByName("IDMARCADO").setAsString("N"); };
    f.userFocus(f.dbg);
    f.cds.append();
    EXPECT_EQ(f.cds.state(), DataSetState::Insert);
    EXPECT_EQ(f.dbg.rowCount(), 4);
    ASSERT_TRUE(f.userFocus(f.edtOther));
    EXPECT_EQ(f.cds.state(), DataSetState::Browse);
    EXPECT_EQ(f.dbg.rowCount(), 3);

    // A typed cell is a modification: leaving hands it in and keeps the insert.
    f.userFocus(f.dbg);
    f.cds.append();
    f.dbg.userTypeCell(f.col("NRINSJURCLIE"), "1");
    ASSERT_TRUE(f.userFocus(f.edtOther));
    EXPECT_EQ(f.cds.state(), DataSetState::Insert);
    EXPECT_EQ(f.cds.fieldByName("NRINSJURCLIE").asString(), "1");
    f.cds.cancel();

    // Without the option the insert stays.
    GridOptions options = f.dbg.options();
    options.cancelOnExit = false;
    f.dbg.setOptions(options);
    f.userFocus(f.dbg);
    f.cds.append();
    f.userFocus(f.edtOther);
    EXPECT_EQ(f.cds.state(), DataSetState::Insert);
}

TEST_F(GridTest, MovingToAnotherRowHandsInTheCellAndPosts) {
    GridForm f;
    f.dbg.userTypeCell(f.col("VRRECECONTOREV"), "10");
    ASSERT_TRUE(f.dbg.userSelectRow(3));
    EXPECT_EQ(f.cds.recNo(), 3);
    EXPECT_EQ(f.cds.state(), DataSetState::Browse);
    f.cds.first();
    EXPECT_DOUBLE_EQ(f.cds.fieldByName("VRRECECONTOREV").asFloat(), 10);
    // Arrow keys move rows.
    f.userKey(keyArrowDown);
    EXPECT_EQ(f.cds.recNo(), 2);
    // A refused post keeps the row.
    f.cds.beforePost = [](DataSet&) { throw SilentAbort(); };
    f.dbg.userTypeCell(f.col("VRRECECONTOREV"), "5");
    EXPECT_FALSE(f.dbg.userSelectRow(1));
    EXPECT_EQ(f.cds.recNo(), 2);
    EXPECT_EQ(f.cds.state(), DataSetState::Edit);
}

TEST_F(GridTest, DownPastTheLastRowAndInsertStartANewRow) {
    struct Case {
        const char* what;
        bool editing;
        int key;
        int rowsBefore; // rows typed into new rows before the key
        int rows;       // rows the grid shows afterwards
        DataSetState state;
    };
    const std::vector<Case> cases{
        {"down on the last row appends", true, keyArrowDown, 0, 4, DataSetState::Insert},
        {"a typed new row is posted first", true, keyArrowDown, 1, 5, DataSetState::Insert},
        {"insert starts a row", true, keyInsert, 0, 4, DataSetState::Insert},
        {"editing off appends nothing", false, keyArrowDown, 0, 3, DataSetState::Browse},
    };
    for (const Case& c : cases) {
        GridForm f;
        GridOptions options = f.dbg.options();
        options.editing = c.editing;
        f.dbg.setOptions(options);
        f.userFocus(f.dbg);
        f.cds.last();
        for (int i = 0; i < c.rowsBefore; ++i) {
            f.userKey(keyArrowDown);
            f.dbg.userTypeCell(f.col("NRINSJURCLIE"), "7");
        }
        f.userKey(c.key);
        EXPECT_EQ(f.dbg.rowCount(), c.rows) << c.what;
        EXPECT_EQ(f.cds.state(), c.state) << c.what;
        // A second down on the untouched new row adds no other.
        f.userKey(keyArrowDown);
        EXPECT_EQ(f.dbg.rowCount(), c.rows) << c.what;
    }
}

TEST_F(GridTest, EscapeDropsTheTypingThenTheEdit) {
    GridForm f;
    f.dbg.userTypeCell(f.col("VRRECECONTOREV"), "99");
    f.userKey(keyEscape);
    EXPECT_EQ(f.dbg.editorText(), "1500,00");
    EXPECT_EQ(f.cds.state(), DataSetState::Edit);
    f.userKey(keyEscape);
    EXPECT_EQ(f.cds.state(), DataSetState::Browse);
    EXPECT_DOUBLE_EQ(f.cds.fieldByName("VRRECECONTOREV").asFloat(), 1500);
}

TEST_F(GridTest, ClicksReachTheirHandlers) {
    GridForm f;
    std::vector<std::string> events;
    f.dbg.onCellClick = [&](Column& c) { events.push_back("cell " + c.fieldName()); };
    f.dbg.onTitleClick = [&](Column& c) { events.push_back("title " + c.fieldName()); };
    f.dbg.onEditButtonClick = [&] {
        events.push_back("button " + f.dbg.selectedColumn()->fieldName());
    };
    f.dbg.onKeyDown = [&](int& key, ShiftState shift) {
        if (key == keySpace)
            events.push_back(shift.ctrl ? "ctrl+space" : "space");
    };
    f.userFocus(f.edtOther);
    EXPECT_TRUE(f.userClick(f.dbg)); // a click takes the focus and clicks the current cell
    EXPECT_EQ(f.activeControl(), &f.dbg);
    EXPECT_TRUE(f.dbg.userClickCell(2, f.col("NMFANTCLIE")));
    EXPECT_EQ(f.cds.recNo(), 2);
    EXPECT_TRUE(f.dbg.userClickTitle(0));
    EXPECT_EQ(f.dbg.selectedIndex(), f.col("NMFANTCLIE"));      // a title click selects nothing
    EXPECT_FALSE(f.dbg.userClickEllipsis(f.col("NMFANTCLIE"))); // no button there
    EXPECT_TRUE(f.dbg.userClickEllipsis(f.col("NRINSJURCLIE")));
    f.userKey(keySpace, ShiftState{false, true, false});
    f.userKey(keySpace);
    EXPECT_EQ(events,
              (std::vector<std::string>{"cell IDMARCADO", "cell NMFANTCLIE", "title IDMARCADO",
                                        "button NRINSJURCLIE", "ctrl+space", "space"}));
    f.dbg.setEnabled(false);
    EXPECT_FALSE(f.userClick(f.dbg));
    EXPECT_FALSE(f.dbg.userClickTitle(0));
    EXPECT_EQ(events.size(), 6u);
}

class RecordingCanvas : public Canvas {
public:
    std::vector<std::string> calls;
    void fillRect(const Rect&) override {
        calls.push_back(std::string("fill") + (font.bold ? " bold" : ""));
    }
    void textRect(const Rect&, const std::string& text, Alignment) override {
        calls.push_back(std::string("text ") + text + (font.bold ? " bold" : ""));
    }
    void drawPicture(const Rect& dest, const Picture& picture,
                     std::optional<Color> transparent) override {
        calls.push_back("picture " + std::to_string(picture.width) + " " +
                        std::to_string(dest.left) + (transparent ? " transparent" : ""));
    }
};

TEST_F(GridTest, DrawCellRunsOnTheRowBeingDrawn) {
    GridForm f;
    Image& img =
        f.make<Image>("imgCheck", Picture{16, 16, std::vector<Color>(256, colors::clOlive)});
    img.setVisible(false);
    int scrolls = 0;
    f.cds.afterScroll = [&](DataSet&) { ++scrolls; };
    f.dbg.onDrawColumnCell = [&](DrawCellArgs& args) {
        if (f.cds.fieldByName("IDCONTRESPCOTAORCA").asString() == "S") {
            args.canvas.font.bold = true;
            args.canvas.fillRect(args.rect);
            f.dbg.defaultDrawColumnCell(args);
        }
        if (args.column.fieldName() == "IDMARCADO" &&
            f.cds.fieldByName("IDMARCADO").asString() == "S")
            args.canvas.drawPicture(
                Rect{args.rect.left + 1, args.rect.top, args.rect.left + 17, args.rect.bottom},
                img.picture(), colors::clOlive);
    };
    RecordingCanvas plain;
    ASSERT_TRUE(f.dbg.drawCell(1, f.col("NMFANTCLIE"), plain, Rect{0, 0, 100, 18}));
    EXPECT_EQ(plain.calls, (std::vector<std::string>{"fill", "text Ana"}));
    RecordingCanvas bold;
    ASSERT_TRUE(f.dbg.drawCell(2, f.col("VRRECECONTOREV"), bold, Rect{0, 0, 100, 18}));
    EXPECT_EQ(bold.calls, (std::vector<std::string>{"fill", "text 123.456.789,00", "fill bold",
                                                    "fill bold", "text 123.456.789,00 bold"}));
    RecordingCanvas mark;
    ASSERT_TRUE(f.dbg.drawCell(2, 0, mark, Rect{10, 0, 27, 18}));
    EXPECT_EQ(mark.calls.back(), "picture 16 11 transparent");
    // Drawing other rows leaves the current row and raises no scroll events.
    EXPECT_EQ(f.cds.recNo(), 1);
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(f.dbg.cellText(3, f.col("NMFANTCLIE")), "Caio");
    EXPECT_EQ(f.dbg.cellText(9, f.col("NMFANTCLIE")), "");
}

TEST_F(GridTest, OtherRowsReadWhileTheDataSetIsEditing) {
    GridForm f;
    int scrolls = 0;
    f.cds.afterScroll = [&](DataSet&) { ++scrolls; };
    const int name = f.col("NMFANTCLIE");
    f.cds.edit();
    f.cds.fieldByName("NMFANTCLIE").setText("Ana Maria");
    EXPECT_EQ(f.dbg.cellText(1, name), "Ana Maria"); // the edit buffer
    EXPECT_EQ(f.dbg.cellText(2, name), "Bia");
    EXPECT_EQ(f.dbg.cellText(3, name), "Caio");
    EXPECT_EQ(f.dbg.cellText(4, name), "");
    RecordingCanvas other;
    ASSERT_TRUE(f.dbg.drawCell(2, f.col("VRRECECONTOREV"), other, Rect{0, 0, 100, 18}));
    EXPECT_EQ(other.calls, (std::vector<std::string>{"fill", "text 123.456.789,00"}));
    // Nothing moved, the edit goes on with what was written.
    EXPECT_EQ(f.cds.state(), DataSetState::Edit);
    EXPECT_EQ(f.cds.recNo(), 1);
    EXPECT_EQ(f.cds.fieldByName("NMFANTCLIE").asString(), "Ana Maria");
    EXPECT_EQ(scrolls, 0);
    f.cds.cancel();

    // A row being inserted before the second row shifts the rows after it by one.
    f.cds.next();
    f.cds.insert();
    f.cds.fieldByName("NMFANTCLIE").setText("Duda");
    scrolls = 0;
    EXPECT_EQ(f.dbg.rowCount(), 4);
    EXPECT_EQ(f.dbg.cellText(1, name), "Ana");
    EXPECT_EQ(f.dbg.cellText(2, name), "Duda");
    EXPECT_EQ(f.dbg.cellText(3, name), "Bia");
    EXPECT_EQ(f.dbg.cellText(4, name), "Caio");
    EXPECT_EQ(f.cds.state(), DataSetState::Insert);
    EXPECT_EQ(f.cds.fieldByName("NMFANTCLIE").asString(), "Duda");
    EXPECT_EQ(scrolls, 0);
}

} // namespace
} // namespace ct
