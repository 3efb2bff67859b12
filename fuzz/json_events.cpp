// The fast JSON reader beside nlohmann-json's on any text: both must give the same events and
// accept or refuse alike. Read again with the rest of an array handed over at one offset (the
// first "[" or "," past the middle) to a reader of its own elements, it must give the same events.
#include "json/event_log.h"
#include "json/json_event_reader.h"
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

void check_handover(std::string_view text, bool whole_result, const std::string& whole) {
    const std::size_t mark = text.find_first_of("[,", text.size() / 2);
    if (mark == std::string_view::npos)
        return;
    const std::size_t at = mark + 1;
    ct::testing::EventLog ours;
    const ct::JsonHandover handover{at, [&]() -> std::optional<std::size_t> {
                                        ct::testing::EventLog rest;
                                        const std::optional<std::size_t> end =
                                            ct::read_json_elements(text, at, rest);
                                        if (end) {
                                            if (text[*end] != ']')
                                                std::abort();
                                            ours.text += rest.text;
                                        }
                                        return end;
                                    }};
    if (ct::read_json_events(text, ours, handover) != whole_result || ours.text != whole)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ct::testing::EventLog ours;
    ct::testing::EventLog theirs;
    const bool our_result = ct::read_json_events(text, ours);
    const bool their_result = nlohmann::json::sax_parse(text.begin(), text.end(), &theirs);
    if (our_result != their_result || ours.text != theirs.text)
        std::abort();
    check_handover(text, our_result, ours.text);
    return 0;
}
