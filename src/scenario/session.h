#pragma once

#include "platform/net/net_connection.h"
#include "scenario/screen_driver.h"
#include "scenario/script.h"
#include "scenario/scripted_dialogs.h"
#include "scenario/transcript.h"

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace ct {
class Control;
class DBGrid;
class Field;
} // namespace ct

namespace ct::scenario {

// Runs a scripted session against a screen: every command, dialog, server call and failed
// expectation goes to the transcript. A failed line does not stop the session; the verdict comes
// at the end.
class Session {
public:
    Session(ScreenDriver& driver, Transcript& transcript);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs every line; true when every expectation held and nothing went wrong.
    bool run(const std::vector<ScriptLine>& lines);
    bool runLine(const ScriptLine& line);
    // The end-of-session checks (unused answers or picks); true when clean.
    bool finish();

    // Feed of the screen's server calls (wire it to the connection's call observer).
    void recordCall(const CallRecord& call);
    int callCount(const std::string& method) const;
    // The arguments of the last call of METHOD since the last start line; nullptr when none.
    const nlohmann::json* lastParams(const std::string& method) const;

    ScriptedDialogs& dialogs() { return dialogs_; }

private:
    struct LineFailure {
        std::string expected;
        std::string found;
    };

    void execute(const ScriptLine& line);
    void expect(const ScriptLine& line);
    void fail(std::string expected, std::string found);

    // The form the user is in: a dialog shown over the screen, otherwise the screen.
    Form& form();
    Form& screen();
    // The name of form(), empty before the screen exists.
    std::string formName();
    Control& control(const std::string& name);
    Control& usableControl(const std::string& name);
    DBGrid& focusedGrid();
    int gridColumn(DBGrid& grid, const std::string& field);
    DataSet& dataSet(const std::string& name);
    Field& field(const std::string& dataSet, const std::string& name);
    void pressKey(Control& target, const std::string& key);
    std::string visibleText(Control& control);

    ScreenDriver& driver_;
    Transcript& transcript_;
    ScriptedDialogs dialogs_;
    DialogService* previousDialogs_;
    std::map<std::string, int> calls_;
    std::map<std::string, SentParams> lastParams_;
    // Those read as documents, when a line asked for them.
    mutable std::map<std::string, nlohmann::json> lastParamsRead_;
    int line_ = 0;
    bool ok_ = true;
};

} // namespace ct::scenario
