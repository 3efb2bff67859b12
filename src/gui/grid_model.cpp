#include "gui/grid_model.h"

#include "gui/qt_convert.h"
#include "platform/dataset/dataset.h"
#include "platform/ui/grid.h"

namespace ct::gui {

QString columnTitle(const std::string& title, const std::string& fontName) {
    const bool dingbats =
        fontName == "Monotype Sorts" || fontName == "ZapfDingbats" || fontName == "Zapf Dingbats";
    if (dingbats && title.size() == 1) {
        // Zapf Dingbats: "3" a check mark, "4" a heavy check mark, "6" and "8" crosses.
        switch (title[0]) {
        case '3':
            return QString(QChar(0x2713));
        case '4':
            return QString(QChar(0x2714));
        case '6':
            return QString(QChar(0x2716));
        case '8':
            return QString(QChar(0x2718));
        default:
            break;
        }
    }
    return toQ(title);
}

GridModel::GridModel(DBGrid& grid, QObject* parent)
    : QAbstractTableModel(parent)
    , grid_(grid)
    , rows_(grid.rowCount())
    , columns_(grid.columnCount()) {}

GridModel::~GridModel() = default;

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columns_)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return toQ(grid_.cellText(index.row() + 1, index.column()));
    case Qt::TextAlignmentRole: {
        const Alignment a = grid_.column(index.column()).alignment();
        return static_cast<int>(Qt::AlignVCenter | (a == Alignment::Right    ? Qt::AlignRight
                                                    : a == Alignment::Center ? Qt::AlignHCenter
                                                                             : Qt::AlignLeft));
    }
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_)
        return QAbstractTableModel::headerData(section, orientation, role);
    const Column& column = grid_.column(section);
    switch (role) {
    case Qt::DisplayRole: {
        std::string title = column.title();
        // A closed data set still knows its fields' labels.
        if (title == column.fieldName())
            if (DataSet* set = grid_.dataSet())
                if (const Field* field = set->findField(column.fieldName()))
                    title = field->label();
        return columnTitle(title, column.titleFont().name);
    }
    case Qt::TextAlignmentRole: {
        const Alignment a = column.titleAlignment();
        return static_cast<int>(Qt::AlignVCenter | (a == Alignment::Right    ? Qt::AlignRight
                                                    : a == Alignment::Center ? Qt::AlignHCenter
                                                                             : Qt::AlignLeft));
    }
    default:
        return {};
    }
}

void GridModel::refresh() {
    const int rows = grid_.rowCount();
    const int columns = grid_.columnCount();
    if (rows != rows_ || columns != columns_) {
        beginResetModel();
        rows_ = rows;
        columns_ = columns;
        endResetModel();
        return;
    }
    if (rows_ > 0 && columns_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
    if (columns_ > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

} // namespace ct::gui
