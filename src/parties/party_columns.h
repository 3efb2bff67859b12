#pragma once

#include <string_view>

namespace ct {

class DBGrid;

// A column move made by one of the screen's checks: the screen's column-exit checks do not run
// again for the column being left (the column-enter handler runs as usual).
void selectColumnQuietly(DBGrid& grid, std::string_view fieldName);
// The same, giving the grid the focus first when it can take it.
void focusColumn(DBGrid& grid, std::string_view fieldName);

} // namespace ct

namespace ct::partycol {

// Positions of the parties grid's columns, as the screen builds them.
constexpr int mark = 0;
constexpr int inscription = 1;
constexpr int name = 2;
constexpr int invitations = 3;
constexpr int charged = 4;
constexpr int status = 5;
constexpr int adultInvitations = 6;
constexpr int childInvitations = 7;
constexpr int extraInvitations = 8;
constexpr int extraValue = 9;

} // namespace ct::partycol
