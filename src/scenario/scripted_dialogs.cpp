#include "scripted_dialogs.h"

#include "platform/dataset/dataset.h"

#include <fmt/format.h>

namespace ct::scenario {

std::string typeName(MsgType type) {
    switch (type) {
    case MsgType::Error:
        return "error";
    case MsgType::Warning:
        return "warning";
    case MsgType::Information:
        return "information";
    case MsgType::Confirmation:
        return "confirmation";
    }
    return "information";
}

std::string answerName(MsgResult answer) {
    switch (answer) {
    case MsgResult::Ok:
        return "ok";
    case MsgResult::Yes:
        return "yes";
    case MsgResult::No:
        return "no";
    case MsgResult::Cancel:
        return "cancel";
    case MsgResult::None:
        break;
    }
    return "none";
}

std::vector<std::string> ScriptedDialogs::takeMessages() {
    return std::exchange(messages_, {});
}

std::vector<std::string> ScriptedDialogs::takeProblems() {
    return std::exchange(problems_, {});
}

MsgResult ScriptedDialogs::message(MsgType type, const std::string& text, MsgButtons buttons) {
    messages_.push_back(text);
    const bool question = (buttons & (mbYes | mbNo | mbCancel)) != 0;
    MsgResult answer = MsgResult::Ok;
    if (!question) {
        // An OK-only box acknowledges itself; a queued "ok" is meant for it.
        if (!answers_.empty() && answers_.front() == MsgResult::Ok)
            answers_.pop_front();
    } else if (answers_.empty()) {
        problems_.push_back(fmt::format("question with no queued answer: {}", text));
        answer = (buttons & mbNo) ? MsgResult::No : MsgResult::Cancel;
    } else {
        answer = answers_.front();
        answers_.pop_front();
    }
    transcript_.dialog(typeName(type), text, answerName(answer));
    return answer;
}

bool ScriptedDialogs::search(const SearchRequest& request) {
    const int rows = request.list && request.list->active() ? request.list->recordCount() : 0;
    if (rows == 0) {
        // An empty list shows its text instead and takes no pick.
        transcript_.search(request.title, 0, "none");
        message(MsgType::Information, request.emptyText, mbOK);
        return false;
    }
    if (picks_.empty()) {
        problems_.push_back(fmt::format("search list with no queued pick: {}", request.title));
        transcript_.search(request.title, rows, "none");
        return false;
    }
    std::optional<int> pick = picks_.front();
    picks_.pop_front();
    if (pick && (*pick < 1 || *pick > rows)) {
        problems_.push_back(fmt::format("pick {} of a list of {} rows", *pick, rows));
        pick.reset();
    }
    transcript_.search(request.title, rows, pick ? std::to_string(*pick) : "none");
    if (!pick)
        return false;
    request.list->setRecNo(*pick);
    return true;
}

void ScriptedDialogs::showProgress(int, const std::string&) {
    ++progressDepth_;
}

void ScriptedDialogs::hideProgress() {
    if (progressDepth_ > 0)
        --progressDepth_;
}

} // namespace ct::scenario
