#include "gui/window_settings.h"

#include "gui/settings.h"

#include <QSettings>
#include <QWidget>

namespace ct::gui {
namespace {

QString geometryKey(const QWidget& window) {
    return QStringLiteral("janelas/") + window.objectName();
}

QString columnKey(const QString& grid, const QString& field) {
    return QStringLiteral("colunas/") + grid + QLatin1Char('/') + field;
}

} // namespace

bool restoreWindowGeometry(QWidget& window) {
    const QByteArray saved = openSettings()->value(geometryKey(window)).toByteArray();
    return !saved.isEmpty() && window.restoreGeometry(saved);
}

void saveWindowGeometry(const QWidget& window) {
    openSettings()->setValue(geometryKey(window), window.saveGeometry());
}

std::optional<int> rememberedColumnWidth(const QString& grid, const QString& field) {
    bool ok = false;
    const int width = openSettings()->value(columnKey(grid, field)).toInt(&ok);
    return ok && width > 0 ? std::optional<int>(width) : std::nullopt;
}

void rememberColumnWidth(const QString& grid, const QString& field, int width) {
    openSettings()->setValue(columnKey(grid, field), width);
}

} // namespace ct::gui
