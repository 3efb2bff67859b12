#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ct {

// An edit mask as the suite writes them: "999.999.999-99;0;_". The part before the first ";"
// lays out the positions: '0' and '9' digits, '#' a digit or sign, 'L' and 'l' letters, 'A' and
// 'a' letters or digits, 'C' and 'c' anything; '>' and '<' switch to upper and lower case ("<>"
// ends the switch); '\' makes the next character a literal; '!' is ignored; anything else is a
// literal. The second part, "0", keeps the literals out of the stored text.
class EditMask {
public:
    EditMask() = default;
    explicit EditMask(std::string_view mask);

    bool empty() const { return slots_.empty(); }
    const std::string& text() const { return text_; }
    bool savesLiterals() const { return saveLiterals_; }
    // Number of positions, literals included.
    int length() const { return static_cast<int>(slots_.size()); }

    // Whether the character may be typed after `current` (the text as shown).
    bool accepts(char32_t ch, const std::u32string& current) const;
    // The typed characters laid into the mask: literals where the mask has them (each shown once
    // a character after it is typed), case rules applied.
    std::u32string shape(const std::u32string& typed) const;
    // The text to store for the shown text: without literals unless the mask keeps them.
    std::string stored(std::string_view shown) const;

private:
    struct Slot {
        char32_t literal = 0; // non-zero: a literal of the mask
        char32_t kind = 0;    // mask character of an input position
        int caseRule = 0;     // 1 upper, -1 lower
    };
    std::vector<Slot> slots_;
    std::string text_;
    bool saveLiterals_ = true;
};

} // namespace ct
