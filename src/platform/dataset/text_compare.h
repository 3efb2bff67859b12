#pragma once

#include <string>
#include <string_view>

namespace ct {

// Text comparisons of the data set (UTF-8, Portuguese letters).

// ASCII case-insensitive equality, for field names.
bool sameName(std::string_view a, std::string_view b);
// Lower case of Latin letters, accents kept ("JOÃO" -> "joão").
std::string foldCase(std::string_view text);
// Order for the field-order index: letters first compared without case and accents
// ("Álvaro" < "bruno" < "Bruno" < "Carla"), then by case/accents, then byte by byte.
int collate(std::string_view a, std::string_view b);

} // namespace ct
