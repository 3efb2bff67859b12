#pragma once

#include "platform/ui/canvas.h"
#include "platform/ui/edits.h"
#include "platform/ui/field_link.h"

#include <memory>
#include <vector>

namespace ct {

class DBGrid;

enum class ColumnButton { None, Ellipsis };

// A column of a data grid, bound to a field by name.
class Column {
public:
    Column(DBGrid& grid, std::string fieldName);

    DBGrid& grid() const { return *grid_; }
    int index() const;
    const std::string& fieldName() const { return fieldName_; }
    void setFieldName(std::string name);
    Field* field() const;
    // The title set on the column, else the field's display label, else the field name.
    std::string title() const;
    void setTitle(std::string title);
    Alignment titleAlignment() const { return titleAlignment_; }
    void setTitleAlignment(Alignment alignment);
    const Font& titleFont() const { return titleFont_; }
    void setTitleFont(Font font);
    int width() const { return width_; }
    void setWidth(int width);
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly);
    ColumnButton buttonStyle() const { return button_; }
    void setButtonStyle(ColumnButton button);
    bool visible() const { return visible_; }
    void setVisible(bool visible);
    Alignment alignment() const { return alignment_; }
    void setAlignment(Alignment alignment);

private:
    void changed();

    DBGrid* grid_;
    std::string fieldName_;
    std::string title_;
    Alignment titleAlignment_ = Alignment::Left;
    Font titleFont_;
    int width_ = 64;
    bool readOnly_ = false;
    ColumnButton button_ = ColumnButton::None;
    bool visible_ = true;
    Alignment alignment_ = Alignment::Left;
};

struct GridOptions {
    bool editing = true;
    bool titles = true;
    bool columnResize = true;
    bool colLines = true;
    bool rowLines = true;
    bool tabs = true;
    bool alwaysShowSelection = true;
    bool cancelOnExit = true;
    bool indicator = false;
    bool confirmDelete = true;
    bool rowSelect = false;
    bool operator==(const GridOptions&) const = default;
};

// What a draw-cell handler gets: while the handler runs, field reads show the row being drawn
// (the data set's cursor does not move).
struct DrawCellArgs {
    Canvas& canvas;
    Rect rect;
    int row = 0; // visible row, from 1
    int dataCol = 0;
    Column& column;
    bool selected = false; // the current cell
};

// A data grid bound to a data source. Columns name fields; one column is selected; an in-place
// editor holds what the user types into the selected cell until the user leaves the cell, moves
// to another row or leaves the grid, or a post begins. The first typed character puts the data set
// into edit (an insert on an empty set) and replaces the cell's text.
//
// A column change first writes the editor to its field, then runs the column-exit handler (a
// failure there keeps the column), then the column-enter handler. A column change asked for while
// the column-exit handler runs skips the exit handler and wins over the change under way.
class DBGrid : public Control {
public:
    DBGrid(Container& parent, std::string name, DataSource* source = nullptr);
    ~DBGrid() override;

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return link_.dataSource(); }
    DataSet* dataSet() const { return link_.dataSet(); }

    // --- columns ---
    Column& addColumn(std::string fieldName, std::string title = {}, int width = 64);
    void clearColumns();
    int columnCount() const { return static_cast<int>(columns_.size()); }
    Column& column(int index) const;
    // The index of the column bound to the field (case-insensitive), or -1.
    int findColumn(std::string_view fieldName) const;
    int selectedIndex() const { return selected_; }
    Column* selectedColumn() const;
    Field* selectedField() const;
    // The program's column change: the exit and enter handlers run, exceptions reach the caller.
    void setSelectedIndex(int index);
    void setSelectedField(std::string_view fieldName);

    // --- options ---
    const GridOptions& options() const { return options_; }
    void setOptions(const GridOptions& options);
    bool editingAllowed() const { return options_.editing; }
    void setEditing(bool on);

    // --- in-place editor ---
    bool editorMode() const { return editorMode_; }
    const std::string& editorText() const { return editorText_; }
    bool editorModified() const { return editorModified_; }
    // Whether the selected cell can be typed into now.
    bool canEditCell() const;
    // Opens the editor on the selected cell with the field's edit text (all selected).
    bool showEditor();
    void hideEditor();
    // Writes the editor's text to its field when it was typed into.
    void commitEdit() override;

    // --- drawing ---
    // Text of a cell as shown: the editor's text for the cell being edited, the field's display
    // text otherwise. Rows are the grid's rows from 1 (a row being inserted included); any row can
    // be read, also while the data set is editing, without moving its cursor.
    std::string cellText(int row, int col);
    // Rows the grid shows: the data set's visible rows and a row being inserted.
    int rowCount() const;
    // Paints the grid's own drawing of a cell, then runs the draw-cell handler.
    bool drawCell(int row, int col, Canvas& canvas, const Rect& rect);
    // The grid's own drawing of a cell (for draw-cell handlers).
    void defaultDrawColumnCell(DrawCellArgs& args);

    // --- user actions (through the event dispatcher; false when refused or failed) ---
    bool userSelectColumn(int index);
    bool userSelectRow(int row);
    bool userClickCell(int row, int col);
    bool userClickTitle(int col);
    bool userClickEllipsis(int col);
    // Selects the column and types the text into its cell, key by key; false at once when the cell
    // cannot be typed into (read-only column or field, editing off).
    bool userTypeCell(int col, std::string_view text);

    // A program's click: a click on the current cell.
    void click() override;
    void clickTitle(Column& column);
    void clickEllipsis();

    bool acceptsFocus() const override { return true; }
    bool wantsTab() const override { return options_.tabs; }
    void keyDown(int& key, ShiftState shift) override;
    void keyPress(char32_t& key) override;

    // Events bound by the screen (onEnter and onExit are the control's).
    Handler onColEnter;
    Handler onColExit;
    KeyPressHandler onKeyPress;
    KeyDownHandler onKeyDown;
    std::function<void(Column& column)> onCellClick;
    std::function<void(Column& column)> onTitleClick;
    Handler onEditButtonClick;
    std::function<void(DrawCellArgs& args)> onDrawColumnCell;

protected:
    void leaving() override;

private:
    friend class Column;
    void moveCol(int index);
    void moveRow(int row);
    void appendRow();
    void typeChar(char32_t ch);
    void backspace();
    void dataChanged();
    // Runs fn with the data set on the given visible row, restoring the row afterwards.
    template <class F> bool onRow(int row, F&& fn);
    void columnsChanged() { notify(Property::Columns); }
    bool focusForUser();

    FieldLink link_;
    std::vector<std::unique_ptr<Column>> columns_;
    int selected_ = 0;
    GridOptions options_;
    bool editorMode_ = false;
    bool editorModified_ = false;
    bool editorSelected_ = false;
    std::string editorText_;
    bool inColExit_ = false;
    bool drawing_ = false;
    bool typing_ = false;
};

// The text of the named column in the grid's current row: the in-place editor's text while that
// column is being edited; otherwise the field's display text when `displayText` is true and its
// edit text when false. Empty for an unknown field or a closed data set.
std::string GridText(DBGrid& grid, std::string_view fieldName, bool displayText);
// The index of the column bound to the field, or -1.
int IndiceCol(const DBGrid& grid, std::string_view fieldName);

} // namespace ct
