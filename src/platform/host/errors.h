#pragma once

#include "platform/host/server_result.h"

#include <nlohmann/json.hpp>
#include <string>

namespace ct {

// Shows the text as an error and ends the operation in progress (silent abort).
[[noreturn]] void MensErro(const std::string& text);
// As above; with abort false the text is only shown and the caller goes on.
void MensErro(const std::string& text, bool abort);

// The payload of a good server result. On an error result the server's message is shown as an
// error and the operation ends (silent abort); with showError false the error is raised as a
// ServerError instead, for the caller to handle. The help context is accepted and unused.
nlohmann::json CheckResultServ(const ServerResult& result, bool showError = true,
                               int helpContext = 0);
// The same for a result not needed afterwards: the payload is moved out, not copied.
nlohmann::json CheckResultServ(ServerResult&& result, bool showError = true, int helpContext = 0);

} // namespace ct
