#pragma once

#include "host/server_sign_in.h"

#include <array>
#include <optional>
#include <string>

namespace ct::host {

// The window's questions before the screen opens (a QApplication must exist).

// Operator code and password for a server that requires sign-in, with why the last try was
// refused. Nothing when the user cancels.
std::optional<Credentials> askCredentials(const std::string& code, const std::string& problem);

// Branch, budget and sequence to open when the program was started without them (from the
// desktop's menu), brought to their stored widths. Nothing when the user cancels.
std::optional<std::array<std::string, 3>> askBudget();

} // namespace ct::host
