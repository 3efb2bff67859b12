#pragma once

#include <QIcon>
#include <QString>

class QWidget;

namespace ct::gui {

// The picture of a command: from the desktop's icon theme when it has one for the command, else
// one drawn here (a symbol, or the caption's first letter for a command without one).
QIcon commandIcon(const QString& controlName, const QString& caption);

// Gives every button of a toolbar panel its picture, with the caption below it.
void decorateToolbar(QWidget& panel);

} // namespace ct::gui
