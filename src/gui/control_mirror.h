#pragma once

#include "platform/ui/control.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace ct::gui {

class FormView;

// Keeps one Qt widget in step with one headless control: the control's state shows in the
// widget as it changes (through the control's observers) and the user's input on the widget goes
// back to the control through its form. A mirror holds no logic of the screen.
class ControlMirror : public QObject {
public:
    ControlMirror(FormView& view, Control& control, QWidget* widget);
    ~ControlMirror() override;
    ControlMirror(const ControlMirror&) = delete;
    ControlMirror& operator=(const ControlMirror&) = delete;

    Control& control() const { return control_; }
    QWidget* widget() const { return widget_; }
    FormView& view() const { return view_; }

    // Shows the control's whole state in the widget.
    void refreshAll();

protected:
    // Shows one changed property. The base shows enabled, visible, colour and hint.
    virtual void refresh(Property property);
    // Runs before a key goes to the control (an edit hands over the user's selection).
    virtual void beforeKey() {}
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FormView& view_;
    Control& control_;
    QPointer<QWidget> widget_;
    int observer_ = 0;
};

} // namespace ct::gui
