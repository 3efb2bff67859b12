#pragma once

#include "platform/ui/container.h"

namespace ct {

class PageControl;

// One page of a page control; its controls show only while it is the active page.
class TabSheet : public Container {
public:
    TabSheet(PageControl& owner, std::string name, std::string caption = {});
    // The parent must be a page control (UiError otherwise).
    TabSheet(Container& owner, std::string name, std::string caption = {});
    PageControl& pageControl() const;
    bool showing() const override;
};

// A page control: pages (tab sheets), one of them active.
class PageControl : public Container {
public:
    PageControl(Container& parent, std::string name);

    std::vector<TabSheet*> pages() const;
    TabSheet* activePage() const;
    int activePageIndex() const;
    void setActivePage(TabSheet* page);
    void setActivePageIndex(int index);

    // The user picks a page: the page-change handlers run (onChanging may refuse by setting false).
    std::function<void(bool& allow)> onChanging;
    Handler onChange;
    bool selectPage(TabSheet& page);

protected:
    void childAdded(Control& child) override;
    void childRemoved(Control& child) override;

private:
    // Held as a control: a page registers before its own constructor has run.
    Control* active_ = nullptr;
};

} // namespace ct
