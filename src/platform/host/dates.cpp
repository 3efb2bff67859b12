#include "platform/host/dates.h"

#include "platform/dataset/field.h"
#include "platform/dataset/format.h"
#include "platform/host/errors.h"

#include <algorithm>
#include <cctype>

namespace ct {

std::string DateMask() {
    return "!99/99/9999;1;_";
}

void DateSetText(Field& field, const std::string& text) {
    // The mask leaves its blank character where nothing was typed; a mask with nothing typed
    // into it clears the date.
    std::string typed;
    for (char c : text)
        if (c != '_')
            typed += c;
    if (std::all_of(typed.begin(), typed.end(), [](char c) {
            return c == '/' || std::isspace(static_cast<unsigned char>(c));
        })) {
        field.clear();
        return;
    }
    const auto when = tryParseDate(typed);
    if (!when)
        MensErro("'" + text + "' não é uma data válida.");
    field.setAsDateTime(*when);
}

} // namespace ct
