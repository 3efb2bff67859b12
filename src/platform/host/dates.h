#pragma once

#include <string>

namespace ct {

class Field;

// The edit mask of date fields: "dd/mm/yyyy", literals kept in the text.
std::string DateMask();

// Sets a date field from typed text ("dd/mm/yyyy", "d/m/yy", mask blanks allowed). A text of only
// separators and mask blanks clears the field. A text that is no real date ("31/02/2027") is shown
// as an error and ends the operation (MensErro); the field keeps its value.
void DateSetText(Field& field, const std::string& text);

} // namespace ct
