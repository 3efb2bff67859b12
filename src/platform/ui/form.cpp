#include "platform/ui/form.h"

#include "platform/host/dispatch.h"
#include "platform/ui/menu.h"
#include "platform/ui/utf8.h"

#include <algorithm>
#include <cctype>

namespace ct {
namespace {

class ImmediateFormHost final : public FormHost {
public:
    void showModal(Form&) override {}
};

ImmediateFormHost defaultHost;
FormHost* currentHost = nullptr;

// The shown forms, the active one last.
std::vector<Form*>& windowStack() {
    static std::vector<Form*> stack;
    return stack;
}

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// Marks a value as part of a running move for the lifetime of the scope.
class StackEntry {
public:
    StackEntry(std::vector<Control*>& stack, Control* entry)
        : stack_(stack) {
        stack_.push_back(entry);
    }
    ~StackEntry() { stack_.pop_back(); }
    StackEntry(const StackEntry&) = delete;
    StackEntry& operator=(const StackEntry&) = delete;

private:
    std::vector<Control*>& stack_;
};

bool holds(const std::vector<Control*>& stack, const Control* c) {
    return std::find(stack.begin(), stack.end(), c) != stack.end();
}

} // namespace

FormHost& formHost() {
    return currentHost ? *currentHost : defaultHost;
}

FormHost* setFormHost(FormHost* host) {
    FormHost* previous = currentHost;
    currentHost = host;
    return previous;
}

Form::Form(std::string name, std::string caption)
    : Container(nullptr, std::move(name), ControlKind::Form) {
    setTextSilently(caption);
    setColor(colors::clBtnFace);
}

Form::~Form() {
    std::erase(windowStack(), this);
    destroyOwnedChildren();
}

void Form::registerControl(Control& control) {
    if (control.name().empty())
        return;
    if (control.name() == name() || byName_.contains(control.name()))
        throw UiError("Já existe um controle chamado " + control.name() + " em " + name() + ".");
    byName_.emplace(control.name(), &control);
}

void Form::forgetControl(Control& control) {
    if (auto it = byName_.find(control.name()); it != byName_.end() && it->second == &control)
        byName_.erase(it);
    if (active_ && (&control == active_ || control.contains(*active_)))
        active_ = nullptr;
    if (focusPos_ && (&control == focusPos_ || control.contains(*focusPos_)))
        focusPos_ = nullptr;
}

Control* Form::find(std::string_view name) const {
    if (name == this->name())
        return const_cast<Form*>(this);
    if (auto it = byName_.find(name); it != byName_.end())
        return it->second;
    for (const auto& [key, control] : byName_)
        if (sameName(key, name))
            return control;
    return nullptr;
}

Control& Form::get(std::string_view name) const {
    Control* control = find(name);
    if (!control)
        throw UiError("Controle desconhecido em " + this->name() + ": " + std::string(name) + ".");
    return *control;
}

std::vector<std::string> Form::controlNames() const {
    std::vector<std::string> names;
    for (const auto& [key, control] : byName_)
        names.push_back(key);
    return names;
}

// ----- focus -----

void Form::setActive(Control* control) {
    if (active_ == control)
        return;
    active_ = control;
    notify(Property::Focus);
}

bool Form::setFocus(Control& target) {
    if (target.form() != this)
        throw UiError("O controle " + target.name() + " não pertence a " + name() + ".");
    return moveFocus(target);
}

bool Form::moveFocus(Control& target) {
    if (!target.canFocus())
        return false;
    // A request for the target of a move under way: that move will get there.
    if (holds(movingTo_, &target))
        return true;
    if (movingTo_.empty() && active_ == &target)
        return true;

    Control* const origin = active_;
    const unsigned myCount = ++focusCount_;
    StackEntry moving(movingTo_, &target);
    active_ = &target;
    bool exitsDone = false;
    try {
        Control* pos = focusPos_ ? focusPos_ : this;
        while (pos && !pos->contains(target)) {
            focusPos_ = pos;
            if (!holds(exiting_, pos)) {
                StackEntry exiting(exiting_, pos);
                pos->runExit();
            }
            if (focusCount_ != myCount)
                return active_ == &target;
            pos = pos->parent();
        }
        exitsDone = true;
        std::vector<Control*> entering;
        for (Control* c = &target; c && c != pos; c = c->parent())
            entering.push_back(c);
        std::reverse(entering.begin(), entering.end());
        for (Control* c : entering) {
            focusPos_ = c;
            c->runEnter();
            if (focusCount_ != myCount)
                return active_ == &target;
        }
        focusPos_ = &target;
        if (origin != &target)
            notify(Property::Focus);
        return true;
    } catch (...) {
        if (focusCount_ == myCount) {
            if (exitsDone) {
                // What was left stays left: a failed enter keeps the focus on the target.
                focusPos_ = &target;
            } else {
                active_ = origin;
                focusPos_ = origin;
            }
        }
        if (active_ != origin)
            notify(Property::Focus);
        throw;
    }
}

bool Form::userFocus(Control& target) {
    bool reached = false;
    dispatch([&] { reached = setFocus(target); });
    return reached && active_ == &target;
}

bool Form::selectNext(bool forward) {
    std::vector<Control*> order;
    for (Control* c : descendants())
        if (c->canFocus())
            order.push_back(c);
    if (order.empty())
        return false;
    auto it = std::find(order.begin(), order.end(), active_);
    std::size_t index = 0;
    if (it != order.end()) {
        const auto at = static_cast<std::size_t>(it - order.begin());
        index = forward ? (at + 1) % order.size() : (at + order.size() - 1) % order.size();
    } else if (!forward) {
        index = order.size() - 1;
    }
    return userFocus(*order[index]);
}

void Form::commitActiveEditor() {
    if (active_)
        active_->commitEdit();
}

// ----- user input -----

bool Form::userClick(Control& control) {
    if (!control.enabledInChain() || !control.showing())
        return false;
    return dispatch([&] {
        if (control.takesFocusOnClick() && control.acceptsFocus()) {
            setFocus(control);
            if (active_ != &control)
                return;
        }
        control.click();
    });
}

MenuItem* Form::findShortcut(const Shortcut& shortcut) const {
    if (shortcut.empty())
        return nullptr;
    for (Control* c : descendants())
        if (auto* item = dynamic_cast<MenuItem*>(c))
            if (item->shortcut() == shortcut && item->enabledInChain() && item->showing())
                return item;
    return nullptr;
}

bool Form::userShortcut(const Shortcut& shortcut) {
    MenuItem* item = findShortcut(shortcut);
    if (!item)
        return false;
    return dispatch([item] { item->click(); });
}

bool Form::userKey(int key, ShiftState shift) {
    if (MenuItem* item = findShortcut(Shortcut{key, shift}))
        return dispatch([item] { item->click(); });
    if (key == keyTab && !(active_ && active_->wantsTab()))
        return selectNext(!shift.shift);
    Control* target = active_;
    if (!target)
        return false;
    return dispatch([&] {
        int code = key;
        target->keyDown(code, shift);
        if (code == keyNone)
            return;
        char32_t ch = keyChar(code, shift);
        if (ch != 0)
            target->keyPress(ch);
    });
}

bool Form::userChar(char32_t ch) {
    Control* target = active_;
    if (!target || ch == 0)
        return false;
    return dispatch([&] {
        int code = keyOfChar(ch);
        ShiftState shift;
        shift.shift = ch >= U'A' && ch <= U'Z';
        target->keyDown(code, shift);
        if (code == keyNone)
            return;
        char32_t typed = ch;
        target->keyPress(typed);
    });
}

bool Form::userType(Control& control, std::string_view text) {
    if (!control.canFocus() || !userFocus(control))
        return false;
    control.selectAll();
    // Typing nothing over the selection clears it, as the delete key would.
    if (text.empty())
        return userKey(keyBackspace);
    bool complete = true;
    for (char32_t ch : utf8::decode(text)) {
        if (active_ != &control)
            return false;
        complete = userChar(ch) && complete;
    }
    return complete;
}

// ----- life -----

bool Form::isActive() const {
    return showing_ && !windowStack().empty() && windowStack().back() == this;
}

Form* Form::activeForm() {
    return windowStack().empty() ? nullptr : windowStack().back();
}

void Form::showModal() {
    if (showing_)
        throw UiError("O formulário " + name() + " já está sendo mostrado.");
    Form* previous = activeForm();
    if (previous) {
        previous->notify(Property::Active);
        if (previous->onDeactivate)
            dispatch(previous->onDeactivate);
    }
    modalResult_ = 0;
    showing_ = true;
    windowStack().push_back(this);
    notify(Property::Shown);
    notify(Property::Active);
    if (onShow)
        dispatch(onShow);
    if (showing_)
        activate();
    if (showing_)
        formHost().showModal(*this);
}

bool Form::activate() {
    if (!showing_ || !onActivate)
        return showing_;
    return dispatch(onActivate);
}

bool Form::close() {
    if (!showing_ || closing_)
        return false;
    closing_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{closing_};
    bool canClose = true;
    if (onCloseQuery)
        onCloseQuery(canClose);
    if (!canClose) {
        modalResult_ = 0;
        return false;
    }
    CloseAction action = CloseAction::Hide;
    if (onClose)
        onClose(action);
    if (action == CloseAction::None) {
        modalResult_ = 0;
        return false;
    }
    finishShow();
    return true;
}

bool Form::userClose() {
    if (!showing_)
        return false;
    dispatch([this] {
        if (onCloseRequest)
            onCloseRequest();
        else
            close();
    });
    return !showing_;
}

void Form::setModalResult(int result) {
    modalResult_ = result;
    if (result != 0)
        close();
}

void Form::finishShow() {
    auto& stack = windowStack();
    const bool wasTop = !stack.empty() && stack.back() == this;
    std::erase(stack, this);
    showing_ = false;
    if (modalResult_ == 0)
        modalResult_ = mrCancel;
    notify(Property::Shown);
    notify(Property::Active);
    // The window under a closed one becomes active again and runs its activation.
    if (wasTop && !stack.empty()) {
        Form* below = stack.back();
        below->notify(Property::Active);
        below->activate();
    }
}

} // namespace ct
