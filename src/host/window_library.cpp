#include "host/window_library.h"

#include <dlfcn.h>
#include <filesystem>
#include <iostream>

namespace ct::host {

std::string executableFolder() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : self.parent_path().string();
}

int runInWindowLibrary(const char* entry, const LaunchOptions& options, int argc, char** argv) {
    const std::string path = executableFolder() + "/" + windowLibraryName;
    // Kept loaded until the program ends: Qt keeps pointers into it.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle) {
        const char* why = dlerror();
        std::cerr << "contratante: cannot load the window library: " << (why ? why : path) << '\n';
        return 4;
    }
    auto* run = reinterpret_cast<WindowEntry>(dlsym(handle, entry));
    if (!run) {
        std::cerr << "contratante: the window library " << path << " has no entry point " << entry
                  << '\n';
        return 4;
    }
    return run(&options, argc, argv);
}

} // namespace ct::host
