#include "session.h"

#include "platform/dataset/dataset.h"
#include "platform/dataset/format.h"
#include "platform/db/db_error.h"
#include "platform/db/query.h"
#include "platform/host/dispatch.h"
#include "platform/net/net_connection.h"
#include "platform/ui/form.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"
#include "platform/ui/utf8.h"

#include <charconv>
#include <cmath>
#include <fmt/format.h>

namespace ct::scenario {
namespace {

// An expectation that did not hold, or a line that could not be carried out.
struct LineFailed {
    std::string expected;
    std::string found;
};

int toNumber(const std::string& text, const char* what) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw LineFailed{fmt::format("{} as a whole number", what), text};
    return value;
}

bool yesNo(const std::string& text) {
    if (text == "yes")
        return true;
    if (text == "no")
        return false;
    throw LineFailed{"yes or no", text};
}

// What a read-only query gives on the host's database connection, read as the screen's lookups
// read theirs: each row's values joined by "|", the rows by ";" (a null is empty).
std::string queryText(const std::string& sql) {
    db::Query query("expect query");
    query.setSql(sql);
    try {
        query.open();
    } catch (const db::DbError& e) {
        throw LineFailed{"a query that runs", e.what()};
    }
    DataSet& rows = query.dataSet();
    std::string out;
    for (rows.first(); !rows.eof(); rows.next()) {
        if (rows.recNo() > 1)
            out += ';';
        for (int i = 0; i < rows.fieldCount(); ++i)
            out += (i ? "|" : "") + rows.field(i).asString();
    }
    return out;
}

std::string joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& text : texts)
        out += (out.empty() ? "" : " | ") + text;
    return out;
}

// "today", "today+N" and "today-N" stand for that date in the Brazilian form, so that scripts can
// type and expect due dates whatever day they run; any other word is left as it is.
std::string expandDate(const std::string& word) {
    if (word.rfind("today", 0) != 0)
        return word;
    std::string_view rest = std::string_view(word).substr(5);
    int offset = 0;
    if (!rest.empty()) {
        if (rest.front() != '+' && rest.front() != '-')
            return word;
        auto [end, error] = std::from_chars(rest.data() + 1, rest.data() + rest.size(), offset);
        if (error != std::errc() || end != rest.data() + rest.size() || rest.size() == 1)
            return word;
        if (rest.front() == '-')
            offset = -offset;
    }
    return formatDate(DateTime::today().addDays(offset));
}

ScriptLine withDates(const ScriptLine& line) {
    ScriptLine expanded = line;
    for (std::string& arg : expanded.args)
        arg = expandDate(arg);
    return expanded;
}

// An argument of a call as a script writes it: a string as its text, a number by value ("220"
// matches 220.0), anything else as compact JSON.
bool argumentMatches(const nlohmann::json& sent, const std::string& text) {
    if (sent.is_string())
        return sent.get<std::string>() == text;
    if (sent.is_number()) {
        double wanted = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), wanted);
        if (error == std::errc() && end == text.data() + text.size())
            return std::abs(sent.get<double>() - wanted) <= 1e-9 * std::max(1.0, std::abs(wanted));
    }
    return sent.dump() == text;
}

std::string argumentText(const nlohmann::json& sent) {
    return sent.is_string() ? sent.get<std::string>() : sent.dump();
}

// The rows of a packet as objects keyed by field name, easier to read in a transcript.
nlohmann::json rowsOf(const nlohmann::json& packet) {
    nlohmann::json rows = nlohmann::json::array();
    if (!packet.is_object())
        return rows;
    const auto& fields = packet.at("fields");
    for (const auto& row : packet.at("rows")) {
        nlohmann::json object = nlohmann::json::object();
        for (std::size_t i = 0; i < fields.size() && i < row.size(); ++i)
            object[fields[i].at("name").get<std::string>()] = row[i];
        rows.push_back(std::move(object));
    }
    return rows;
}

} // namespace

