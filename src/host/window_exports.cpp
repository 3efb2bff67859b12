// The entry points of libcontratante-window.so, as the host program finds them with dlsym.
#include "host/gui_mode.h"
#include "host/listing_mode.h"
#include "host/window_library.h"

#include <type_traits>

extern "C" {

int ct_host_run_window(const ct::host::LaunchOptions* options, int argc, char** argv) {
    return ct::host::runWindow(*options, argc, argv);
}

int ct_host_write_listing(const ct::host::LaunchOptions* options, int argc, char** argv) {
    return ct::host::writeListing(*options, argc, argv);
}

} // extern "C"

// The program calls them through this type.
static_assert(std::is_same_v<decltype(&ct_host_run_window), ct::host::WindowEntry>);
static_assert(std::is_same_v<decltype(&ct_host_write_listing), ct::host::WindowEntry>);
