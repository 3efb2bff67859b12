#pragma once

#include "platform/host/report.h"
#include "platform/host/row_review.h"

#include <optional>
#include <string>

namespace ct {

class DataSet;

enum class MsgType { Error, Warning, Information, Confirmation };

// Buttons of a message box, combined with |.
enum MsgButton : unsigned { mbOK = 1u, mbYes = 2u, mbNo = 4u, mbCancel = 8u };
using MsgButtons = unsigned;

enum class MsgResult { None, Ok, Yes, No, Cancel };

// A list the user picks one row from. `list` is positioned on the picked row.
struct SearchRequest {
    std::string title; // the part after a "|" is a subtitle
    DataSet* list = nullptr;
    std::string nameField; // the column a filter box searches first
    std::string emptyText; // shown instead of the list when it has no rows
    bool fresh = false;    // forget what an earlier list remembered (its filter text)
};

// Where a list to be imported comes from: a file (read as it is, bytes) or text the user pasted.
struct ListSource {
    std::string path;
    std::string text; // UTF-8
};

// A file to be written: the dialog's title, the name it suggests and its filter
// ("Planilha (*.csv)").
struct SaveFileRequest {
    std::string title;
    std::string suggestedName;
    std::string filter;
};

// Everything that needs a person: message boxes, search lists, the progress animation and the
// hourglass cursor; and the desktop's own dialogs behind the base forms' office commands (print
// preview, printer set-up, help, files, the review of rows before an import). Implemented by the
// Qt view, by scripted sessions and by tests; the office dialogs do nothing and answer "cancelled"
// unless a service has them.
class DialogService {
public:
    virtual ~DialogService() = default;

    virtual MsgResult message(MsgType type, const std::string& text, MsgButtons buttons) = 0;
    // True when a row was picked; the list is then positioned on it.
    virtual bool search(const SearchRequest& request) = 0;
    virtual void showProgress(int kind, const std::string& caption) = 0;
    virtual void hideProgress() = 0;
    virtual void setBusyCursor(bool busy) = 0;

    // The listing in a print preview, from which the user prints it or saves it.
    virtual void previewReport(const Report&) {}
    // The desktop's page and printer set-up, remembered for the next listing.
    virtual void printerSetup() {}
    // The help of the screen with this code, in a window of its own.
    virtual void showHelp(const std::string& /*screenCode*/) {}
    // A file or pasted text to import; nothing when the user gives up.
    virtual std::optional<ListSource> chooseListSource(const std::string& /*title*/) {
        return std::nullopt;
    }
    // The file to write; nothing when the user gives up.
    virtual std::optional<std::string> chooseSaveFile(const SaveFileRequest&) {
        return std::nullopt;
    }
    // Shows the rows; true when the user goes on with them.
    virtual bool reviewRows(const RowReview&) { return false; }
};

// The service in force. Never null: until one is installed, a service that refuses every
// question and picks nothing is used, so a stray dialog cannot hang a headless run.
DialogService& dialogs();
// Installs a service (nullptr restores the default); returns the previous one.
DialogService* setDialogService(DialogService* service);

// Installs a service for the lifetime of the guard.
class ScopedDialogService {
public:
    explicit ScopedDialogService(DialogService& service)
        : previous_(setDialogService(&service)) {}
    ~ScopedDialogService() { setDialogService(previous_); }
    ScopedDialogService(const ScopedDialogService&) = delete;
    ScopedDialogService& operator=(const ScopedDialogService&) = delete;

private:
    DialogService* previous_;
};

} // namespace ct
