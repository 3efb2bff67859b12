#pragma once

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

// Everything that needs a person: message boxes, search lists, the progress animation and the
// hourglass cursor. Implemented by the Qt view, by scripted sessions and by tests.
class DialogService {
public:
    virtual ~DialogService() = default;

    virtual MsgResult message(MsgType type, const std::string& text, MsgButtons buttons) = 0;
    // True when a row was picked; the list is then positioned on it.
    virtual bool search(const SearchRequest& request) = 0;
    virtual void showProgress(int kind, const std::string& caption) = 0;
    virtual void hideProgress() = 0;
    virtual void setBusyCursor(bool busy) = 0;
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
