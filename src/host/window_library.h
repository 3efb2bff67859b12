#pragma once

#include "host/launch_options.h"

#include <string>

namespace ct::host {

// The window and the PDF listing live in a library of their own, libcontratante-window.so beside
// the executable, loaded only when one of them is asked for: a scripted session or a list command
// starts without Qt and the forty libraries it brings with it.
inline constexpr const char* windowLibraryName = "libcontratante-window.so";

// The library's entry points (extern "C", so that dlsym finds them by these names).
inline constexpr const char* runWindowEntry = "ct_host_run_window";
inline constexpr const char* writeListingEntry = "ct_host_write_listing";
using WindowEntry = int (*)(const LaunchOptions* options, int argc, char** argv);

// The folder of the running executable ("." when it cannot be told).
std::string executableFolder();

// Loads the window library and runs one of its entry points. Its symbols join the program's, so
// that the screen module it loads finds one copy of the host framework. When it cannot be loaded,
// prints one line on standard error and returns 4.
int runInWindowLibrary(const char* entry, const LaunchOptions& options, int argc, char** argv);

} // namespace ct::host
