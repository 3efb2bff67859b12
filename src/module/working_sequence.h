#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace ct {

// The sequence a budget is worked in: the entry sequence applies only to the budget given at
// entry; any other budget number is worked in its sequence "00".
std::string workingSequence(std::string_view budgetShown, std::string_view entryBudget,
                            std::string_view entrySequence);

// A server's yes/no answer read as a boolean: true, a non-zero number, or "S", "T", "True", "1"
// (letter case ignored).
bool answerAsBool(const nlohmann::json& answer);

} // namespace ct
