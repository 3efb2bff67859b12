#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ct {

// Key codes of key-down events (the values of the platform's virtual keys). Letters and digits use
// their upper-case character code.
enum KeyCode : int {
    keyNone = 0,
    keyBackspace = 8,
    keyTab = 9,
    keyEnter = 13,
    keyEscape = 27,
    keySpace = 32,
    keyPageUp = 33,
    keyPageDown = 34,
    keyEnd = 35,
    keyHome = 36,
    keyArrowLeft = 37,
    keyArrowUp = 38,
    keyArrowRight = 39,
    keyArrowDown = 40,
    keyInsert = 45,
    keyDelete = 46,
    keyF1 = 112,
    // Any other character key (punctuation, accented letters): its key-down carries this code, so
    // that "(" is never taken for the arrow key that shares its character code.
    keyCharacter = 0xE5,
};

struct ShiftState {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool operator==(const ShiftState&) const = default;
};

// A menu shortcut such as "Ctrl+R", "Shift+F5" or "Del".
struct Shortcut {
    int key = keyNone;
    ShiftState shift;

    bool empty() const { return key == keyNone; }
    bool operator==(const Shortcut&) const = default;

    // Accepts modifiers "Ctrl", "Shift", "Alt" joined by "+" to a key: a letter, a digit,
    // "F1".."F12", or one of "Ins", "Del", "Esc", "Enter", "Space", "Tab", "Backspace" (any letter
    // case). Returns nothing for text it cannot read.
    static std::optional<Shortcut> parse(std::string_view text);
    std::string text() const;
};

// The character a key-down produces when typed without Ctrl or Alt (0 when none).
char32_t keyChar(int key, ShiftState shift);
// The key code of a typed character: its upper-case letter for ASCII letters, the digit for digits,
// the control key for backspace, tab, enter, escape and space, keyCharacter otherwise.
int keyOfChar(char32_t ch);

} // namespace ct
