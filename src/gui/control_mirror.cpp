#include "gui/control_mirror.h"

#include "gui/form_view.h"
#include "gui/qt_convert.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace ct::gui {

ControlMirror::ControlMirror(FormView& view, Control& control, QWidget* widget)
    : QObject(widget)
    , view_(view)
    , control_(control)
    , widget_(widget) {
    widget->setObjectName(toQ(control.name()));
    widget->setFocusPolicy(control.acceptsFocus() ? Qt::StrongFocus : Qt::NoFocus);
    widget->installEventFilter(this);
    observer_ = control.observe([this](Control&, Property property) {
        if (widget_)
            refresh(property);
    });
}

ControlMirror::~ControlMirror() {
    control_.unobserve(observer_);
}

void ControlMirror::refreshAll() {
    for (Property p : {Property::Text, Property::Enabled, Property::Visible, Property::ReadOnly,
                       Property::Checked, Property::Color, Property::Columns, Property::Data})
        refresh(p);
}

void ControlMirror::refresh(Property property) {
    switch (property) {
    case Property::Enabled:
        widget_->setEnabled(control_.enabled());
        break;
    case Property::Visible:
        widget_->setVisible(control_.visible());
        break;
    case Property::Color:
        if (control_.color() != colors::clWindow) {
            QPalette palette = widget_->palette();
            palette.setColor(QPalette::Base, toQColor(control_.color()));
            widget_->setPalette(palette);
        }
        break;
    default:
        break;
    }
    if (!control_.hint().empty())
        widget_->setToolTip(toQ(control_.hint()));
}

bool ControlMirror::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget_)
        return false;
    switch (event->type()) {
    case QEvent::FocusIn:
        view_.widgetFocused(control_, static_cast<QFocusEvent*>(event)->reason());
        return false;
    case QEvent::MouseButtonPress:
        // A click into a window that is not active yet gives Qt's focus no FocusIn: the form
        // is asked here all the same.
        if (!view_.takeMouseFocusAttempt(control_) && control_.acceptsFocus() &&
            view_.form().activeControl() != &control_)
            view_.widgetFocused(control_, Qt::MouseFocusReason);
        return false;
    case QEvent::KeyPress:
        beforeKey();
        return view_.routeKey(control_, *static_cast<QKeyEvent*>(event));
    case QEvent::ShortcutOverride:
        // Every key goes to the control; nothing of Qt's own editing runs.
        event->accept();
        return true;
    case QEvent::InputMethod:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace ct::gui
