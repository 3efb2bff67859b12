#include "platform/ui/menu.h"

#include "platform/ui/ui_error.h"

namespace ct {

MenuItem::MenuItem(Container& parent, std::string name, std::string caption,
                   std::string_view shortcut)
    : Container(&parent, std::move(name), ControlKind::MenuItem) {
    setTextSilently(caption);
    if (!shortcut.empty())
        setShortcut(shortcut);
}

void MenuItem::setShortcut(std::string_view text) {
    if (text.empty()) {
        setShortcut(Shortcut{});
        return;
    }
    auto parsed = Shortcut::parse(text);
    if (!parsed)
        throw UiError("Atalho inválido para " + name() + ": " + std::string(text) + ".");
    setShortcut(*parsed);
}

void MenuItem::setShortcut(const Shortcut& shortcut) {
    if (shortcut_ == shortcut)
        return;
    shortcut_ = shortcut;
    notify(Property::Shortcut);
}

std::vector<MenuItem*> MenuItem::items() const {
    std::vector<MenuItem*> out;
    for (Control* child : children())
        if (auto* item = dynamic_cast<MenuItem*>(child))
            out.push_back(item);
    return out;
}

} // namespace ct
