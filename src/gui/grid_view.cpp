#include "gui/grid_view.h"

#include "gui/control_mirror.h"
#include "gui/form_view.h"
#include "gui/grid_model.h"
#include "gui/qt_canvas.h"
#include "gui/qt_convert.h"
#include "gui/window_settings.h"
#include "platform/dataset/dataset.h"
#include "platform/ui/flag_scope.h"
#include "platform/ui/grid.h"
#include "platform/ui/grid_order.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

namespace ct::gui {
namespace {

// Paints a cell through the headless grid.
class GridDelegate final : public QStyledItemDelegate {
public:
    explicit GridDelegate(GridView& view)
        : QStyledItemDelegate(&view)
        , view_(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        DBGrid& grid = view_.grid();
        DataSet* set = grid.dataSet();
        const bool current =
            set && index.row() == set->displayCurrent() && index.column() == grid.selectedIndex();
        const bool editing = current && grid.editorMode();
        QtCanvas canvas(*painter, option.font);
        const QPalette& palette = option.palette;
        if (current && !editing) {
            canvas.brushColor = fromQColor(palette.color(QPalette::Highlight));
            canvas.font.color = fromQColor(palette.color(QPalette::HighlightedText));
        } else {
            canvas.brushColor = grid.color();
        }
        const QRect r = option.rect;
        const Rect rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
        painter->save();
        grid.drawCell(index.row() + 1, index.column(), canvas, rect);
        painter->restore();
        if (editing) {
            painter->save();
            painter->setPen(palette.color(QPalette::Highlight));
            painter->drawRect(r.adjusted(0, 0, -1, -1));
            painter->restore();
        }
        const QRect button = view_.ellipsisRect(index);
        if (!button.isEmpty()) {
            painter->save();
            painter->fillRect(button, palette.color(QPalette::Button));
            painter->setPen(palette.color(QPalette::Mid));
            painter->drawRect(button.adjusted(0, 0, -1, -1));
            painter->setPen(palette.color(QPalette::ButtonText));
            painter->drawText(button, Qt::AlignCenter, QStringLiteral("…"));
            painter->restore();
        }
    }

private:
    GridView& view_;
};

class GridMirror final : public ControlMirror {
public:
    GridMirror(FormView& view, DBGrid& grid, GridView* table)
        : ControlMirror(view, grid, table)
        , table_(table) {}

protected:
    void refresh(Property property) override {
        ControlMirror::refresh(property);
        switch (property) {
        case Property::Columns:
            table_->showGrid(true);
            break;
        case Property::Data:
        case Property::EditorText:
        case Property::SelectedColumn:
        case Property::Options:
        case Property::Focus:
            table_->showGrid(false);
            break;
        default:
            break;
        }
    }

private:
    GridView* table_;
};

} // namespace

GridView::GridView(FormView& view, DBGrid& grid, QWidget* parent)
    : QTableView(parent)
    , view_(view)
    , grid_(grid)
    , model_(new GridModel(grid, this)) {
    setModel(model_);
    setItemDelegate(new GridDelegate(*this));
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setMouseTracking(true);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(20);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setMinimumSectionSize(8); // the mark column is 17 pixels wide
    horizontalHeader()->setHighlightSections(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        grid_.userClickTitle(section);
        showSortIndicator();
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int width) { userResized(section, width); });
}

GridView::~GridView() = default;

void GridView::showGrid(bool columnsChanged) {
    if (syncing_)
        return;
    syncing_ = true;
    model_->refresh();
    sizeColumns(columnsChanged);
    showSortIndicator();
    horizontalHeader()->setVisible(grid_.options().titles);
    setShowGrid(grid_.options().colLines || grid_.options().rowLines);
    DataSet* set = grid_.dataSet();
    if (set && set->active() && set->displayCurrent() >= 0 && grid_.columnCount() > 0) {
        const QModelIndex current = model_->index(set->displayCurrent(), grid_.selectedIndex());
        if (current.isValid()) {
            selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
            scrollTo(current);
        }
    }
    viewport()->update();
    syncing_ = false;
}

