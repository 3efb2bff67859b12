#pragma once

#include "gui/form_view.h"

namespace ct::gui {

// The refund account dialog's window: what was paid, the fine and the refund value, with the
// confirm and cancel buttons below. A modal dialog over the screen.
class RefundDialogView final : public FormView {
public:
    explicit RefundDialogView(Form& form, QWidget* parent = nullptr);

protected:
    void layoutForm() override;
};

// Registers the window with the view registry (the module does it once when it loads).
void registerRefundDialogView();

} // namespace ct::gui
