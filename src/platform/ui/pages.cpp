#include "platform/ui/pages.h"

#include "platform/ui/ui_error.h"

namespace ct {

TabSheet::TabSheet(PageControl& owner, std::string name, std::string caption)
    : Container(&owner, std::move(name), ControlKind::TabSheet) {
    setTextSilently(caption);
}

namespace {

PageControl& asPageControl(Container& owner) {
    auto* pages = dynamic_cast<PageControl*>(&owner);
    if (!pages)
        throw UiError("Uma página precisa estar num controle de páginas: " + owner.name() + ".");
    return *pages;
}

} // namespace

TabSheet::TabSheet(Container& owner, std::string name, std::string caption)
    : TabSheet(asPageControl(owner), std::move(name), std::move(caption)) {}

PageControl& TabSheet::pageControl() const {
    return *static_cast<PageControl*>(parent());
}

bool TabSheet::showing() const {
    return parent() && pageControl().activePage() == this && Container::showing();
}

PageControl::PageControl(Container& parent, std::string name)
    : Container(&parent, std::move(name), ControlKind::PageControl) {}

std::vector<TabSheet*> PageControl::pages() const {
    std::vector<TabSheet*> out;
    for (Control* child : children())
        if (child->kind() == ControlKind::TabSheet)
            out.push_back(static_cast<TabSheet*>(child));
    return out;
}

int PageControl::activePageIndex() const {
    const auto all = pages();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i] == active_)
            return static_cast<int>(i);
    return -1;
}

void PageControl::setActivePage(TabSheet* page) {
    if (page && page->parent() != this)
        throw UiError("A página " + page->name() + " não pertence a " + name() + ".");
    if (active_ == page)
        return;
    active_ = page;
    notify(Property::ActivePage);
}

void PageControl::setActivePageIndex(int index) {
    const auto all = pages();
    if (index < 0 || index >= static_cast<int>(all.size()))
        throw UiError("Página " + std::to_string(index) + " inexistente em " + name() + ".");
    setActivePage(all[static_cast<std::size_t>(index)]);
}

bool PageControl::selectPage(TabSheet& page) {
    if (&page == active_)
        return true;
    bool allow = true;
    if (onChanging)
        onChanging(allow);
    if (!allow)
        return false;
    setActivePage(&page);
    if (onChange)
        onChange();
    return true;
}

TabSheet* PageControl::activePage() const {
    return static_cast<TabSheet*>(active_);
}

void PageControl::childAdded(Control& child) {
    // The first page becomes the active one.
    if (!active_ && child.kind() == ControlKind::TabSheet)
        active_ = &child;
}

void PageControl::childRemoved(Control& child) {
    if (&child == active_) {
        active_ = nullptr;
        for (TabSheet* page : pages())
            if (page != &child) {
                active_ = page;
                break;
            }
    }
}

} // namespace ct