void GridView::sizeColumns(bool columnsChanged) {
    const int rows = model_->rowCount();
    if (!columnsChanged && rows == sizedRows_)
        return;
    sizedRows_ = rows;
    FlagScope guard(sizing_);
    for (int c = 0; c < grid_.columnCount(); ++c) {
        const Column& column = grid_.column(c);
        if (columnsChanged) {
            setColumnHidden(c, !column.visible());
            const auto remembered = rememberedColumnWidth(settingsKey(), toQ(column.fieldName()));
            if (remembered)
                userSized_.insert(column.fieldName());
            setColumnWidth(c, remembered.value_or(std::max(column.width(), fittedWidth(c))));
        } else if (!userSized_.count(column.fieldName())) {
            setColumnWidth(c, std::max(columnWidth(c), fittedWidth(c)));
        }
    }
}

int GridView::fittedWidth(int c) const {
    int width = titleWidth(c, false);
    // Cells are drawn 3 pixels in from each side; the quota responsible's row in bold.
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics cells(bold);
    const int button = grid_.column(c).buttonStyle() == ColumnButton::Ellipsis
                           ? verticalHeader()->defaultSectionSize()
                           : 0;
    for (int row = 1; row <= grid_.rowCount(); ++row)
        width = std::max(width, cells.horizontalAdvance(toQ(grid_.cellText(row, c))) + 8 + button);
    return width;
}

int GridView::titleWidth(int c, bool withArrow) const {
    const QHeaderView* header = horizontalHeader();
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const QString title = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    const int width = QFontMetrics(header->font()).horizontalAdvance(title) + 2 * margin;
    return withArrow
               ? width + margin + style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header)
               : width;
}

void GridView::userResized(int c, int width) {
    if (sizing_ || syncing_ || c < 0 || c >= grid_.columnCount())
        return;
    const std::string& field = grid_.column(c).fieldName();
    userSized_.insert(field);
    rememberColumnWidth(settingsKey(), toQ(field), width);
}

void GridView::showSortIndicator() {
    const std::string field = gridOrderField(grid_);
    const int column = field.empty() ? -1 : grid_.findColumn(field);
    horizontalHeader()->setSortIndicatorShown(column >= 0);
    if (column < 0)
        return;
    horizontalHeader()->setSortIndicator(column, Qt::AscendingOrder);
    // The arrow takes room from the title.
    if (columnWidth(column) < titleWidth(column, true)) {
        FlagScope guard(sizing_);
        setColumnWidth(column, titleWidth(column, true));
    }
}

QString GridView::settingsKey() const {
    return toQ(view_.form().name()) + QLatin1Char('/') + toQ(grid_.name());
}

QRect GridView::ellipsisRect(const QModelIndex& index) const {
    DataSet* set = grid_.dataSet();
    if (!index.isValid() || !set || index.row() != set->displayCurrent() ||
        index.column() != grid_.selectedIndex() || index.column() >= grid_.columnCount() ||
        grid_.column(index.column()).buttonStyle() != ColumnButton::Ellipsis)
        return {};
    const QRect cell = visualRect(index);
    const int side = cell.height();
    return QRect(cell.right() - side + 1, cell.top(), side, side);
}

void GridView::mousePressEvent(QMouseEvent* event) {
    // Qt gave the focus already (the form was asked through the mirror); a refused focus ends
    // the click here.
    if (event->button() != Qt::LeftButton || view_.form().activeControl() != &grid_) {
        event->accept();
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) {
        event->accept();
        return;
    }
    if (ellipsisRect(index).contains(event->position().toPoint()))
        grid_.userClickEllipsis(index.column());
    else
        grid_.userClickCell(index.row() + 1, index.column());
    view_.syncFocus();
    event->accept();
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

void GridView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

QWidget* createGridWidget(FormView& view, DBGrid& grid, QWidget* parent) {
    auto* table = new GridView(view, grid, parent);
    auto* mirror = new GridMirror(view, grid, table);
    view.registerMirror(*mirror);
    mirror->refreshAll();
    return table;
}

} // namespace ct::gui
