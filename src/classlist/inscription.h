#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ct::classlist {

// A tax inscription read from a list: its digits as stored and the person type they make ("F"
// for a CPF, "J" for a CNPJ).
struct Inscription {
    std::string digits;
    std::string personType;
    bool operator==(const Inscription&) const = default;
};

// Whether the digits are a CPF (11) or a CNPJ (14) whose check digits hold; a number of one
// repeated digit ("111.111.111-11") is not.
bool validCpf(std::string_view digits);
bool validCnpj(std::string_view digits);

// Reads an inscription as a spreadsheet holds it, masked or not. Spreadsheets drop leading zeros
// from numbers, so up to 11 digits are read as a CPF and 12 to 14 as a CNPJ, padded with zeros.
// Nothing when the text has letters, too many digits or wrong check digits.
std::optional<Inscription> readInscription(std::string_view text);

// The inscription with the mask of its person type ("529.982.247-25").
std::string maskedInscription(const Inscription& inscription);

} // namespace ct::classlist
