#pragma once

#include "platform/host/dialog_service.h"
#include "platform/net/net_connection.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <functional>

class QWidget;

namespace ct::gui {

// The dialogs of the window: message boxes with Portuguese buttons, the search list, the
// progress indicator and the hourglass cursor. Dialogs open over the active form's window.
class QtDialogService final : public DialogService {
public:
    QtDialogService();
    ~QtDialogService() override;

    MsgResult message(MsgType type, const std::string& text, MsgButtons buttons) override;
    bool search(const SearchRequest& request) override;
    void showProgress(int kind, const std::string& caption) override;
    void hideProgress() override;
    void setBusyCursor(bool busy) override;

    void previewReport(const Report& report) override;
    void printerSetup() override;
    void showHelp(const std::string& screenCode) override;
    std::optional<ListSource> chooseListSource(const std::string& title) override;
    std::optional<std::string> chooseSaveFile(const SaveFileRequest& request) override;
    bool reviewRows(const RowReview& review) override;

    // How long work may run before the indicator appears.
    static constexpr int progressDelayMs = 400;
    QWidget* progressWidget() const { return progress_; }

    // Tests look at each dialog while it is open (and may close it); by default nothing happens.
    using DialogHook = std::function<void(QWidget& dialog)>;
    void setDialogHook(DialogHook hook) { hook_ = std::move(hook); }

private:
    QWidget* parentWindow() const;
    int runDialog(QWidget& dialog);

    QPointer<QWidget> progress_;
    QTimer progressTimer_;
    WaitHook previousWaitHook_;
    int busyDepth_ = 0;
    bool progressCursor_ = false;
    DialogHook hook_;
};

// Button captions of the message boxes.
QString buttonCaption(MsgButton button);

} // namespace ct::gui
