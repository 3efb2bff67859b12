#pragma once

#include "host/launch_options.h"
#include "platform/host/report.h"

#include <optional>
#include <ostream>

namespace ct::host {

// The screen's list commands without a window, for scripts. The screen is entered with the entry
// values as the host enters it; a new row the entry may have started is cancelled; then the
// command runs as its menu item does, on the file of the command line instead of a file dialog.
// Information goes to `out`, errors and the rows an import leaves out to `err`; questions are
// answered No. Returns the exit code: 0 when the command did its work, 1 otherwise.
//   --import-list FILE: the good rows become parties in one save (the others are listed);
//   --export-list FILE: the parties as CSV.
int runListCommand(const LaunchOptions& options, std::ostream& out, std::ostream& err);

// The listing of --listing as the screen builds it (nothing after a failure, shown on `err`).
std::optional<Report> captureListing(const LaunchOptions& options, std::ostream& err);

} // namespace ct::host
