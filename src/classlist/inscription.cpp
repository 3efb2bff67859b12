#include "classlist/inscription.h"

#include "platform/host/text_routines.h"

#include <algorithm>
#include <array>

namespace ct::classlist {
namespace {

template <std::size_t N>
int checkDigit(std::string_view digits, const std::array<int, N>& weights) {
    int sum = 0;
    for (std::size_t i = 0; i < N; ++i)
        sum += (digits[i] - '0') * weights[i];
    const int rest = sum % 11;
    return rest < 2 ? 0 : 11 - rest;
}

bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool oneRepeatedDigit(std::string_view digits) {
    return std::all_of(digits.begin(), digits.end(), [&](char c) { return c == digits.front(); });
}

} // namespace

bool validCpf(std::string_view d) {
    if (d.size() != 11 || !allDigits(d) || oneRepeatedDigit(d))
        return false;
    const int first = checkDigit(d, std::array{10, 9, 8, 7, 6, 5, 4, 3, 2});
    const int second = checkDigit(d, std::array{11, 10, 9, 8, 7, 6, 5, 4, 3, 2});
    return d[9] - '0' == first && d[10] - '0' == second;
}

bool validCnpj(std::string_view d) {
    if (d.size() != 14 || !allDigits(d) || oneRepeatedDigit(d))
        return false;
    const int first = checkDigit(d, std::array{5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2});
    const int second = checkDigit(d, std::array{6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2});
    return d[12] - '0' == first && d[13] - '0' == second;
}

std::optional<Inscription> readInscription(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != '.' && c != '-' && c != '/' && c != ' ' && c != '\t')
            return std::nullopt;
    }
    if (digits.empty() || digits.size() > 14)
        return std::nullopt;
    const std::size_t width = digits.size() <= 11 ? 11 : 14;
    digits.insert(0, width - digits.size(), '0');
    if (width == 11 ? !validCpf(digits) : !validCnpj(digits))
        return std::nullopt;
    return Inscription{digits, width == 11 ? "F" : "J"};
}

std::string maskedInscription(const Inscription& inscription) {
    return FormatMaskText(PictPess(inscription.personType), inscription.digits);
}

} // namespace ct::classlist
