#pragma once

#include "platform/host/dialog_service.h"
#include "scenario/transcript.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace ct::scenario {

// The dialog service of a scripted session: answers questions and search lists from queues
// filled by "answer" and "pick" lines, and writes every dialog to the transcript.
class ScriptedDialogs final : public DialogService {
public:
    explicit ScriptedDialogs(Transcript& transcript)
        : transcript_(transcript) {}

    void queueAnswer(MsgResult answer) { answers_.push_back(answer); }
    void queuePick(std::optional<int> row) { picks_.push_back(row); }

    // Messages shown since the last call, oldest first.
    std::vector<std::string> takeMessages();
    // Failures noticed while answering (a question or a list with nothing queued).
    std::vector<std::string> takeProblems();
    // What is still queued, for the end-of-session check.
    std::size_t unusedAnswers() const { return answers_.size(); }
    std::size_t unusedPicks() const { return picks_.size(); }

    MsgResult message(MsgType type, const std::string& text, MsgButtons buttons) override;
    bool search(const SearchRequest& request) override;
    void showProgress(int kind, const std::string& caption) override;
    void hideProgress() override;
    void setBusyCursor(bool) override {}

    bool progressShown() const { return progressDepth_ > 0; }

private:
    Transcript& transcript_;
    std::deque<MsgResult> answers_;
    std::deque<std::optional<int>> picks_;
    std::vector<std::string> messages_;
    std::vector<std::string> problems_;
    int progressDepth_ = 0;
};

std::string typeName(MsgType type);
std::string answerName(MsgResult answer);

} // namespace ct::scenario
