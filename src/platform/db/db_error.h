#pragma once

#include <stdexcept>
#include <string>

namespace ct::db {

// A database connection or query failed; what() is a message for the user.
class DbError : public std::runtime_error {
public:
    explicit DbError(const std::string& message)
        : std::runtime_error(message) {}
};

} // namespace ct::db
