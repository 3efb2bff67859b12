// The fast JSON reader beside nlohmann-json's on any text: both must give the same events and
// accept or refuse alike.
#include "json/event_log.h"
#include "json/json_event_reader.h"
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ct::testing::EventLog ours;
    ct::testing::EventLog theirs;
    const bool our_result = ct::read_json_events(text, ours);
    const bool their_result = nlohmann::json::sax_parse(text.begin(), text.end(), &theirs);
    if (our_result != their_result || ours.text != theirs.text)
        std::abort();
    return 0;
}
