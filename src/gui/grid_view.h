#pragma once

#include <QTableView>

namespace ct {
class DBGrid;
}

namespace ct::gui {

class FormView;
class GridModel;

// The table widget of a headless grid. Cells are painted by the grid's own drawing (and the
// screen's draw handler) on a Qt canvas; clicks on cells, titles and ellipsis buttons go to the
// grid; keys go to the form like every other control's (the mirror routes them), so in-place
// editing runs through the screen's key handlers.
class GridView final : public QTableView {
public:
    GridView(FormView& view, DBGrid& grid, QWidget* parent);
    ~GridView() override;

    DBGrid& grid() const { return grid_; }
    GridModel& gridModel() const { return *model_; }
    // Shows the grid's columns, rows and current cell again.
    void showGrid(bool columnsChanged);
    // Where the ellipsis button of a cell is drawn (empty when the cell has none now).
    QRect ellipsisRect(const QModelIndex& index) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    FormView& view_;
    DBGrid& grid_;
    GridModel* model_;
    bool syncing_ = false;
};

QWidget* createGridWidget(FormView& view, DBGrid& grid, QWidget* parent);

} // namespace ct::gui
