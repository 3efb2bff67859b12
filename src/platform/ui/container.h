#pragma once

#include "platform/ui/control.h"

#include <memory>
#include <vector>

namespace ct {

// A control that holds others: forms, panels, group boxes, pages, menus. Children register
// themselves on construction and leave on destruction; the container owns only the children made
// with make().
class Container : public Control {
public:
    Container(Container* parent, std::string name, ControlKind kind);
    ~Container() override;

    const std::vector<Control*>& children() const { return children_; }
    bool contains(const Control& other) const override;
    // Every control inside, depth first in creation order (the tab order).
    std::vector<Control*> descendants() const;

    // Creates a child owned by this container.
    template <class T, class... Args> T& make(Args&&... args) {
        auto child = std::make_unique<T>(*this, std::forward<Args>(args)...);
        T& ref = *child;
        owned_.push_back(std::move(child));
        return ref;
    }

protected:
    // Destroys the children made with make(), newest first.
    void destroyOwnedChildren();
    virtual void childAdded(Control& child);
    virtual void childRemoved(Control& child);

private:
    friend class Control;
    void add(Control& child);
    void remove(Control& child);

    std::vector<Control*> children_;
    std::vector<std::unique_ptr<Control>> owned_;
};

// Plain containers.
class Panel : public Container {
public:
    Panel(Container& parent, std::string name)
        : Container(&parent, std::move(name), ControlKind::Panel) {}
};

class GroupBox : public Container {
public:
    GroupBox(Container& parent, std::string name, std::string caption = {})
        : Container(&parent, std::move(name), ControlKind::GroupBox) {
        setTextSilently(caption);
    }
};

// Enables or disables the control and every control inside it.
void SetChildEnabled(Control& control, bool enabled);

} // namespace ct
