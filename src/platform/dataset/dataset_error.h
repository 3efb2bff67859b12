#pragma once

#include <stdexcept>
#include <string>

namespace ct {

// Refusal of a data set operation: bad value, wrong state, malformed packet, unknown field.
// The data set is left as it was before the refused operation.
class DataSetError : public std::runtime_error {
public:
    explicit DataSetError(const std::string& message)
        : std::runtime_error(message) {}
};

} // namespace ct
