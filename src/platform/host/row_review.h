#pragma once

#include <string>
#include <vector>

namespace ct {

// Rows shown to the user before they are acted on (a list about to be imported): each row with
// its cells and, when it will be left out, the reason.
struct ReviewRow {
    int line = 0; // where the row came from (line of the file), from 1
    std::vector<std::string> cells;
    std::string problem; // empty: the row is accepted
    std::string note;    // said about an accepted row ("cliente novo")
};

struct RowReview {
    std::string title;
    std::string summary;
    std::vector<std::string> columns;
    std::vector<ReviewRow> rows;
    std::string acceptCaption; // caption of the button that goes on
};

} // namespace ct
