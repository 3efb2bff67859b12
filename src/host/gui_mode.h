#pragma once

#include "host/launch_options.h"

#include <string>

namespace ct::host {

// Runs the window: a Qt application with the session of the launch options, the screen module
// loaded with dlopen and entered through IniProc with the four entry values (asked for when none
// were given; the origin is then empty). A server that requires sign-in is signed in to through
// a dialog unless --operator and CONTRATANTE_PASSWORD do it. With --screenshot,
// writes a PNG of the window once the activation is done and closes it. Returns the program's
// exit code; a missing display, an unreachable server or a module that cannot be loaded print one
// line on standard error and return non-zero.
int runWindow(const LaunchOptions& options, int argc, char** argv);

// Where the screen module is: $CONTRATANTE_MODULE, else libprq31000.so beside the executable.
std::string modulePath();

// Whether a Qt window can be opened here (a display, or a Qt platform named explicitly).
bool displayAvailable();

} // namespace ct::host
