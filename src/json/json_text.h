#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace ct {

// A value as this system writes it into JSON text, on both ends of the wire: compact, with any
// text that is not UTF-8 replaced (U+FFFD) rather than failing the call, answer, save or
// transcript it goes into.
inline std::string json_text(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace ct
