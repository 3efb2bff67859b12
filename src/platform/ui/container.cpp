#include "platform/ui/container.h"

#include <algorithm>

namespace ct {

Container::Container(Container* parent, std::string name, ControlKind kind)
    : Control(parent, std::move(name), kind) {}

Container::~Container() {
    destroyOwnedChildren();
    // Children that outlive us (members declared before the container, or destroyed later) must
    // not reach back into a dead parent.
    for (Control* child : children_)
        child->parent_ = nullptr;
}

bool Container::contains(const Control& other) const {
    for (const Control* c = &other; c; c = c->parent())
        if (c == this)
            return true;
    return false;
}

std::vector<Control*> Container::descendants() const {
    std::vector<Control*> out;
    for (Control* child : children_) {
        out.push_back(child);
        if (auto* box = dynamic_cast<Container*>(child)) {
            auto inner = box->descendants();
            out.insert(out.end(), inner.begin(), inner.end());
        }
    }
    return out;
}

void Container::destroyOwnedChildren() {
    // Newest first, so that each child still finds its parent.
    while (!owned_.empty())
        owned_.pop_back();
}

void Container::childAdded(Control&) {}

void Container::childRemoved(Control&) {}

void Container::add(Control& child) {
    children_.push_back(&child);
    childAdded(child);
}

void Container::remove(Control& child) {
    std::erase(children_, &child);
    childRemoved(child);
}

void SetChildEnabled(Control& control, bool enabled) {
    control.setEnabled(enabled);
    if (auto* box = dynamic_cast<Container*>(&control))
        for (Control* child : box->descendants())
            child->setEnabled(enabled);
}

} // namespace ct
