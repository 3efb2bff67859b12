#include "gui/qt_convert.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPalette>

namespace ct::gui {

QColor toQColor(Color color) {
    if ((color >> 24) == 0xFF) {
        const QPalette palette = QApplication::palette();
        switch (color) {
        case colors::clWindow:
            return palette.color(QPalette::Base);
        case colors::clBtnFace:
            return palette.color(QPalette::Button);
        case colors::clInfoBk:
            return QColor(255, 255, 225);
        default:
            return palette.color(QPalette::Window);
        }
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

namespace {

int namedKey(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return keyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return keyEnter;
    case Qt::Key_Escape:
        return keyEscape;
    case Qt::Key_Backspace:
        return keyBackspace;
    case Qt::Key_Delete:
        return keyDelete;
    case Qt::Key_Insert:
        return keyInsert;
    case Qt::Key_Home:
        return keyHome;
    case Qt::Key_End:
        return keyEnd;
    case Qt::Key_PageUp:
        return keyPageUp;
    case Qt::Key_PageDown:
        return keyPageDown;
    case Qt::Key_Left:
        return keyArrowLeft;
    case Qt::Key_Right:
        return keyArrowRight;
    case Qt::Key_Up:
        return keyArrowUp;
    case Qt::Key_Down:
        return keyArrowDown;
    case Qt::Key_Space:
        return keySpace;
    default:
        break;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return keyF1 + (qtKey - Qt::Key_F1);
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey; // the same codes as the platform's virtual keys
    return keyNone;
}

} // namespace

std::optional<KeyInput> keyInput(const QKeyEvent& event) {
    KeyInput input;
    const Qt::KeyboardModifiers mods = event.modifiers();
    input.shift.shift = mods.testFlag(Qt::ShiftModifier) || event.key() == Qt::Key_Backtab;
    input.shift.ctrl = mods.testFlag(Qt::ControlModifier);
    input.shift.alt = mods.testFlag(Qt::AltModifier);
    const int named = namedKey(event.key());
    const bool command = input.shift.ctrl || input.shift.alt;
    const bool control = named == keyTab || named == keyEnter || named == keyEscape ||
                         named == keyBackspace || named == keyDelete || named == keyInsert ||
                         named == keyHome || named == keyEnd || named == keyPageUp ||
                         named == keyPageDown || (named >= keyArrowLeft && named <= keyArrowDown) ||
                         (named >= keyF1 && named < keyF1 + 12);
    if (!command && !control) {
        QString text = event.text();
        text.remove(QChar(0x7F));
        if (!text.isEmpty() && text.at(0).isPrint()) {
            input.characters = text;
            return input;
        }
    }
    if (named == keyNone)
        return std::nullopt;
    input.key = named;
    return input;
}

} // namespace ct::gui
