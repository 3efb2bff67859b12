#include "gui/refund_dialog_view.h"

#include "gui/view_registry.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ct::gui {

RefundDialogView::RefundDialogView(Form& form, QWidget* parent)
    : FormView(form, parent) {
    setWindowFlag(Qt::Dialog);
    setWindowModality(Qt::ApplicationModal);
}

void RefundDialogView::layoutForm() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);

    QWidget* group = mirror("grbDadosRel", central);
    auto* fields = new QGridLayout(group);
    fields->setHorizontalSpacing(6);
    int row = 0;
    for (auto [label, edit] :
         {std::pair{"lblVrPago", "nedVrPago"}, std::pair{"lblMulta", "nedMulta"},
          std::pair{"lblVrDevolucao", "nedVrDevolucao"}}) {
        fields->addWidget(mirror(label, group), row, 0);
        QWidget* box = mirror(edit, group);
        box->setMinimumWidth(120);
        fields->addWidget(box, row++, 1);
    }
    // The fine is a percentage of the refund.
    fields->addWidget(new QLabel(QStringLiteral("%"), group), 1, 2);
    layout->addWidget(group);

    QWidget* bar = mirror("panMenu", central);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    barLayout->addWidget(mirror("lblCodTela", bar));
    barLayout->addStretch(1);
    QWidget* buttons = mirror("panBotoes", bar);
    auto* buttonLayout = new QHBoxLayout(buttons);
    buttonLayout->setContentsMargins(0, 0, 0, 0);
    buttonLayout->addWidget(mirror("sbtConfirma", buttons));
    buttonLayout->addWidget(mirror("sbtCancel", buttons));
    barLayout->addWidget(buttons);
    layout->addWidget(bar);

    setCentralWidget(central);
    resize(340, 170);
}

void registerRefundDialogView() {
    registerViewFactory("frmContaDevolucao",
                        [](Form& form) -> FormView* { return new RefundDialogView(form); });
}

} // namespace ct::gui
