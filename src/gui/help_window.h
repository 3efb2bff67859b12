#pragma once

#include <QString>

class QWidget;

namespace ct::gui {

// The help of the screen with this code, shipped inside the program, in a window of its own next
// to the screen (one per screen: asking again brings it to the front).
void showHelpWindow(const QString& screenCode, const QString& screenTitle, QWidget* parent);

} // namespace ct::gui
