#pragma once

#include <QAbstractTableModel>

namespace ct {
class DBGrid;
}

namespace ct::gui {

// The headless grid as a Qt table model: its rows (a row being inserted included), its columns
// with their titles, and each cell's text as the grid shows it (display formats, get-text
// handlers, the in-place editor's text). The model follows the grid's notices.
class GridModel final : public QAbstractTableModel {
public:
    explicit GridModel(DBGrid& grid, QObject* parent = nullptr);
    ~GridModel() override;

    DBGrid& grid() const { return grid_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Shows the grid's current state again: the whole model when rows or columns changed, the
    // cells otherwise.
    void refresh();

private:
    DBGrid& grid_;
    int rows_ = 0;
    int columns_ = 0;
};

// The title as a Qt font can show it: a column titled in a symbol font shows the glyph that font
// draws (the check mark of "4" in Monotype Sorts).
QString columnTitle(const std::string& title, const std::string& fontName);

} // namespace ct::gui
