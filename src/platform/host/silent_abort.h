#pragma once

#include <exception>

namespace ct {

// Ends the operation in progress without a message (the message, if any, was already shown).
// Event dispatch catches it; nothing else should.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "operation aborted"; }
};

} // namespace ct
