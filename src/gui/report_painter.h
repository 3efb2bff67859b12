#pragma once

#include "platform/host/report.h"

#include <QPageLayout>
#include <QString>

class QPagedPaintDevice;

namespace ct::gui {

// Paints a listing on the pages of a printer or a PDF writer: the title and the header on the
// first page, the table's titles on every page, the totals after the last line, and the footer
// with the page number at the foot of each page. False when the device cannot be painted on.
bool paintReport(const Report& report, QPagedPaintDevice& device);

// Writes the listing as a PDF file on pages of the layout given; false when the file cannot be
// written.
bool writeReportPdf(const Report& report, const QString& path, const QPageLayout& layout);

} // namespace ct::gui
