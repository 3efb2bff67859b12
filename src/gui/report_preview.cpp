#include "gui/report_preview.h"

#include "gui/qt_convert.h"
#include "gui/report_painter.h"
#include "gui/settings.h"
#include "gui/toolbar_icons.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QToolBar>

namespace ct::gui {
namespace {

void preparePrinter(QPrinter& printer) {
    if (const QString name = rememberedPrinter(); !name.isEmpty())
        printer.setPrinterName(name);
    printer.setPageLayout(listingPageLayout());
}

QString documentsFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

void savePdf(const Report& report, const QPrinter& printer, QWidget* parent) {
    const QString path = QFileDialog::getSaveFileName(
        parent, QStringLiteral("Salvar PDF"),
        QDir(documentsFolder()).filePath(toQ(report.fileName)), QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    const QString file = QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".pdf") : path;
    if (!writeReportPdf(report, file, printer.pageLayout()))
        QMessageBox::warning(parent, QStringLiteral("Salvar PDF"),
                             QStringLiteral("Não foi possível gravar o arquivo %1.").arg(file));
}

} // namespace

void previewReport(const Report& report, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(printer);
    printer.setDocName(toQ(report.title));
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("reportPreview"));
    preview.setWindowTitle(toQ(report.title));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                     [&report](QPrinter* target) { paintReport(report, *target); });
    if (auto* bar = preview.findChild<QToolBar*>()) {
        bar->addSeparator();
        QAction* save = bar->addAction(commandIcon(QStringLiteral("savePdf"), QStringLiteral("P")),
                                       QStringLiteral("Salvar PDF"));
        save->setObjectName(QStringLiteral("savePdf"));
        QObject::connect(save, &QAction::triggered, &preview,
                         [&] { savePdf(report, printer, &preview); });
    }
    preview.resize(960, 720);
    preview.exec();
    // A printer the user chose in the preview's print dialog is the one next time.
    if (printer.outputFormat() == QPrinter::NativeFormat && !printer.printerName().isEmpty())
        rememberPrinter(printer.printerName());
}

void runPrinterSetup(QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(printer);
    QPageSetupDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("printerSetup"));
    dialog.setWindowTitle(QStringLiteral("Configurar Impressora"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    rememberListingPageLayout(printer.pageLayout());
    if (printer.outputFormat() == QPrinter::NativeFormat)
        rememberPrinter(printer.printerName());
}

} // namespace ct::gui
