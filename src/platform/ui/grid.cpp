#include "platform/ui/grid.h"

#include "platform/host/dispatch.h"
#include "platform/ui/container.h"
#include "platform/ui/edit_mask.h"
#include "platform/ui/flag_scope.h"
#include "platform/ui/form.h"
#include "platform/ui/text_compare.h"
#include "platform/ui/ui_error.h"
#include "platform/ui/utf8.h"

namespace ct {
namespace {} // namespace

// ----- Column -----

Column::Column(DBGrid& grid, std::string fieldName)
    : grid_(&grid)
    , fieldName_(std::move(fieldName)) {}

int Column::index() const {
    for (int i = 0; i < grid_->columnCount(); ++i)
        if (&grid_->column(i) == this)
            return i;
    return -1;
}

void Column::changed() {
    grid_->columnsChanged();
}

void Column::setFieldName(std::string name) {
    fieldName_ = std::move(name);
    changed();
}

Field* Column::field() const {
    DataSet* set = grid_->dataSet();
    if (!set || !set->active())
        return nullptr;
    return set->findField(fieldName_);
}

std::string Column::title() const {
    if (!title_.empty())
        return title_;
    if (Field* f = field())
        return f->label();
    return fieldName_;
}

void Column::setTitle(std::string title) {
    title_ = std::move(title);
    changed();
}

void Column::setTitleAlignment(Alignment alignment) {
    titleAlignment_ = alignment;
    changed();
}

void Column::setTitleFont(Font font) {
    titleFont_ = std::move(font);
    changed();
}

void Column::setWidth(int width) {
    width_ = width;
    changed();
}

void Column::setReadOnly(bool readOnly) {
    if (readOnly_ == readOnly)
        return;
    readOnly_ = readOnly;
    if (readOnly && grid_->selectedColumn() == this && !grid_->editorModified())
        grid_->hideEditor();
    changed();
}

void Column::setButtonStyle(ColumnButton button) {
    button_ = button;
    changed();
}

void Column::setVisible(bool visible) {
    visible_ = visible;
    changed();
}

void Column::setAlignment(Alignment alignment) {
    alignment_ = alignment;
    changed();
}

// ----- DBGrid -----

DBGrid::DBGrid(Container& parent, std::string name, DataSource* source)
    : Control(&parent, std::move(name), ControlKind::DBGrid) {
    link_.onDataChange = [this] { dataChanged(); };
    link_.onStateChange = [this] {
        // A post or cancel ends the cell editing; what was typed was handed in or dropped.
        if (!link_.editing() && !typing_) {
            editorMode_ = false;
            editorModified_ = false;
            notify(Property::EditorText);
        }
        notify(Property::Data);
    };
    link_.onUpdateData = [this] { commitEdit(); };
    link_.setDataSource(source);
}

DBGrid::~DBGrid() = default;

void DBGrid::setDataSource(DataSource* source) {
    hideEditor();
    link_.setDataSource(source);
    notify(Property::Data);
}

Column& DBGrid::addColumn(std::string fieldName, std::string title, int width) {
    columns_.push_back(std::make_unique<Column>(*this, std::move(fieldName)));
    Column& c = *columns_.back();
    c.setTitle(std::move(title));
    c.setWidth(width);
    columnsChanged();
    return c;
}

void DBGrid::clearColumns() {
    hideEditor();
    columns_.clear();
    selected_ = 0;
    columnsChanged();
}

Column& DBGrid::column(int index) const {
    if (index < 0 || index >= columnCount())
        throw UiError("Coluna " + std::to_string(index) + " inexistente em " + name() + ".");
    return *columns_[static_cast<std::size_t>(index)];
}

int DBGrid::findColumn(std::string_view fieldName) const {
    for (int i = 0; i < columnCount(); ++i)
        if (textEqualNoCase(columns_[static_cast<std::size_t>(i)]->fieldName(), fieldName))
            return i;
    return -1;
}

Column* DBGrid::selectedColumn() const {
    if (selected_ < 0 || selected_ >= columnCount())
        return nullptr;
    return columns_[static_cast<std::size_t>(selected_)].get();
}

Field* DBGrid::selectedField() const {
    Column* c = selectedColumn();
    return c ? c->field() : nullptr;
}

void DBGrid::setSelectedIndex(int index) {
    if (index < 0 || index >= columnCount())
        throw UiError("Coluna " + std::to_string(index) + " inexistente em " + name() + ".");
    moveCol(index);
}

void DBGrid::setSelectedField(std::string_view fieldName) {
    const int index = findColumn(fieldName);
    if (index < 0)
        throw UiError("A grade " + name() + " não tem coluna para " + std::string(fieldName) + ".");
    moveCol(index);
}

void DBGrid::setOptions(const GridOptions& options) {
    if (options_ == options)
        return;
    options_ = options;
    if (!options_.editing && !editorModified_)
        hideEditor();
    notify(Property::Options);
}

void DBGrid::setEditing(bool on) {
    GridOptions changed = options_;
    changed.editing = on;
    setOptions(changed);
}

// ----- editor -----

bool DBGrid::canEditCell() const {
    if (readOnly() || !options_.editing)
        return false;
    Column* c = selectedColumn();
    if (!c || c->readOnly())
        return false;
    Field* f = c->field();
    return f && !f->readOnly() && !f->calculated();
}

bool DBGrid::showEditor() {
    if (!canEditCell())
        return false;
    Field* f = selectedField();
    editorText_ = f ? f->text() : std::string{};
    editorMode_ = true;
    editorModified_ = false;
    editorSelected_ = true;
    notify(Property::EditorText);
    return true;
}

void DBGrid::hideEditor() {
    if (!editorMode_ && !editorModified_)
        return;
    editorMode_ = false;
    editorModified_ = false;
    editorSelected_ = false;
    editorText_.clear();
    notify(Property::EditorText);
}

void DBGrid::commitEdit() {
    if (!editorMode_ || !editorModified_)
        return;
    Field* f = selectedField();
    if (!f) {
        editorModified_ = false;
        return;
    }
    DataSet& set = f->dataSet();
    if (!set.editing())
        set.edit();
    // A text the field refuses throws and stays in the editor, so the user can fix it.
    f->setText(EditMask(f->editMask()).stored(editorText_));
    editorModified_ = false;
    editorText_ = f->text();
    notify(Property::EditorText);
}

void DBGrid::dataChanged() {
    if (drawing_)
        return;
    // Typed text waits for its commit; otherwise the editor follows the field.
    if (editorMode_ && !editorModified_) {
        Field* f = selectedField();
        const std::string now = f ? f->text() : std::string{};
        if (now != editorText_) {
            editorText_ = now;
            notify(Property::EditorText);
        }
    }
    notify(Property::Data);
}

void DBGrid::typeChar(char32_t ch) {
    if (!canEditCell())
        return;
    DataSet* set = dataSet();
    if (!set || !set->active())
        return;
    {
        FlagScope typing(typing_);
        if (!set->editing())
            set->edit();
    }
    // The edit may have run handlers that moved the column or the focus.
    if (!canEditCell() || !set->editing())
        return;
    if (!editorMode_ && !showEditor())
        return;
    std::u32string current = editorSelected_ ? std::u32string{} : utf8::decode(editorText_);
    Field* f = selectedField();
    const EditMask mask(f ? f->editMask() : std::string{});
    if (!mask.empty()) {
        // The field's mask shapes the cell as it does a masked edit.
        if (static_cast<int>(current.size()) >= mask.length() || !mask.accepts(ch, current))
            return;
        current = mask.shape(current + ch);
    } else {
        if (f && f->isText() && f->size() > 0 && static_cast<int>(current.size()) >= f->size())
            return;
        current.push_back(ch);
    }
    editorText_ = utf8::encode(current);
    editorSelected_ = false;
    editorModified_ = true;
    notify(Property::EditorText);
}

void DBGrid::backspace() {
    if (!canEditCell())
        return;
    DataSet* set = dataSet();
    if (!set || !set->active())
        return;
    {
        FlagScope typing(typing_);
        if (!set->editing())
            set->edit();
    }
    if (!editorMode_ && !showEditor())
        return;
    std::u32string current = editorSelected_ ? std::u32string{} : utf8::decode(editorText_);
    if (!current.empty())
        current.pop_back();
    Field* f = selectedField();
    editorText_ = utf8::encode(EditMask(f ? f->editMask() : std::string{}).shape(current));
    editorSelected_ = false;
    editorModified_ = true;
    notify(Property::EditorText);
}

// ----- moves -----

void DBGrid::moveCol(int index) {
    commitEdit();
    if (index == selected_)
        return;
    const int old = selected_;
    if (!inColExit_) {
        {
            FlagScope exiting(inColExit_);
            if (onColExit)
                onColExit();
        }
        // A change asked for by the exit handler has already happened and wins.
        if (selected_ != old)
            return;
    }
    hideEditor();
    selected_ = index;
    notify(Property::SelectedColumn);
    if (onColEnter)
        onColEnter();
}

void DBGrid::moveRow(int row) {
    DataSet* set = dataSet();
    if (!set || !set->active())
        return;
    // An untouched new row is dropped rather than posted when the user moves away from it.
    if (options_.cancelOnExit && set->state() == DataSetState::Insert && !set->modified() &&
        !editorModified_) {
        hideEditor();
        set->cancel();
    } else {
        commitEdit();
    }
    if (row == set->recNo())
        return;
    hideEditor();
    set->setRecNo(row);
}

void DBGrid::leaving() {
    DataSet* set = dataSet();
    if (set && options_.cancelOnExit && set->state() == DataSetState::Insert && !set->modified() &&
        !editorModified_) {
        hideEditor();
        set->cancel();
        return;
    }
    commitEdit();
    hideEditor();
}

void DBGrid::appendRow() {
    DataSet* set = dataSet();
    if (readOnly() || !options_.editing)
        return;
    // A new row nobody typed into yet stays the only new row.
    if (set->state() == DataSetState::Insert && !set->modified() && !editorModified_)
        return;
    commitEdit();
    hideEditor();
    set->post();
    set->append();
}

void DBGrid::click() {
    if (Column* c = selectedColumn(); c && onCellClick)
        onCellClick(*c);
}

void DBGrid::clickTitle(Column& column) {
    if (onTitleClick)
        onTitleClick(column);
}

void DBGrid::clickEllipsis() {
    Column* c = selectedColumn();
    if (c && c->buttonStyle() == ColumnButton::Ellipsis && onEditButtonClick)
        onEditButtonClick();
}

// ----- keys -----

void DBGrid::keyDown(int& key, ShiftState shift) {
    if (onKeyDown)
        onKeyDown(key, shift);
    DataSet* set = dataSet();
    switch (key) {
    case keyTab: {
        key = keyNone;
        if (columnCount() == 0)
            return;
        const int next = selected_ + (shift.shift ? -1 : 1);
        if (next >= 0 && next < columnCount()) {
            moveCol(next);
        } else if (set && set->active()) {
            // Past the last column: first column of the next row (and back again).
            const int row = set->recNo() + (shift.shift ? -1 : 1);
            if (row >= 1 && row <= set->recordCount()) {
                moveRow(row);
                moveCol(shift.shift ? columnCount() - 1 : 0);
            }
        }
        return;
    }
    case keyArrowLeft:
    case keyArrowRight:
        if (editorMode_)
            return;
        {
            const int next = selected_ + (key == keyArrowLeft ? -1 : 1);
            key = keyNone;
            if (next >= 0 && next < columnCount())
                moveCol(next);
        }
        return;
    case keyArrowUp:
    case keyArrowDown:
    case keyPageUp:
    case keyPageDown: {
        const int step = (key == keyArrowUp)     ? -1
                         : (key == keyArrowDown) ? 1
                         : (key == keyPageUp)    ? -10
                                                 : 10;
        key = keyNone;
        if (!set || !set->active())
            return;
        const int count = set->recordCount();
        if (step == 1 && set->recNo() >= count) {
            // Down past the last row starts a new one, as in any editable grid.
            appendRow();
            return;
        }
        int row = set->recNo() + step;
        row = std::max(1, std::min(row, count));
        if (count > 0)
            moveRow(row);
        return;
    }
    case keyInsert:
        key = keyNone;
        if (set && set->active() && !readOnly() && options_.editing && !shift.ctrl) {
            commitEdit();
            hideEditor();
            set->insert();
        }
        return;
    case keyF1 + 1: // F2 opens the editor
        key = keyNone;
        showEditor();
        return;
    default:
        return;
    }
}

void DBGrid::keyPress(char32_t& key) {
    if (onKeyPress)
        onKeyPress(key);
    switch (key) {
    case 0:
    case 9:
        return;
    case 8:
        backspace();
        return;
    case 13:
        if (editorMode_) {
            commitEdit();
            hideEditor();
        } else {
            showEditor();
        }
        return;
    case 27: {
        if (editorMode_ && editorModified_) {
            Field* f = selectedField();
            editorText_ = f ? f->text() : std::string{};
            editorModified_ = false;
            editorSelected_ = true;
            notify(Property::EditorText);
            return;
        }
        hideEditor();
        if (DataSet* set = dataSet(); set && set->editing())
            set->cancel();
        return;
    }
    default:
        if (key < 32)
            return;
        typeChar(key);
        return;
    }
}

// ----- user actions -----

bool DBGrid::focusForUser() {
    if (!enabledInChain() || !showing())
        return false;
    if (focused())
        return true;
    Form* f = form();
    return f ? f->userFocus(*this) : true;
}

bool DBGrid::userSelectColumn(int index) {
    if (index < 0 || index >= columnCount() || !focusForUser())
        return false;
    return dispatch([&] { moveCol(index); }) && selected_ == index;
}

bool DBGrid::userSelectRow(int row) {
    if (!focusForUser())
        return false;
    DataSet* set = dataSet();
    if (!set || !set->active() || row < 1 || row > set->recordCount())
        return false;
    return dispatch([&] { moveRow(row); });
}

bool DBGrid::userClickCell(int row, int col) {
    if (col < 0 || col >= columnCount() || !focusForUser())
        return false;
    return dispatch([&] {
        if (DataSet* set = dataSet(); set && set->active() && row >= 1 && row != set->recNo())
            moveRow(row);
        moveCol(col);
        if (selected_ == col)
            click();
    });
}

bool DBGrid::userClickTitle(int col) {
    if (col < 0 || col >= columnCount() || !options_.titles || !focusForUser())
        return false;
    return dispatch([&] { clickTitle(column(col)); });
}

bool DBGrid::userClickEllipsis(int col) {
    if (col < 0 || col >= columnCount() || !focusForUser())
        return false;
    if (column(col).buttonStyle() != ColumnButton::Ellipsis)
        return false;
    return dispatch([&] {
        moveCol(col);
        if (selected_ == col)
            clickEllipsis();
    });
}

bool DBGrid::userTypeCell(int col, std::string_view text) {
    if (!userSelectColumn(col) || !canEditCell())
        return false;
    Form* f = form();
    if (!f)
        return false;
    if (editorMode_)
        editorSelected_ = true;
    bool complete = true;
    for (char32_t ch : utf8::decode(text)) {
        if (!focused() || selected_ != col)
            return false;
        complete = f->userChar(ch) && complete;
    }
    return complete;
}

// ----- drawing -----

template <class F> bool DBGrid::onRow(int row, F&& fn) {
    DataSet* set = dataSet();
    if (!set || !set->active())
        return false;
    if (row == set->displayCurrent() + 1) {
        fn();
        return true;
    }
    if (row < 1 || row > set->displayRowCount())
        return false;
    // Field reads show the other row; the cursor, an edit under way and the events stay put.
    FlagScope drawing(drawing_);
    ShowRow shown(*set, row - 1);
    fn();
    return true;
}

std::string DBGrid::cellText(int row, int col) {
    if (col < 0 || col >= columnCount())
        return {};
    std::string text;
    onRow(row, [&] {
        DataSet* set = dataSet();
        if (editorMode_ && col == selected_ && set && row == set->recNo()) {
            text = editorText_;
            return;
        }
        if (Field* f = column(col).field())
            text = f->displayText();
    });
    return text;
}

int DBGrid::rowCount() const {
    DataSet* set = dataSet();
    if (!set || !set->active())
        return 0;
    return set->recordCount() + (set->state() == DataSetState::Insert ? 1 : 0);
}

void DBGrid::defaultDrawColumnCell(DrawCellArgs& args) {
    args.canvas.fillRect(args.rect);
    std::string text;
    if (args.selected && editorMode_)
        text = editorText_;
    else if (Field* f = args.column.field())
        text = f->displayText();
    args.canvas.textRect(args.rect, text, args.column.alignment());
}

bool DBGrid::drawCell(int row, int col, Canvas& canvas, const Rect& rect) {
    if (col < 0 || col >= columnCount())
        return false;
    bool drawn = false;
    const bool ok = dispatch([&] {
        drawn = onRow(row, [&] {
            DataSet* set = dataSet();
            DrawCellArgs args{canvas, rect,        row,
                              col,    column(col), set && row == set->recNo() && col == selected_};
            defaultDrawColumnCell(args);
            if (onDrawColumnCell)
                onDrawColumnCell(args);
        });
    });
    return ok && drawn;
}

std::string GridText(DBGrid& grid, std::string_view fieldName, bool displayText) {
    const int col = grid.findColumn(fieldName);
    if (col >= 0 && col == grid.selectedIndex() && grid.editorMode())
        return grid.editorText();
    DataSet* set = grid.dataSet();
    if (!set || !set->active())
        return {};
    Field* f = set->findField(fieldName);
    if (!f)
        return {};
    return displayText ? f->displayText() : f->text();
}

int IndiceCol(const DBGrid& grid, std::string_view fieldName) {
    return grid.findColumn(fieldName);
}

} // namespace ct
