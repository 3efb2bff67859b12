#pragma once

#include "platform/ui/form_host.h"

namespace ct::gui {

// Shows a form in its Qt window. A blocking host runs an event loop until the form closes, then
// drops the window (a form shown again gets a new one), as a modal window does; a non-blocking
// host shows the window and returns at once, leaving the form shown for the caller to drive.
class QtFormHost final : public FormHost {
public:
    explicit QtFormHost(bool blocking = true)
        : blocking_(blocking) {}
    void showModal(Form& form) override;
    void release(Form& form) override;

private:
    bool blocking_;
};

} // namespace ct::gui
