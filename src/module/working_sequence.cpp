#include "module/working_sequence.h"

#include <algorithm>
#include <cctype>

namespace ct {

std::string workingSequence(std::string_view budgetShown, std::string_view entryBudget,
                            std::string_view entrySequence) {
    if (budgetShown != entryBudget)
        return "00";
    return std::string(entrySequence);
}

bool answerAsBool(const nlohmann::json& answer) {
    if (answer.is_boolean())
        return answer.get<bool>();
    if (answer.is_number())
        return answer.get<double>() != 0;
    if (!answer.is_string())
        return false;
    std::string text = answer.get<std::string>();
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text == "S" || text == "T" || text == "TRUE" || text == "1";
}

} // namespace ct
