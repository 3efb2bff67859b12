#include "script_mode.h"

#include "host/host_session.h"
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "platform/net/net_connection.h"
#include "platform/ui/form_host.h"
#include "scenario/session.h"

#include <fstream>
#include <sstream>

namespace ct::host {
namespace {

// The screen module as the host enters it: IniProc with the four entry values.
class ModuleDriver final : public scenario::ScreenDriver {
public:
    void start(const std::string& branch, const std::string& budget, const std::string& sequence,
               const std::string& origin) override {
        IniProc(nlohmann::json::array({branch, budget, sequence, origin}));
    }
    Form* form() override { return frmContratante; }
    DataSet* dataSet(std::string_view name) override {
        return frmContratante ? frmContratante->dataSetByName(name) : nullptr;
    }
};

// A modal show that returns at once, leaving the screen shown for the next lines to drive.
class ScriptFormHost final : public FormHost {
public:
    void showModal(Form&) override {}
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Loads the module for the session and unloads it afterwards.
struct ModuleLoaded {
    ModuleLoaded() { Initialize(); }
    ~ModuleLoaded() { Finalize(); }
    ModuleLoaded(const ModuleLoaded&) = delete;
    ModuleLoaded& operator=(const ModuleLoaded&) = delete;
};

} // namespace

int runScript(const LaunchOptions& options, std::ostream& out) {
    scenario::Transcript transcript(out);
    std::vector<scenario::ScriptLine> lines;
    try {
        lines = scenario::parseScript(readFile(options.script));
    } catch (const scenario::ScriptError& e) {
        transcript.fail(e.line(), "a valid script line", e.what());
        return 1;
    } catch (const std::exception& e) {
        transcript.error(e.what());
        return 1;
    }

    HostSession session(options);
    ScriptFormHost formHost;
    ScopedFormHost hostGuard(formHost);
    ModuleLoaded module;
    ModuleDriver driver;
    scenario::Session run(driver, transcript);
    setServerCallObserver([&run](const CallRecord& call) { run.recordCall(call); });
    const bool ok = run.run(lines);
    setServerCallObserver({});
    return ok ? 0 : 1;
}

} // namespace ct::host
