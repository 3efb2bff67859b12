#include "host/headless_module.h"

#include "module/frm_contratante.h"
#include "module/module_entry.h"

namespace ct::host {

ModuleLoaded::ModuleLoaded() {
    Initialize();
}

ModuleLoaded::~ModuleLoaded() {
    Finalize();
}

void ModuleDriver::start(const std::string& branch, const std::string& budget,
                         const std::string& sequence, const std::string& origin) {
    IniProc(nlohmann::json::array({branch, budget, sequence, origin}));
}

Form* ModuleDriver::form() {
    return frmContratante;
}

DataSet* ModuleDriver::dataSet(std::string_view name) {
    return frmContratante ? frmContratante->dataSetByName(name) : nullptr;
}

} // namespace ct::host
