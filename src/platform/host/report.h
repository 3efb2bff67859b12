#pragma once

#include <string>
#include <vector>

namespace ct {

// A printable listing: a title, a header of labelled values, a table of lines (each with lines of
// detail under it), labelled totals and a footer. Texts are already formatted as shown; how the
// pages look is the printer's business.
struct ReportField {
    std::string label;
    std::string value;
};

struct ReportColumn {
    std::string title;
    double width = 1; // share of the line, relative to the other columns
    bool alignRight = false;
};

struct ReportLine {
    std::vector<std::string> cells;   // one per column
    std::vector<std::string> details; // printed under the line, indented
};

struct Report {
    std::string title;
    std::vector<ReportField> header;
    std::vector<ReportColumn> columns;
    std::vector<ReportLine> lines;
    std::vector<ReportField> totals;
    std::string footer;
    std::string fileName; // suggested name of a saved copy ("listagem.pdf"), without folder
};

} // namespace ct