Session::Session(ScreenDriver& driver, Transcript& transcript)
    : driver_(driver)
    , transcript_(transcript)
    , dialogs_(transcript)
    , previousDialogs_(setDialogService(&dialogs_)) {
    // Errors that are not the silent abort are shown to the user like any other message.
    setErrorDisplay(
        [this](const std::string& text) { dialogs_.message(MsgType::Error, text, mbOK); });
}

Session::~Session() {
    setErrorDisplay(nullptr);
    setDialogService(previousDialogs_);
}

bool Session::run(const std::vector<ScriptLine>& lines) {
    for (const ScriptLine& line : lines)
        runLine(line);
    return finish();
}

bool Session::runLine(const ScriptLine& line) {
    line_ = line.number;
    transcript_.command(line.number, line.text(), formName());
    bool held = true;
    try {
        execute(withDates(line));
    } catch (const LineFailed& failure) {
        fail(failure.expected, failure.found);
        held = false;
    } catch (const std::exception& e) {
        fail(line.text(), fmt::format("error: {}", e.what()));
        held = false;
    }
    for (const std::string& problem : dialogs_.takeProblems()) {
        fail("a queued answer", problem);
        held = false;
    }
    return held;
}

bool Session::finish() {
    if (dialogs_.unusedAnswers() > 0)
        fail("every queued answer used", fmt::format("{} left", dialogs_.unusedAnswers()));
    if (dialogs_.unusedPicks() > 0)
        fail("every queued pick used", fmt::format("{} left", dialogs_.unusedPicks()));
    return ok_;
}

void Session::fail(std::string expected, std::string found) {
    ok_ = false;
    transcript_.fail(line_, expected, found);
}

void Session::recordCall(const CallRecord& call) {
    ++calls_[call.method];
    lastParams_[call.method] = call.params;
    lastParamsRead_.erase(call.method);
    transcript_.call(call.method, call.params.text(), static_cast<long long>(call.ms + 0.5),
                     call.ok ? std::string() : call.errorMessage);
}

int Session::callCount(const std::string& method) const {
    auto it = calls_.find(method);
    return it == calls_.end() ? 0 : it->second;
}

const nlohmann::json* Session::lastParams(const std::string& method) const {
    auto it = lastParams_.find(method);
    if (it == lastParams_.end())
        return nullptr;
    auto read = lastParamsRead_.find(method);
    if (read == lastParamsRead_.end())
        read = lastParamsRead_.emplace(method, it->second.read()).first;
    return &read->second;
}

void Session::execute(const ScriptLine& line) {
    const std::string& c = line.command;
    const auto& a = line.args;
    if (c == "start") {
        calls_.clear();
        lastParams_.clear();
        lastParamsRead_.clear();
        driver_.start(a[0], a[1], a[2], a[3]);
    } else if (c == "activate") {
        screen().activate();
    } else if (c == "focus") {
        Control& target = control(a[0]);
        form().userFocus(target);
    } else if (c == "type") {
        Control& target = usableControl(a[0]);
        if (target.readOnly())
            throw LineFailed{fmt::format("{} writable", a[0]), "read-only"};
        form().userType(target, a[1]);
    } else if (c == "key") {
        pressKey(control(a[0]), a[1]);
    } else if (c == "click") {
        Control& target = usableControl(a[0]);
        if (auto* grid = dynamic_cast<DBGrid*>(&target)) {
            DataSet* set = grid->dataSet();
            grid->userClickCell(set ? set->recNo() : 0, grid->selectedIndex());
        } else {
            form().userClick(target);
        }
    } else if (c == "col") {
        DBGrid& grid = focusedGrid();
        grid.userSelectColumn(gridColumn(grid, a[0]));
    } else if (c == "cell") {
        DBGrid& grid = focusedGrid();
        int column = gridColumn(grid, a[0]);
        grid.userSelectColumn(column);
        if (grid.selectedIndex() != column)
            throw LineFailed{fmt::format("column {} selected", a[0]), "the grid kept its column"};
        if (!grid.canEditCell())
            throw LineFailed{fmt::format("cell {} writable", a[0]), "read-only cell"};
        grid.userTypeCell(column, a[1]);
    } else if (c == "row") {
        focusedGrid().userSelectRow(toNumber(a[0], "row"));
    } else if (c == "ellipsis") {
        DBGrid& grid = focusedGrid();
        grid.userClickEllipsis(gridColumn(grid, a[0]));
    } else if (c == "title") {
        DBGrid& grid = focusedGrid();
        grid.userClickTitle(gridColumn(grid, a[0]));
    } else if (c == "answer") {
        if (a[0] == "yes")
            dialogs_.queueAnswer(MsgResult::Yes);
        else if (a[0] == "no")
            dialogs_.queueAnswer(MsgResult::No);
        else if (a[0] == "ok")
            dialogs_.queueAnswer(MsgResult::Ok);
        else
            throw LineFailed{"yes, no or ok", a[0]};
    } else if (c == "pick") {
        dialogs_.queuePick(a[0] == "none" ? std::optional<int>() : toNumber(a[0], "pick"));
    } else if (c == "close") {
        // A dialog closes as its window does; the screen through its exit command.
        if (&form() != &screen()) {
            form().userClose();
        } else {
            Control& exit = usableControl("mnuSair");
            form().userClick(exit);
        }
    } else if (c == "dump") {
        transcript_.dump(a[0], rowsOf(dataSet(a[0]).data()));
    } else if (c == "expect") {
        expect(line);
    }
}

