#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ct {

class DataSet;
class Field;
class Messages;

// Display text of a party status: empty for a set without rows, "Lançado" for a blank status,
// otherwise the catalogue text of the status code (the code itself when the catalogue lacks it).
std::string statusDisplayText(const Messages& catalogue, bool noRows, std::string_view code);

// The status code whose display text is exactly `text` (letter case counts), or nothing.
std::optional<std::string> statusCodeOf(const Messages& catalogue, std::string_view text);

// The inscription of the row being shown, formatted with the mask of the row's person type
// (IDTPIJURCLIE of the same data set).
std::string maskedInscription(const DataSet& dataSet, const Field& inscription);

// What a new party is charged by default: the part of the realised value that the parties do not
// carry yet, or nothing when they already carry all of it (money rounded to cents).
std::optional<double> uncoveredShare(double realised, double charged);

} // namespace ct
