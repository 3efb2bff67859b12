#include "host/batch_mode.h"
#include "host/launch_options.h"
#include "host/script_mode.h"
#ifdef CT_WITH_WINDOW
#include "host/window_library.h"
#endif

#include <iostream>
#include <spdlog/spdlog.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // One heap for every thread. The program serves one user, so the embedded server's threads
    // take turns; with a heap per thread a reload could not reuse what the one before freed on
    // another thread (peak memory opening 10,000 parties on PostgreSQL: 70.6 -> 52.9 MB).
    mallopt(M_ARENA_MAX, 1);
#endif
    int exitCode = 0;
    auto options = ct::host::parseLaunchOptions(argc, argv, exitCode);
    if (!options)
        return exitCode;
    // The embedded server's call log would mix with the transcript; errors still show.
    spdlog::set_level(spdlog::level::warn);
    try {
        if (!options->script.empty())
            return ct::host::runScript(*options, std::cout);
        if (!options->importList.empty() || !options->exportList.empty())
            return ct::host::runListCommand(*options, std::cout, std::cerr);
#ifdef CT_WITH_WINDOW
        if (!options->listing.empty())
            return ct::host::runInWindowLibrary(ct::host::writeListingEntry, *options, argc, argv);
        return ct::host::runInWindowLibrary(ct::host::runWindowEntry, *options, argc, argv);
#else
        std::cerr << "contratante: this build has no window nor PDF listing (configure with "
                     "CT_BUILD_GUI=ON); run a scripted session with --script FILE\n";
        return 2;
#endif
    } catch (const std::exception& e) {
        std::cerr << "contratante: " << e.what() << '\n';
        return 1;
    }
}
