#pragma once

#include <QPageLayout>
#include <QString>
#include <memory>

class QSettings;

namespace ct::gui {

// What the program remembers between runs (window sizes, column widths, the listing's page and
// printer), in the user's settings of the desktop (QSettings, "Halvren/Contratante").
std::unique_ptr<QSettings> openSettings();

// The page the listing is printed on: the one set up last, else A4 portrait with 15 mm margins.
QPageLayout listingPageLayout();
void rememberListingPageLayout(const QPageLayout& layout);
// The printer chosen last (empty: the desktop's default).
QString rememberedPrinter();
void rememberPrinter(const QString& name);

} // namespace ct::gui
