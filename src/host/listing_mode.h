#pragma once

#include "host/launch_options.h"

namespace ct::host {

// --listing FILE BRANCH BUDGET SEQUENCE: the budget's listing, built by the screen as "Listagem"
// builds it, written as PDF on the page set up last; no window opens (without a display Qt's
// offscreen platform is used). Returns the exit code: 0 when the file was written.
int writeListing(const LaunchOptions& options, int argc, char** argv);

} // namespace ct::host
