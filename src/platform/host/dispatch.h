#pragma once

#include <functional>
#include <string>

namespace ct {

// Runs an operation started by the user (a click, a key, a focus move, a post). The silent
// abort ends it quietly; any other exception goes to the host's error display.
// Returns false when the operation did not run to its end.
bool dispatch(const std::function<void()>& operation);

using ErrorDisplay = std::function<void(const std::string& text)>;
// The host's error display; by default the text is written to standard error.
// Returns the previous display.
ErrorDisplay setErrorDisplay(ErrorDisplay display);
void showError(const std::string& text);

} // namespace ct
