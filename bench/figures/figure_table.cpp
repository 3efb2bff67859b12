#include "figure_table.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>

namespace ct::bench {

Stats Stats::of(std::vector<double> samples) {
    Stats out;
    out.count = samples.size();
    if (samples.empty()) {
        return out;
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    out.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    // Nearest rank: with few samples the 99th percentile is the largest.
    const auto rank = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(n)));
    out.p99 = samples[std::clamp<std::size_t>(rank, 1, n) - 1];
    return out;
}

double ratio(const Figure& figure) {
    if (figure.value.empty() || figure.floor.empty() || figure.floor.median <= 0 ||
        figure.value.median <= 0) {
        return 0.0;
    }
    return figure.higher_is_better ? figure.floor.median / figure.value.median
                                   : figure.value.median / figure.floor.median;
}

namespace {

std::string number(double value) {
    if (value >= 1000) {
        // 12,345: thousands grouped by commas
        const std::string digits = fmt::format("{:.0f}", value);
        std::string out;
        for (std::size_t i = 0; i < digits.size(); ++i) {
            if (i > 0 && (digits.size() - i) % 3 == 0) {
                out += ',';
            }
            out += digits[i];
        }
        return out;
    }
    if (value >= 100) {
        return fmt::format("{:.0f}", value);
    }
    if (value >= 10) {
        return fmt::format("{:.1f}", value);
    }
    return fmt::format("{:.2f}", value);
}

std::string stats_text(const Stats& stats, const std::string& unit) {
    if (stats.empty()) {
        return "—";
    }
    return fmt::format("{} {} (p99 {}, n={})", number(stats.median), unit, number(stats.p99),
                       stats.count);
}

std::size_t width(const std::string& text) {
    std::size_t n = 0;
    for (unsigned char c : text) {
        n += (c & 0xC0) != 0x80;
    }
    return n;
}

} // namespace

void print_table(std::ostream& out, const std::vector<Figure>& figures) {
    const std::vector<std::string> header = {
        "What", "Engine", "Median (p99)", "Floor", "Floor median (p99)", "Ratio", "Target"};
    std::vector<std::vector<std::string>> rows;
    for (const Figure& f : figures) {
        const double r = ratio(f);
        rows.push_back({f.what, f.engine.empty() ? "—" : f.engine,
                        f.note.empty() ? stats_text(f.value, f.unit) : f.note, f.floor_what,
                        stats_text(f.floor, f.unit), r > 0 ? fmt::format("{:.2f}×", r) : "—",
                        f.target});
    }
    std::vector<std::size_t> widths(header.size());
    for (std::size_t c = 0; c < header.size(); ++c) {
        widths[c] = width(header[c]);
        for (const auto& row : rows) {
            widths[c] = std::max(widths[c], width(row[c]));
        }
    }
    auto line = [&](const std::vector<std::string>& cells) {
        out << "|";
        for (std::size_t c = 0; c < cells.size(); ++c) {
            out << " " << cells[c] << std::string(widths[c] - width(cells[c]), ' ') << " |";
        }
        out << "\n";
    };
    line(header);
    out << "|";
    for (std::size_t w : widths) {
        out << std::string(w + 2, '-') << "|";
    }
    out << "\n";
    for (const auto& row : rows) {
        line(row);
    }
}

} // namespace ct::bench
