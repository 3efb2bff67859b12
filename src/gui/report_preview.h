#pragma once

#include "platform/host/report.h"

class QWidget;

namespace ct::gui {

// The listing in the desktop's print preview, on the page and printer set up last; from there
// the user prints it or saves it as PDF ("Salvar PDF").
void previewReport(const Report& report, QWidget* parent);

// The desktop's page set-up for the listing; what the user accepts is remembered.
void runPrinterSetup(QWidget* parent);

} // namespace ct::gui
