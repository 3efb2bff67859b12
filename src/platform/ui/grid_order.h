#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ct {

class Column;
class DBGrid;

// What a grid's data set can be ordered by: the natural order (the order its rows came in) or
// one of the grid's columns, ascending, through the data set's index.
struct GridOrder {
    std::string fieldName; // empty: the natural order
    std::string title;
};

// The natural order first, then the visible columns the filter admits, in the grid's order.
std::vector<GridOrder> gridOrders(const DBGrid& grid,
                                  const std::function<bool(const Column&)>& orderable);
// The field the grid's data set is ordered by now; empty for the natural order.
std::string gridOrderField(const DBGrid& grid);
// Orders the grid's data set by the field (empty: the natural order); the current row stays
// current. False, with nothing changed, when the data set is closed or a row is being edited or
// inserted: a pending edit is the user's to confirm or cancel first.
bool orderGrid(DBGrid& grid, const std::string& fieldName);

} // namespace ct
