#include "platform/host/fake_dialog_service.h"

#include "platform/dataset/dataset.h"

#include <algorithm>

namespace ct {
namespace {

bool answerFits(MsgResult answer, MsgButtons buttons) {
    switch (answer) {
    case MsgResult::Ok:
        return (buttons & mbOK) != 0;
    case MsgResult::Yes:
        return (buttons & mbYes) != 0;
    case MsgResult::No:
        return (buttons & mbNo) != 0;
    case MsgResult::Cancel:
        return (buttons & mbCancel) != 0;
    case MsgResult::None:
        return false;
    }
    return false;
}

} // namespace

MsgResult FakeDialogService::message(MsgType type, const std::string& text, MsgButtons buttons) {
    Dialog dialog;
    dialog.kind = Dialog::Kind::Message;
    dialog.type = type;
    dialog.text = text;
    dialog.buttons = buttons;

    const bool okOnly = buttons == mbOK || buttons == 0;
    if (okOnly) {
        if (!answers_.empty() && answers_.front() == MsgResult::Ok)
            answers_.pop_front();
        dialog.answer = MsgResult::Ok;
    } else {
        if (answers_.empty()) {
            log_.push_back(dialog);
            throw UnexpectedDialog("question without a queued answer: " + text);
        }
        const MsgResult answer = answers_.front();
        if (!answerFits(answer, buttons)) {
            log_.push_back(dialog);
            throw UnexpectedDialog("queued answer has no button in: " + text);
        }
        answers_.pop_front();
        dialog.answer = answer;
    }
    log_.push_back(dialog);
    return dialog.answer;
}

bool FakeDialogService::search(const SearchRequest& request) {
    Dialog dialog;
    dialog.kind = Dialog::Kind::Search;
    dialog.text = request.title;
    if (picks_.empty()) {
        log_.push_back(dialog);
        throw UnexpectedDialog("search list without a queued pick: " + request.title);
    }
    const int row = picks_.front();
    picks_.pop_front();
    if (row > 0) {
        if (!request.list || !request.list->active() || row > request.list->recordCount()) {
            log_.push_back(dialog);
            throw UnexpectedDialog("queued pick " + std::to_string(row) +
                                   " is not a row of the list: " + request.title);
        }
        request.list->setRecNo(row);
        dialog.pickedRow = row;
    }
    log_.push_back(dialog);
    return row > 0;
}

void FakeDialogService::showProgress(int kind, const std::string& caption) {
    Dialog dialog;
    dialog.kind = Dialog::Kind::ShowProgress;
    dialog.text = caption;
    dialog.progressKind = kind;
    log_.push_back(dialog);
    progressShown_ = true;
}

void FakeDialogService::hideProgress() {
    Dialog dialog;
    dialog.kind = Dialog::Kind::HideProgress;
    log_.push_back(dialog);
    progressShown_ = false;
}

std::vector<FakeDialogService::Dialog> FakeDialogService::messages() const {
    std::vector<Dialog> out;
    std::copy_if(log_.begin(), log_.end(), std::back_inserter(out),
                 [](const Dialog& d) { return d.kind == Dialog::Kind::Message; });
    return out;
}

std::string FakeDialogService::lastMessage() const {
    for (auto it = log_.rbegin(); it != log_.rend(); ++it)
        if (it->kind == Dialog::Kind::Message)
            return it->text;
    return {};
}

std::size_t FakeDialogService::messageCount() const {
    return static_cast<std::size_t>(std::count_if(
        log_.begin(), log_.end(), [](const Dialog& d) { return d.kind == Dialog::Kind::Message; }));
}

} // namespace ct
