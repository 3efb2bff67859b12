#pragma once

#include "platform/ui/form_host.h"
#include "scenario/screen_driver.h"

namespace ct::host {

// The screen module entered without a window, as scripted sessions, the list and listing commands
// and the benchmarks use it.

// Loads the module (Initialize) for as long as it lives, and unloads it (Finalize) afterwards.
struct ModuleLoaded {
    ModuleLoaded();
    ~ModuleLoaded();
    ModuleLoaded(const ModuleLoaded&) = delete;
    ModuleLoaded& operator=(const ModuleLoaded&) = delete;
};

// A modal show that returns at once, leaving the screen shown for the caller to drive.
class OpenFormHost final : public FormHost {
public:
    void showModal(Form&) override {}
};

// The module as the host enters it (IniProc with the four entry values), for scripted sessions.
class ModuleDriver final : public scenario::ScreenDriver {
public:
    void start(const std::string& branch, const std::string& budget, const std::string& sequence,
               const std::string& origin) override;
    Form* form() override;
    DataSet* dataSet(std::string_view name) override;
};

} // namespace ct::host
