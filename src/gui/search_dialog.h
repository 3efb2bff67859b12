#pragma once

#include "platform/host/dialog_service.h"

#include <QDialog>

class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

namespace ct::gui {

// The search list: the listed data set's visible fields, a filter box over the name field (or
// every field), and a pick by double click or Enter. The data set is moved only by the pick.
class SearchDialog final : public QDialog {
public:
    SearchDialog(const SearchRequest& request, QWidget* parent = nullptr);

    // The picked row (from 1, the data set's visible row), or 0.
    int pickedRow() const { return picked_; }
    QLineEdit* filterBox() const { return filter_; }
    QTableView* table() const { return table_; }

    // Picks the row under the table's current index; false when there is none.
    bool pickCurrent();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill(const SearchRequest& request);

    QLineEdit* filter_;
    QTableView* table_;
    QStandardItemModel* rows_;
    QSortFilterProxyModel* filtered_;
    int picked_ = 0;
};

} // namespace ct::gui
