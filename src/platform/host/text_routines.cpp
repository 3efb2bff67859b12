#include "platform/host/text_routines.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace ct {
namespace {

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isPlaceholder(char c) {
    switch (c) {
    case '0':
    case '9':
    case '#':
    case 'L':
    case 'l':
    case 'A':
    case 'a':
    case 'C':
    case 'c':
        return true;
    default:
        return false;
    }
}

struct MaskSlot {
    bool placeholder;
    char literal;  // when not a placeholder
    int caseShift; // +1 upper, -1 lower, 0 as typed
};

struct ParsedMask {
    std::vector<MaskSlot> slots;
    bool saveLiterals = true;
};

ParsedMask parseMask(std::string_view editMask) {
    ParsedMask parsed;
    // The last two ";"-separated parts are the save flag and the blank character.
    std::string_view body = editMask;
    const auto first = editMask.find(';');
    if (first != std::string_view::npos) {
        body = editMask.substr(0, first);
        const std::string_view rest = editMask.substr(first + 1);
        parsed.saveLiterals = rest.empty() || rest.front() != '0';
    }
    int shift = 0;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\\' && i + 1 < body.size()) {
            parsed.slots.push_back({false, body[++i], 0});
        } else if (c == '<' && i + 1 < body.size() && body[i + 1] == '>') {
            shift = 0;
            ++i;
        } else if (c == '>') {
            shift = 1;
        } else if (c == '<') {
            shift = -1;
        } else if (c == '!') {
            continue;
        } else if (isPlaceholder(c)) {
            parsed.slots.push_back({true, 0, shift});
        } else {
            parsed.slots.push_back({false, c, 0});
        }
    }
    return parsed;
}

char shifted(char c, int shift) {
    const auto u = static_cast<unsigned char>(c);
    if (shift > 0)
        return static_cast<char>(std::toupper(u));
    if (shift < 0)
        return static_cast<char>(std::tolower(u));
    return c;
}

} // namespace

bool EmptyString(std::string_view text) {
    return trimmed(text).empty();
}

std::string Ajusta(std::string_view text, int width) {
    const std::string_view code = trimmed(text);
    if (code.empty() || !std::all_of(code.begin(), code.end(), isDigit))
        return std::string(code);
    if (width <= 0)
        return std::string(code);
    const auto w = static_cast<std::size_t>(width);
    if (code.size() >= w) {
        std::size_t extra = code.size() - w;
        std::size_t zeros = 0;
        while (zeros < extra && code[zeros] == '0')
            ++zeros;
        return std::string(code.substr(zeros));
    }
    return std::string(w - code.size(), '0') + std::string(code);
}

std::string Ajusta_Inscricao(std::string& text) {
    std::string_view body = text;
    if (!body.empty() && (body.front() == 'C' || body.front() == 'c'))
        body.remove_prefix(1);
    std::string digits;
    std::copy_if(body.begin(), body.end(), std::back_inserter(digits), isDigit);
    text = digits;
    if (digits.empty())
        return {};
    return digits.size() <= 11 ? "F" : "J";
}

std::string PictPess(std::string_view personType) {
    if (personType == "F" || personType == "f")
        return "999.999.999-99;0;_";
    if (personType == "J" || personType == "j")
        return "99.999.999/9999-99;0;_";
    return "99999999999999;0;_";
}

std::string FormatMaskText(std::string_view editMask, std::string_view value) {
    const ParsedMask mask = parseMask(editMask);
    std::string out;
    std::size_t next = 0;
    for (const MaskSlot& slot : mask.slots) {
        if (next >= value.size())
            break;
        if (!slot.placeholder) {
            out += slot.literal;
            if (mask.saveLiterals && value[next] == slot.literal)
                ++next;
            continue;
        }
        out += shifted(value[next++], slot.caseShift);
    }
    out.append(value.substr(std::min(next, value.size())));
    return out;
}

} // namespace ct
