#pragma once

#include <exception>
#include <string>

namespace ct::server {

// What a failed statement means to the one who called: a clash with the data (a key that exists,
// a row another one still refers to), the data held by another user too long, or a failure of
// the server's own. Read from the engine's error, never shown as it is: its text holds SQL and
// bound values.
struct DatabaseFailure {
    enum class Kind { clash, busy, other };
    Kind kind = Kind::other;
    std::string refusal; // in Portuguese, naming what clashed (clash and busy)
};

DatabaseFailure classify_failure(const std::exception& error);

} // namespace ct::server