void Session::expect(const ScriptLine& line) {
    const std::string& what = line.args[0];
    const auto& a = line.args;
    if (what == "message") {
        auto messages = dialogs_.takeMessages();
        std::string found = messages.empty() ? "no message" : messages.back();
        if (messages.empty() || messages.back() != a[1])
            throw LineFailed{a[1], messages.size() > 1 ? joined(messages) : found};
    } else if (what == "no-message") {
        auto messages = dialogs_.takeMessages();
        if (!messages.empty())
            throw LineFailed{"no message", joined(messages)};
    } else if (what == "text") {
        std::string found = visibleText(control(a[1]));
        if (found != a[2])
            throw LineFailed{a[2], found};
    } else if (what == "contains") {
        std::string found = visibleText(control(a[1]));
        if (found.find(a[2]) == std::string::npos)
            throw LineFailed{"a text with " + a[2], found};
    } else if (what == "enabled") {
        bool wanted = yesNo(a[2]);
        bool found = control(a[1]).enabledInChain();
        if (found != wanted)
            throw LineFailed{a[2], found ? "yes" : "no"};
    } else if (what == "focus") {
        Control& wanted = control(a[1]);
        Control* found = form().activeControl();
        if (found != &wanted)
            throw LineFailed{a[1], found ? found->name() : "nothing"};
    } else if (what == "field") {
        Field& f = field(a[1], a[2]);
        std::string found = f.isNull() ? std::string() : f.displayText();
        if (found != a[3])
            throw LineFailed{a[3], found};
    } else if (what == "rows") {
        DataSet& set = dataSet(a[1]);
        int found = set.active() ? set.recordCount() : 0;
        if (found != toNumber(a[2], "rows"))
            throw LineFailed{a[2], std::to_string(found)};
    } else if (what == "recno") {
        int found = dataSet(a[1]).recNo();
        if (found != toNumber(a[2], "recno"))
            throw LineFailed{a[2], std::to_string(found)};
    } else if (what == "filled") {
        Field& f = field(a[1], a[2]);
        if (f.isNull() || f.asString().empty())
            throw LineFailed{fmt::format("{} filled", a[2]), "empty"};
    } else if (what == "calls") {
        int found = callCount(a[1]);
        if (found != toNumber(a[2], "calls"))
            throw LineFailed{a[2], std::to_string(found)};
    } else if (what == "call") {
        // Arguments are counted from 1, as rows and picks are.
        const nlohmann::json* params = lastParams(a[1]);
        if (!params)
            throw LineFailed{fmt::format("a call of {}", a[1]), "no call"};
        int index = toNumber(a[2], "argument");
        if (index < 1 || static_cast<std::size_t>(index) > params->size())
            throw LineFailed{fmt::format("argument {} of {}", index, a[1]),
                             fmt::format("{} argument(s)", params->size())};
        const nlohmann::json& sent = (*params)[static_cast<std::size_t>(index - 1)];
        if (!argumentMatches(sent, a[3]))
            throw LineFailed{a[3], argumentText(sent)};
    } else if (what == "query") {
        std::string found = queryText(a[1]);
        if (found != a[2])
            throw LineFailed{a[2], found};
    } else if (what == "form") {
        if (form().name() != a[1])
            throw LineFailed{a[1], form().name()};
    } else if (what == "closed" || what == "open") {
        bool wantedOpen = what == "open";
        bool found = screen().isShowing();
        if (found != wantedOpen)
            throw LineFailed{wantedOpen ? "the screen open" : "the screen closed",
                             found ? "open" : "closed"};
    }
}

