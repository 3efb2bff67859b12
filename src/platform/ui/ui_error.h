#pragma once

#include <stdexcept>
#include <string>

namespace ct {

// A misuse of the controls by the program (an unknown control name, a second modal show, a
// column index out of range). User input never raises it.
class UiError : public std::runtime_error {
public:
    explicit UiError(const std::string& what)
        : std::runtime_error(what) {}
};

} // namespace ct
