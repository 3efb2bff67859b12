#include "platform/ui/keys.h"

#include <array>
#include <cctype>
#include <utility>

namespace ct {
namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

constexpr std::array<std::pair<std::string_view, int>, 9> namedKeys{{
    {"ins", keyInsert},
    {"del", keyDelete},
    {"esc", keyEscape},
    {"enter", keyEnter},
    {"space", keySpace},
    {"tab", keyTab},
    {"backspace", keyBackspace},
    {"home", keyHome},
    {"end", keyEnd},
}};

std::optional<int> keyFromName(std::string_view name) {
    if (name.size() == 1) {
        const auto c = static_cast<unsigned char>(name[0]);
        if (std::isalnum(c))
            return std::toupper(c);
        return std::nullopt;
    }
    const std::string low = lower(name);
    for (const auto& [text, key] : namedKeys)
        if (low == text)
            return key;
    if (low.size() >= 2 && low.size() <= 3 && low[0] == 'f') {
        int n = 0;
        for (std::size_t i = 1; i < low.size(); ++i) {
            if (!std::isdigit(static_cast<unsigned char>(low[i])))
                return std::nullopt;
            n = n * 10 + (low[i] - '0');
        }
        if (n >= 1 && n <= 12)
            return keyF1 + n - 1;
    }
    return std::nullopt;
}

} // namespace

std::optional<Shortcut> Shortcut::parse(std::string_view text) {
    Shortcut result;
    while (true) {
        const auto plus = text.find('+');
        // A trailing "+" is the key itself ("Ctrl++" is not used by the suite).
        if (plus == std::string_view::npos || plus + 1 == text.size()) {
            const auto key = keyFromName(text);
            if (!key)
                return std::nullopt;
            result.key = *key;
            return result;
        }
        const std::string modifier = lower(text.substr(0, plus));
        if (modifier == "ctrl")
            result.shift.ctrl = true;
        else if (modifier == "shift")
            result.shift.shift = true;
        else if (modifier == "alt")
            result.shift.alt = true;
        else
            return std::nullopt;
        text.remove_prefix(plus + 1);
    }
}

std::string Shortcut::text() const {
    if (empty())
        return {};
    std::string out;
    if (shift.ctrl)
        out += "Ctrl+";
    if (shift.shift)
        out += "Shift+";
    if (shift.alt)
        out += "Alt+";
    for (const auto& [name, code] : namedKeys)
        if (code == key) {
            std::string n(name);
            n[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(n[0])));
            return out + n;
        }
    if (key >= keyF1 && key < keyF1 + 12)
        return out + "F" + std::to_string(key - keyF1 + 1);
    return out + static_cast<char>(key);
}

char32_t keyChar(int key, ShiftState shift) {
    if (shift.ctrl || shift.alt)
        return 0;
    switch (key) {
    case keyBackspace:
    case keyTab:
    case keyEnter:
    case keyEscape:
    case keySpace:
        return static_cast<char32_t>(key);
    default:
        break;
    }
    if (key >= '0' && key <= '9')
        return static_cast<char32_t>(key);
    if (key >= 'A' && key <= 'Z')
        return static_cast<char32_t>(shift.shift ? key : key + 32);
    return 0;
}

int keyOfChar(char32_t ch) {
    if (ch >= U'a' && ch <= U'z')
        return static_cast<int>(ch - 32);
    if ((ch >= U'A' && ch <= U'Z') || (ch >= U'0' && ch <= U'9'))
        return static_cast<int>(ch);
    switch (ch) {
    case 8:
    case 9:
    case 13:
    case 27:
    case 32:
        return static_cast<int>(ch);
    default:
        return keyCharacter;
    }
}

} // namespace ct
