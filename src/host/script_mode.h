#pragma once

#include "host/launch_options.h"

#include <ostream>

namespace ct::host {

// Runs the scripted session of --script against the screen module, writing the transcript to
// `out`. Returns the program's exit code: 0 when every expectation held, 1 otherwise.
int runScript(const LaunchOptions& options, std::ostream& out);

} // namespace ct::host
