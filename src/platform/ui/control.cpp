#include "platform/ui/control.h"

#include "platform/ui/container.h"
#include "platform/ui/form.h"

#include <algorithm>

namespace ct {

Control::Control(Container* parent, std::string name, ControlKind kind)
    : parent_(parent)
    , name_(std::move(name))
    , kind_(kind) {
    if (!parent_)
        return;
    // Registered by name first: a duplicate name throws before the parent knows the control.
    if (Form* f = parent_->form())
        f->registerControl(*this);
    parent_->add(*this);
}

Control::~Control() {
    if (!parent_)
        return;
    if (Form* f = parent_->form())
        f->forgetControl(*this);
    parent_->remove(*this);
}

Form* Control::form() const {
    const Control* c = this;
    while (c->parent_)
        c = c->parent_;
    if (c->kind_ != ControlKind::Form)
        return nullptr;
    return const_cast<Form*>(static_cast<const Form*>(c));
}

void Control::setEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    notify(Property::Enabled);
}

void Control::setVisible(bool visible) {
    if (visible_ == visible)
        return;
    visible_ = visible;
    notify(Property::Visible);
}

void Control::setReadOnly(bool readOnly) {
    if (readOnly_ == readOnly)
        return;
    readOnly_ = readOnly;
    notify(Property::ReadOnly);
}

void Control::setColor(Color color) {
    if (color_ == color)
        return;
    color_ = color;
    notify(Property::Color);
}

void Control::setText(const std::string& text) {
    if (text_ == text)
        return;
    text_ = text;
    notify(Property::Text);
}

bool Control::enabledInChain() const {
    for (const Control* c = this; c; c = c->parent_)
        if (!c->enabled_)
            return false;
    return true;
}

bool Control::showing() const {
    if (!visible_)
        return false;
    return parent_ ? parent_->showing() : true;
}

bool Control::canFocus() const {
    return acceptsFocus() && enabledInChain() && showing();
}

bool Control::focused() const {
    const Form* f = form();
    return f && f->activeControl() == this;
}

bool Control::setFocus() {
    Form* f = form();
    return f && f->setFocus(*this);
}

void Control::click() {
    if (onClick)
        onClick();
}

void Control::runEnter() {
    if (onEnter)
        onEnter();
    entered();
}

void Control::runExit() {
    leaving();
    if (onExit)
        onExit();
}

void Control::keyDown(int&, ShiftState) {}

void Control::keyPress(char32_t&) {}

int Control::observe(Observer observer) {
    const int id = nextObserver_++;
    observers_.emplace_back(id, std::move(observer));
    return id;
}

void Control::unobserve(int id) {
    std::erase_if(observers_, [id](const auto& entry) { return entry.first == id; });
}

void Control::notify(Property property) {
    // A copy: an observer may detach itself or others while being told.
    const auto observers = observers_;
    for (const auto& [id, observer] : observers)
        if (observer)
            observer(*this, property);
}

} // namespace ct
