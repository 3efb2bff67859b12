#include "platform/ui/grid_order.h"

#include "platform/dataset/dataset.h"
#include "platform/ui/grid.h"

namespace ct {

std::vector<GridOrder> gridOrders(const DBGrid& grid,
                                  const std::function<bool(const Column&)>& orderable) {
    std::vector<GridOrder> orders{{{}, "Ordem de inclusão"}};
    for (int i = 0; i < grid.columnCount(); ++i) {
        const Column& column = grid.column(i);
        if (column.visible() && column.field() && (!orderable || orderable(column)))
            orders.push_back({column.fieldName(), column.title()});
    }
    return orders;
}

std::string gridOrderField(const DBGrid& grid) {
    const DataSet* set = grid.dataSet();
    if (!set)
        return {};
    const std::string& index = set->indexFieldNames();
    return index.substr(0, index.find(';'));
}

bool orderGrid(DBGrid& grid, const std::string& fieldName) {
    DataSet* set = grid.dataSet();
    if (!set || !set->active() || set->editing())
        return false;
    set->setIndexFieldNames(fieldName);
    return true;
}

} // namespace ct
