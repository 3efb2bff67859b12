#pragma once

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace ct {

// Reads a JSON text as nlohmann-json's SAX events: the same events, in the same order, and the
// same texts refused as nlohmann::json::sax_parse (strict, no comments, a leading byte order mark
// skipped). It exists for speed: the packets of a big budget run to megabytes, and this reader
// takes a fraction of the library's time, since it looks at each character once and converts a
// number from its text in place. Gives what nlohmann's reader gives: false as soon as the handler
// refuses an event, and the handler's own answer to parse_error on a malformed text.
bool read_json_events(std::string_view text, nlohmann::json_sax<nlohmann::json>& handler);

// A place where the rest of an array may have been read by another reader: when an element of
// an array starts at offset `at`, `take` is asked; an answer is the offset of that array's closing
// bracket, where reading goes on as if the elements between had been read; none, and the reader
// reads them itself.
struct JsonHandover {
    std::size_t at = 0;
    std::function<std::optional<std::size_t>()> take;
};
bool read_json_events(std::string_view text, nlohmann::json_sax<nlohmann::json>& handler,
                      const JsonHandover& handover);

// Reads the elements of an array from `from`, where one of them starts, up to the array's
// closing bracket, which it leaves unread: the events of the elements only. Returns the
// bracket's offset; none when the text there is no such run of elements (parse_error is not
// called) or the handler refuses an event.
std::optional<std::size_t> read_json_elements(std::string_view text, std::size_t from,
                                              nlohmann::json_sax<nlohmann::json>& handler);

} // namespace ct
