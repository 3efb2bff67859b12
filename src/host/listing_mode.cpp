#include "host/listing_mode.h"

#include "gui/report_painter.h"
#include "gui/settings.h"
#include "host/batch_mode.h"
#include "host/gui_mode.h"

#include <QGuiApplication>
#include <cstdlib>
#include <iostream>

namespace ct::host {

int writeListing(const LaunchOptions& options, int argc, char** argv) {
    // Fonts need a Qt application; a PDF needs no display.
    if (!displayAvailable())
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("contratante");
    const std::optional<Report> report = captureListing(options, std::cerr);
    if (!report)
        return 1;
    const QString path = QString::fromLocal8Bit(options.listing.c_str());
    if (!gui::writeReportPdf(*report, path, gui::listingPageLayout())) {
        std::cerr << "contratante: cannot write " << options.listing << '\n';
        return 1;
    }
    return 0;
}

} // namespace ct::host
