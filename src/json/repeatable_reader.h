#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace ct {

// A reader of one element of a server answer that can take an answer it read before again
// without reading it: a data set's PacketReader, whose set still holds, unchanged, what it loaded
// from it. The connection names each answer it hands out with a tag.
class RepeatableReader : public nlohmann::json_sax<nlohmann::json> {
public:
    // The answer about to be read, for the set to note when it is loaded.
    virtual void setSourceTag(std::string tag) = 0;
    // True when the target still holds, unchanged, what it loaded from the answer `tag`.
    virtual bool canRepeat(const std::string& tag) const = 0;
    // Takes that answer again instead of reading it: the reader is complete, and loading it runs
    // a load of what the target holds.
    virtual void repeat() = 0;
};

} // namespace ct
