#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace ct::gui {

// Window sizes and grid column widths, remembered between runs under the window's name.
// Restoring returns false when nothing was remembered (the window keeps its own size).
bool restoreWindowGeometry(QWidget& window);
void saveWindowGeometry(const QWidget& window);

std::optional<int> rememberedColumnWidth(const QString& grid, const QString& field);
void rememberColumnWidth(const QString& grid, const QString& field, int width);

} // namespace ct::gui
