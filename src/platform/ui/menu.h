#pragma once

#include "platform/ui/container.h"

namespace ct {

// A menu item; items nest (a top menu holds its items). It never takes the focus.
class MenuItem : public Container {
public:
    MenuItem(Container& parent, std::string name, std::string caption = {},
             std::string_view shortcut = {});

    const std::string& caption() const { return text(); }
    void setCaption(const std::string& caption) { setText(caption); }
    const Shortcut& shortcut() const { return shortcut_; }
    // Text such as "Ctrl+R"; an unreadable text is refused with UiError.
    void setShortcut(std::string_view text);
    void setShortcut(const Shortcut& shortcut);

    std::vector<MenuItem*> items() const;

private:
    Shortcut shortcut_;
};

} // namespace ct
