#pragma once

#include <nlohmann/json.hpp>
#include <string_view>

namespace ct {

// Reads a JSON text as nlohmann-json's SAX events: the same events, in the same order, and the
// same texts refused as nlohmann::json::sax_parse (strict, no comments, a leading byte order mark
// skipped). It exists for speed: the packets of a big budget run to megabytes, and this reader
// takes a fraction of the library's time, since it looks at each character once and converts a
// number from its text in place. Gives what nlohmann's reader gives: false as soon as the handler
// refuses an event, and the handler's own answer to parse_error on a malformed text.
bool read_json_events(std::string_view text, nlohmann::json_sax<nlohmann::json>& handler);

} // namespace ct
