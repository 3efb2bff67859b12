#include "gui/settings.h"

#include <QMarginsF>
#include <QPageSize>
#include <QSettings>
#include <QSizeF>

namespace ct::gui {

std::unique_ptr<QSettings> openSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Halvren"), QStringLiteral("Contratante"));
}

QPageLayout listingPageLayout() {
    const auto settings = openSettings();
    settings->beginGroup(QStringLiteral("listagem"));
    const auto id = static_cast<QPageSize::PageSizeId>(
        settings->value(QStringLiteral("pagina"), static_cast<int>(QPageSize::A4)).toInt());
    const QSizeF custom = settings->value(QStringLiteral("tamanho")).toSizeF();
    const QPageSize size = id == QPageSize::Custom && custom.isValid()
                               ? QPageSize(custom, QPageSize::Millimeter)
                               : QPageSize(id);
    const auto orientation = static_cast<QPageLayout::Orientation>(
        settings->value(QStringLiteral("orientacao"), static_cast<int>(QPageLayout::Portrait))
            .toInt());
    QMarginsF margins(15, 15, 15, 15);
    const QVariantList saved = settings->value(QStringLiteral("margens")).toList();
    if (saved.size() == 4)
        margins = QMarginsF(saved[0].toDouble(), saved[1].toDouble(), saved[2].toDouble(),
                            saved[3].toDouble());
    return QPageLayout(size.isValid() ? size : QPageSize(QPageSize::A4), orientation, margins,
                       QPageLayout::Millimeter);
}

void rememberListingPageLayout(const QPageLayout& layout) {
    const auto settings = openSettings();
    settings->beginGroup(QStringLiteral("listagem"));
    settings->setValue(QStringLiteral("pagina"), static_cast<int>(layout.pageSize().id()));
    settings->setValue(QStringLiteral("tamanho"), layout.pageSize().size(QPageSize::Millimeter));
    settings->setValue(QStringLiteral("orientacao"), static_cast<int>(layout.orientation()));
    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    settings->setValue(QStringLiteral("margens"),
                       QVariantList{m.left(), m.top(), m.right(), m.bottom()});
}

QString rememberedPrinter() {
    return openSettings()->value(QStringLiteral("listagem/impressora")).toString();
}

void rememberPrinter(const QString& name) {
    openSettings()->setValue(QStringLiteral("listagem/impressora"), name);
}

} // namespace ct::gui
