#include "gui/qt_form_host.h"

#include "gui/form_view.h"
#include "gui/view_registry.h"
#include "platform/ui/form.h"

#include <QApplication>
#include <QEventLoop>

namespace ct::gui {

void QtFormHost::showModal(Form& form) {
    FormView& view = viewFor(form);
    // A window shown over another one keeps the user in it until it closes.
    if (Form* below = Form::activeForm(); below && below != &form)
        view.setWindowModality(Qt::ApplicationModal);
    view.show();
    view.raise();
    view.activateWindow();
    view.syncFocus();
    if (!blocking_)
        return;
    QEventLoop loop;
    const int id = form.observe([&loop, &form](Control&, Property property) {
        if (property == Property::Shown && !form.isShowing())
            loop.quit();
    });
    if (form.isShowing())
        loop.exec();
    form.unobserve(id);
    destroyView(form);
}

void QtFormHost::release(Form& form) {
    destroyView(form);
}

} // namespace ct::gui