Form& Session::screen() {
    Form* screen = driver_.form();
    if (!screen)
        throw LineFailed{"a started screen", "no screen (missing start line?)"};
    return *screen;
}

Form& Session::form() {
    Form& shown = screen();
    Form* top = Form::activeForm();
    return shown.isShowing() && top ? *top : shown;
}

std::string Session::formName() {
    return driver_.form() ? form().name() : std::string();
}

Control& Session::control(const std::string& name) {
    Control* found = form().find(name);
    if (!found)
        throw LineFailed{fmt::format("a control named {}", name), "unknown control"};
    return *found;
}

Control& Session::usableControl(const std::string& name) {
    Control& target = control(name);
    if (!target.showing())
        throw LineFailed{fmt::format("{} shown", name), "hidden"};
    if (!target.enabledInChain())
        throw LineFailed{fmt::format("{} enabled", name), "disabled"};
    return target;
}

DBGrid& Session::focusedGrid() {
    auto* grid = dynamic_cast<DBGrid*>(form().activeControl());
    if (!grid) {
        Control* active = form().activeControl();
        throw LineFailed{"a focused grid", active ? active->name() : "nothing focused"};
    }
    return *grid;
}

int Session::gridColumn(DBGrid& grid, const std::string& field) {
    int column = grid.findColumn(field);
    if (column < 0)
        throw LineFailed{fmt::format("a column for {} in {}", field, grid.name()), "unknown field"};
    return column;
}

DataSet& Session::dataSet(const std::string& name) {
    DataSet* set = driver_.dataSet(name);
    if (!set)
        throw LineFailed{fmt::format("a data set named {}", name), "unknown data set"};
    return *set;
}

Field& Session::field(const std::string& setName, const std::string& name) {
    Field* found = dataSet(setName).findField(name);
    if (!found)
        throw LineFailed{fmt::format("a field {} in {}", name, setName), "unknown field"};
    return *found;
}

void Session::pressKey(Control& target, const std::string& key) {
    if (!target.enabledInChain())
        throw LineFailed{fmt::format("{} enabled", target.name()), "disabled"};
    if (form().activeControl() != &target && !form().userFocus(target))
        return; // the screen kept the focus elsewhere; the key goes nowhere
    if (key == "space")
        form().userChar(U' ');
    else if (key == "ctrl+space")
        form().userKey(keySpace, ShiftState{false, true, false});
    else if (key == "backspace")
        form().userChar(U'\b');
    else if (key == "enter")
        form().userChar(U'\r');
    else if (key == "tab")
        form().userKey(keyTab);
    else if (auto shortcut = Shortcut::parse(key); shortcut && utf8::decode(key).size() > 1)
        form().userKey(shortcut->key, shortcut->shift); // "esc", "ctrl+n", "f5"
    else {
        std::u32string chars = utf8::decode(key);
        if (chars.size() != 1)
            throw LineFailed{"one character or a key name", key};
        form().userChar(chars.front());
    }
}

std::string Session::visibleText(Control& target) {
    if (auto* grid = dynamic_cast<DBGrid*>(&target)) {
        DataSet* set = grid->dataSet();
        return set ? grid->cellText(set->recNo(), grid->selectedIndex()) : std::string();
    }
    return target.text();
}

} // namespace ct::scenario
