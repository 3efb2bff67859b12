#pragma once

#include <string>
#include <string_view>

namespace ct {

// True when nothing was informed: the text is empty or holds only blanks.
bool EmptyString(std::string_view text);

// A typed code brought to its stored width. Blanks around it are dropped; a code made only of
// digits is left-padded with zeros to the width ("1" -> "0001"); a longer all-digit code loses
// leading zeros down to the width but never a significant digit. Any other text (letters, inner
// blanks) is returned trimmed and otherwise as typed, so a lookup simply does not find it; an
// empty or blank text stays empty.
std::string Ajusta(std::string_view text, int width);

// Takes "C" followed by an inscription as typed (masked or not). Leaves in the argument the
// inscription to be stored (its digits only) and returns the person type: "F" up to 11 digits
// (CPF), "J" from 12 digits on (CNPJ), and the empty text when there is no digit at all.
std::string Ajusta_Inscricao(std::string& text);

// The edit mask for an inscription of a person type: "F" the CPF mask, "J" the CNPJ mask, any
// other letter ("I": type not yet known) up to 14 digits without literals.
std::string PictPess(std::string_view personType);

// Formats a value with an edit mask "MASK;SAVE;BLANK". Placeholders 0 9 # L l A a C c take the
// value's characters in order and every other mask character is a literal put between them; a
// "\" makes the next character literal, ">" / "<" turn the following letters upper / lower case,
// "<>" turns that off and "!" is ignored. SAVE "0" means the value holds no literals; otherwise
// literals found in the value at their place are taken over. Output ends after the value's last
// character; characters beyond the mask are appended, so nothing typed is ever hidden.
std::string FormatMaskText(std::string_view editMask, std::string_view value);

} // namespace ct
