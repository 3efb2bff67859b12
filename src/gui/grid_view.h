#pragma once

#include <QTableView>
#include <set>

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
    // The width a column needs for its title and the widest of its texts now (with the ellipsis
    // button of a column that has one).
    int fittedWidth(int column) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Columns are as wide as the grid says, their title and their texts need, or as the user
    // left them (remembered between runs); they only grow by themselves.
    void sizeColumns(bool columnsChanged);
    void userResized(int column, int width);
    // Room for the column's title, and for the header's arrow beside it.
    int titleWidth(int column, bool withArrow) const;
    // The header's arrow on the column the data set is ordered by.
    void showSortIndicator();
    QString settingsKey() const;

    FormView& view_;
    DBGrid& grid_;
    GridModel* model_;
    bool syncing_ = false;
    bool sizing_ = false;
    int sizedRows_ = -1;
    std::set<std::string> userSized_; // fields whose column the user sized
};

QWidget* createGridWidget(FormView& view, DBGrid& grid, QWidget* parent);

} // namespace ct::gui
