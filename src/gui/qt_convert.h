#pragma once

#include "platform/ui/control.h"
#include "platform/ui/keys.h"

#include <QColor>
#include <QString>
#include <optional>
#include <string>

class QKeyEvent;

namespace ct::gui {

inline QString toQ(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string fromQ(const QString& text) {
    return text.toStdString();
}

// A control colour as Qt paints it (system colours resolve to the desktop's palette).
QColor toQColor(Color color);

// A key press as the headless controls take it: either characters to type, or one key with its
// shift state.
struct KeyInput {
    QString characters; // typed text (no Ctrl or Alt held)
    int key = keyNone;
    ShiftState shift;
};
// Nothing when the key means nothing to the controls (a lone modifier).
std::optional<KeyInput> keyInput(const QKeyEvent& event);

} // namespace ct::gui
