#include "platform/ui/edit_mask.h"

#include "platform/ui/utf8.h"

namespace ct {
namespace {

bool isDigit(char32_t ch) {
    return ch >= U'0' && ch <= U'9';
}

bool isLetter(char32_t ch) {
    return (ch >= U'a' && ch <= U'z') || (ch >= U'A' && ch <= U'Z') ||
           (ch >= 0xC0 && ch <= 0xFF && ch != 0xD7 && ch != 0xF7);
}

char32_t toLower(char32_t ch) {
    if ((ch >= U'A' && ch <= U'Z') || (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7))
        return ch + 32;
    return ch;
}

} // namespace

EditMask::EditMask(std::string_view mask)
    : text_(mask) {
    std::u32string chars = utf8::decode(mask);
    std::u32string layout = chars;
    if (auto semi = chars.find(U';'); semi != std::u32string::npos) {
        layout = chars.substr(0, semi);
        const std::u32string rest = chars.substr(semi + 1);
        saveLiterals_ = rest.empty() || rest[0] != U'0';
    }
    int caseRule = 0;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const char32_t ch = layout[i];
        switch (ch) {
        case U'!':
            break;
        case U'>':
            caseRule = 1;
            break;
        case U'<':
            if (i + 1 < layout.size() && layout[i + 1] == U'>') {
                caseRule = 0;
                ++i;
            } else {
                caseRule = -1;
            }
            break;
        case U'\\':
            if (i + 1 < layout.size())
                slots_.push_back({layout[++i], 0, 0});
            break;
        case U'0':
        case U'9':
        case U'#':
        case U'L':
        case U'l':
        case U'A':
        case U'a':
        case U'C':
        case U'c':
            slots_.push_back({0, ch, caseRule});
            break;
        default:
            slots_.push_back({ch, 0, 0});
            break;
        }
    }
}

bool EditMask::accepts(char32_t ch, const std::u32string& current) const {
    if (slots_.empty())
        return true;
    std::size_t pos = current.size();
    while (pos < slots_.size() && slots_[pos].literal != 0) {
        if (slots_[pos].literal == ch)
            return true; // typing the literal itself is fine
        ++pos;
    }
    if (pos >= slots_.size())
        return false;
    switch (slots_[pos].kind) {
    case U'0':
    case U'9':
        return isDigit(ch);
    case U'#':
        return isDigit(ch) || ch == U'+' || ch == U'-';
    case U'L':
    case U'l':
        return isLetter(ch);
    case U'A':
    case U'a':
        return isLetter(ch) || isDigit(ch);
    default:
        return true;
    }
}

std::u32string EditMask::shape(const std::u32string& typed) const {
    if (slots_.empty() || typed.empty())
        return typed;
    // The input characters, without the literals already in place.
    std::u32string input;
    for (std::size_t i = 0; i < typed.size(); ++i)
        if (i >= slots_.size() || slots_[i].literal == 0 || slots_[i].literal != typed[i])
            input.push_back(typed[i]);
    std::u32string out;
    std::size_t next = 0;
    for (std::size_t pos = 0; pos < slots_.size() && next < input.size(); ++pos) {
        if (slots_[pos].literal != 0) {
            out.push_back(slots_[pos].literal);
            continue;
        }
        char32_t ch = input[next++];
        if (slots_[pos].caseRule > 0)
            ch = utf8::toUpper(ch);
        else if (slots_[pos].caseRule < 0)
            ch = toLower(ch);
        out.push_back(ch);
    }
    return out;
}

std::string EditMask::stored(std::string_view shown) const {
    if (slots_.empty() || saveLiterals_)
        return std::string(shown);
    const std::u32string chars = utf8::decode(shown);
    std::u32string out;
    for (std::size_t i = 0; i < chars.size(); ++i)
        if (i >= slots_.size() || slots_[i].literal == 0 || slots_[i].literal != chars[i])
            out.push_back(chars[i]);
    return utf8::encode(out);
}

} // namespace ct
