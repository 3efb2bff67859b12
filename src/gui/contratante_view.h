#pragma once

#include "gui/form_view.h"

class QLabel;

namespace ct::gui {

// The Contratante window: toolbar with the screen code, the budget filter on top, the parties
// grid with its totals and the party's address on the left, the payment plan on the right and a
// status line.
class ContratanteView final : public FormView {
public:
    explicit ContratanteView(Form& form, QWidget* parent = nullptr);
    ~ContratanteView() override;

protected:
    void layoutForm() override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildToolbar();
    QWidget* buildFilter();
    QWidget* buildPartyArea();
    QWidget* buildTotals();
    QWidget* buildAddress();
    QWidget* buildPayment();
    void showStatus();

    QLabel* status_ = nullptr;
    int gridObserver_ = 0;
};

// Registers the window with the view registry (the module does it once when it loads).
void registerContratanteView();

} // namespace ct::gui
