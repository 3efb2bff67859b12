#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace ct::bench {

// Median and 99th percentile of repeated measures.
struct Stats {
    double median = 0.0;
    double p99 = 0.0;
    std::size_t count = 0;

    static Stats of(std::vector<double> samples);
    bool empty() const { return count == 0; }
};

// One row of the table: a figure beside its floor measured in the same run, and the target for
// their ratio.
struct Figure {
    std::string what;
    std::string engine; // "SQLite", "PostgreSQL", or "" when no database is involved
    std::string unit;   // "µs", "ms", "calls/s", "MB"
    Stats value;
    std::string floor_what;
    Stats floor;
    bool higher_is_better = false; // rates: the ratio is floor / value
    std::string target;            // the target, as shown
    std::string note;              // why a row has no figure
};

// Ratio of the medians (how many times the floor).
double ratio(const Figure& figure);

void print_table(std::ostream& out, const std::vector<Figure>& figures);

} // namespace ct::bench
