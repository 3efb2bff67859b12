#pragma once

#include "platform/ui/container.h"
#include "platform/ui/form_host.h"
#include "platform/ui/ui_error.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ct {

class MenuItem;

enum class CloseAction { None, Hide, Free };

// Modal results (a window closed without a choice ends with mrCancel).
enum ModalResultCode { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// A window of the program: the root container, its named controls, the focus and the window's
// life (shown, active, closed).
//
// Focus moves run the exit handlers of the control and of every container being left (innermost
// first), then the enter handlers of the containers being entered and of the control. While the
// handlers run, the active control is already the target. When an exit handler fails the move is
// abandoned and the focus goes back where it was, unless a handler asked for the focus itself
// during the move: then the move stops where the last such request left the focus, whether the
// handler then succeeds or fails. A request runs to its end inside the handler that made it; a
// request for the target of a move already under way changes nothing.
//
// user...() calls are the user's actions: they run through ct::dispatch, so the silent abort ends
// them quietly, and they return whether the action ran to its end. Other calls are the program's:
// handler exceptions reach the caller.
class Form : public Container {
public:
    using CloseQueryHandler = std::function<void(bool& canClose)>;
    using CloseHandler = std::function<void(CloseAction& action)>;

    explicit Form(std::string name, std::string caption = {});
    ~Form() override;

    // Controls by name, the form itself included.
    Control* find(std::string_view name) const;
    Control& get(std::string_view name) const;
    template <class T> T& get(std::string_view name) const {
        auto* typed = dynamic_cast<T*>(&get(name));
        if (!typed)
            throw UiError("O controle " + std::string(name) + " não é do tipo esperado.");
        return *typed;
    }
    std::vector<std::string> controlNames() const;

    // --- focus ---
    Control* activeControl() const { return active_; }
    // The program asks for the focus. False when the target cannot take it (disabled, hidden,
    // not a focusable kind) or the move ended elsewhere.
    bool setFocus(Control& target);
    bool userFocus(Control& target);
    // Moves the focus to the next (or previous) focusable control in creation order.
    bool selectNext(bool forward = true);
    // Writes what was typed in the active control to its field (a post started from the toolbar
    // does this first).
    void commitActiveEditor();

    // --- user input ---
    // A click by the user: nothing on a disabled or hidden control; edits, grids, radio buttons and
    // check boxes take the focus first (and are not clicked when the focus does not reach them).
    bool userClick(Control& control);
    // A key pressed in the active control. Menu shortcuts are looked up first; tab moves the focus
    // unless the control takes tabs itself.
    bool userKey(int key, ShiftState shift = {});
    // A typed character in the active control (key down, then key press).
    bool userChar(char32_t ch);
    // Focuses the control, selects its text and types the text over it, character by character.
    bool userType(Control& control, std::string_view text);
    // Clicks the enabled menu item with the shortcut; false when none has it.
    bool userShortcut(const Shortcut& shortcut);
    MenuItem* findShortcut(const Shortcut& shortcut) const;

    // --- life ---
    Handler onActivate;
    Handler onDeactivate;
    Handler onShow;
    CloseQueryHandler onCloseQuery;
    CloseHandler onClose;
    // The user asks to close the window (its close box). When set it runs instead of close(), so
    // that a form can send the request through its own exit command.
    Handler onCloseRequest;

    // Shows the form modally through the form host and activates it. Returns when the host does.
    void showModal();
    bool isShowing() const { return showing_; }
    // The top form among the shown ones is the active window.
    bool isActive() const;
    static Form* activeForm();
    // Runs the activation steps (the user brought the window back, or the program's own rules).
    bool activate();
    // Closes the form: the close query, then the close handler; true when it closed.
    bool close();
    // The user's close request (onCloseRequest, or close()); true when the form closed.
    bool userClose();
    int modalResult() const { return modalResult_; }
    // A non-zero modal result closes the form, as a dialog's OK or Cancel does.
    void setModalResult(int result);

private:
    friend class Control;
    void registerControl(Control& control);
    void forgetControl(Control& control);
    bool moveFocus(Control& target);
    void setActive(Control* control);
    void finishShow();

    std::map<std::string, Control*, std::less<>> byName_;
    Control* active_ = nullptr;
    Control* focusPos_ = nullptr;
    unsigned focusCount_ = 0;
    std::vector<Control*> movingTo_;
    std::vector<Control*> exiting_;
    bool showing_ = false;
    bool closing_ = false;
    int modalResult_ = 0;
};

} // namespace ct
