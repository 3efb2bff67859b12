#pragma once

#include <iosfwd>
#include <string>

namespace ct::server {

// A new password for an operator: from CONTRATANTE_PASSWORD (scripts), typed twice without echo
// on a terminal, or one line of standard input. Throws std::runtime_error when the two typed
// differ or nothing comes.
std::string read_new_password(std::istream& in, std::ostream& prompt);

} // namespace ct::server
