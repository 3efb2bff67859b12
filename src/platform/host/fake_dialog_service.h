#pragma once

#include "platform/host/dialog_service.h"

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ct {

// A dialog service for tests: records every dialog and answers from queues. A message with only
// an OK button answers itself (using a queued answer when there is one); a question with no queued
// answer, or a search list with no queued pick, throws UnexpectedDialog.
class FakeDialogService final : public DialogService {
public:
    struct Dialog {
        enum class Kind { Message, Search, ShowProgress, HideProgress };
        Kind kind = Kind::Message;
        MsgType type = MsgType::Information;
        std::string text; // message text, search title or progress caption
        MsgButtons buttons = 0;
        MsgResult answer = MsgResult::None;
        int progressKind = 0;
        int pickedRow = 0; // search: the row picked, from 1; 0 for none
    };

    class UnexpectedDialog : public std::logic_error {
    public:
        using std::logic_error::logic_error;
    };

    // Queues the answer to the next message box that asks.
    void queueAnswer(MsgResult answer) { answers_.push_back(answer); }
    // Queues the row (from 1) picked in the next search list; 0 picks nothing.
    void queuePick(int row) { picks_.push_back(row); }

    MsgResult message(MsgType type, const std::string& text, MsgButtons buttons) override;
    bool search(const SearchRequest& request) override;
    void showProgress(int kind, const std::string& caption) override;
    void hideProgress() override;
    void setBusyCursor(bool busy) override { busy_ = busy; }

    // The office dialogs: what was shown is kept; the answers are the members below.
    void previewReport(const Report& report) override { reports.push_back(report); }
    void printerSetup() override { ++printerSetups; }
    void showHelp(const std::string& screenCode) override { helpShown.push_back(screenCode); }
    std::optional<ListSource> chooseListSource(const std::string&) override { return listSource; }
    std::optional<std::string> chooseSaveFile(const SaveFileRequest& request) override {
        saveRequests.push_back(request);
        return saveFile;
    }
    bool reviewRows(const RowReview& review) override {
        reviews.push_back(review);
        return acceptReview;
    }

    std::vector<Report> reports;
    int printerSetups = 0;
    std::vector<std::string> helpShown;
    std::optional<ListSource> listSource;
    std::vector<SaveFileRequest> saveRequests;
    std::optional<std::string> saveFile;
    std::vector<RowReview> reviews;
    bool acceptReview = false;

    const std::vector<Dialog>& dialogs() const { return log_; }
    // Message boxes only, in the order shown.
    std::vector<Dialog> messages() const;
    // Text of the last message box; empty when none was shown.
    std::string lastMessage() const;
    std::size_t messageCount() const;
    std::size_t pendingAnswers() const { return answers_.size(); }
    std::size_t pendingPicks() const { return picks_.size(); }
    bool progressShown() const { return progressShown_; }
    bool busy() const { return busy_; }
    void clear() { log_.clear(); }

private:
    std::deque<MsgResult> answers_;
    std::deque<int> picks_;
    std::vector<Dialog> log_;
    bool progressShown_ = false;
    bool busy_ = false;
};

} // namespace ct
