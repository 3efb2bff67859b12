#include "script_mode.h"

#include "host/headless_module.h"
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

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

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
    OpenFormHost formHost;
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
