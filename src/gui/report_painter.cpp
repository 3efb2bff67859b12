#include "gui/report_painter.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace ct::gui {
namespace {

QString q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont font(double points, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// Lays the listing out top to bottom, starting a page whenever the next block does not fit.
class ReportLayout {
public:
    ReportLayout(const Report& report, QPagedPaintDevice& device, QPainter& painter)
        : report_(report)
        , device_(device)
        , painter_(painter)
        , width_(device.width())
        , bottom_(device.height())
        , body_(font(8.5))
        , bold_(font(8.5, true))
        , detail_(font(7.5))
        , gap_(QFontMetricsF(body_, &device).height() * 0.35) {
        double total = 0;
        for (const ReportColumn& column : report_.columns)
            total += column.width;
        double x = 0;
        for (const ReportColumn& column : report_.columns) {
            const double w = total > 0 ? width_ * column.width / total : 0;
            columns_.push_back({x, w});
            x += w;
        }
    }

    void paint() {
        title();
        header();
        tableTitles();
        for (const ReportLine& line : report_.lines)
            tableLine(line);
        totals();
        footer();
    }

private:
    struct Span {
        double x;
        double width;
    };

    double lineHeight(const QFont& f) const { return QFontMetricsF(f, &device_).height(); }

    void ensureRoom(double height, bool withTitles) {
        if (y_ + height <= bottom_ - footerHeight())
            return;
        footer();
        device_.newPage();
        ++page_;
        y_ = 0;
        if (withTitles)
            tableTitles();
    }

    double footerHeight() const { return lineHeight(detail_) + gap_ * 2; }

    void text(const QRectF& box, const QString& s, const QFont& f, Qt::Alignment align) {
        painter_.setFont(f);
        const QString shown = QFontMetricsF(f, &device_).elidedText(s, Qt::ElideRight, box.width());
        painter_.drawText(box, static_cast<int>(align | Qt::AlignVCenter), shown);
    }

    void rule(double thickness = 1) {
        painter_.save();
        painter_.setPen(QPen(Qt::black, thickness * device_.logicalDpiY() / 144.0));
        painter_.drawLine(QPointF(0, y_), QPointF(width_, y_));
        painter_.restore();
    }

    void title() {
        const QFont f = font(13, true);
        const double h = lineHeight(f);
        text(QRectF(0, y_, width_, h), q(report_.title), f, Qt::AlignLeft);
        y_ += h + gap_;
        rule(2);
        y_ += gap_;
    }

    void header() {
        double labels = 0;
        for (const ReportField& field : report_.header)
            labels =
                std::max(labels, QFontMetricsF(bold_, &device_).horizontalAdvance(q(field.label)));
        const double h = lineHeight(body_);
        for (const ReportField& field : report_.header) {
            text(QRectF(0, y_, labels, h), q(field.label), bold_, Qt::AlignLeft);
            text(QRectF(labels + gap_ * 3, y_, width_ - labels - gap_ * 3, h), q(field.value),
                 body_, Qt::AlignLeft);
            y_ += h;
        }
        y_ += gap_ * 2;
    }

    // A table row: cells wrap at word boundaries, the row as high as its tallest cell.
    double cellsHeight(const std::vector<std::string>& values, const QFont& f) const {
        const QFontMetricsF metrics(f, &device_);
        double height = metrics.height();
        for (std::size_t c = 0; c < columns_.size() && c < values.size(); ++c)
            height = std::max(height, metrics
                                          .boundingRect(QRectF(0, 0, cellWidth(c), 1e9),
                                                        Qt::TextWordWrap, q(values[c]))
                                          .height());
        return height;
    }

    double cellWidth(std::size_t c) const { return columns_[c].width - 2 * gap_; }

    void cells(const std::vector<std::string>& values, const QFont& f) {
        const double h = cellsHeight(values, f);
        painter_.setFont(f);
        for (std::size_t c = 0; c < columns_.size() && c < values.size(); ++c) {
            const Qt::Alignment align =
                report_.columns[c].alignRight ? Qt::AlignRight : Qt::AlignLeft;
            painter_.drawText(QRectF(columns_[c].x + gap_, y_, cellWidth(c), h),
                              static_cast<int>(align | Qt::AlignTop | Qt::TextWordWrap),
                              q(values[c]));
        }
        y_ += h;
    }

    void tableTitles() {
        std::vector<std::string> titles;
        for (const ReportColumn& column : report_.columns)
            titles.push_back(column.title);
        ensureRoom(cellsHeight(titles, bold_) + lineHeight(body_) * 2, false);
        cells(titles, bold_);
        rule();
        y_ += gap_;
    }

    void tableLine(const ReportLine& line) {
        const double detailHeight = lineHeight(detail_);
        ensureRoom(cellsHeight(line.cells, body_) +
                       detailHeight * static_cast<double>(line.details.size()),
                   true);
        cells(line.cells, body_);
        const double indent = columns_.size() > 1 ? columns_[1].x + gap_ : gap_ * 4;
        for (const std::string& detail : line.details) {
            text(QRectF(indent, y_, width_ - indent, detailHeight), q(detail), detail_,
                 Qt::AlignLeft);
            y_ += detailHeight;
        }
        y_ += gap_ * 0.5;
    }

    void totals() {
        const double h = lineHeight(body_);
        ensureRoom(h * static_cast<double>(report_.totals.size()) + gap_ * 2, false);
        y_ += gap_;
        rule();
        y_ += gap_;
        for (const ReportField& field : report_.totals) {
            const QString line = q(field.label) + QStringLiteral(": ") + q(field.value);
            text(QRectF(0, y_, width_, h), line, bold_, Qt::AlignRight);
            y_ += h;
        }
    }

    void footer() {
        const double h = lineHeight(detail_);
        const double top = bottom_ - h;
        painter_.save();
        painter_.setPen(QPen(Qt::black, device_.logicalDpiY() / 144.0));
        painter_.drawLine(QPointF(0, top - gap_), QPointF(width_, top - gap_));
        painter_.restore();
        text(QRectF(0, top, width_ * 0.75, h), q(report_.footer), detail_, Qt::AlignLeft);
        text(QRectF(width_ * 0.75, top, width_ * 0.25, h), QStringLiteral("Página %1").arg(page_),
             detail_, Qt::AlignRight);
    }

    const Report& report_;
    QPagedPaintDevice& device_;
    QPainter& painter_;
    double width_;
    double bottom_;
    QFont body_;
    QFont bold_;
    QFont detail_;
    double gap_;
    std::vector<Span> columns_;
    double y_ = 0;
    int page_ = 1;
};

} // namespace

bool paintReport(const Report& report, QPagedPaintDevice& device) {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    ReportLayout(report, device, painter).paint();
    return painter.end();
}

bool writeReportPdf(const Report& report, const QString& path, const QPageLayout& layout) {
    QPdfWriter writer(path);
    writer.setPageLayout(layout);
    writer.setResolution(300);
    writer.setTitle(q(report.title));
    writer.setCreator(QStringLiteral("Contratante"));
    return paintReport(report, writer);
}

} // namespace ct::gui
