#pragma once

#include "platform/ui/form.h"

#include <QMainWindow>
#include <map>
#include <memory>
#include <vector>

class QMenu;

namespace ct::gui {

class ControlMirror;

// The Qt window of a headless form. It creates the widgets of the controls (mirrors), builds the
// menus from the form's menu items, keeps the window's caption and visibility in step with the
// form, and keeps Qt's focus where the form's focus is: a focus move that the form refuses puts
// Qt's focus back. Screens lay their widgets out in a subclass (layoutForm); the default layout
// stacks the controls in creation order.
class FormView : public QMainWindow {
public:
    explicit FormView(Form& form, QWidget* parent = nullptr);
    ~FormView() override;

    Form& form() const { return form_; }
    // Builds the window (called once by whoever creates the view).
    void build();

    // The widget of a control (nullptr when it has none); the mirror's widget is created on demand.
    QWidget* widgetFor(const Control* control) const;
    QWidget* mirror(Control& control, QWidget* parent);
    QWidget* mirror(std::string_view name, QWidget* parent);
    QAction* actionFor(const Control* item) const;

    // For mirrors.
    void registerMirror(ControlMirror& mirror);
    void widgetFocused(Control& control, Qt::FocusReason reason);
    // Whether the click that is being delivered to the control already asked the form for the
    // focus (through Qt's focus event); forgets it.
    bool takeMouseFocusAttempt(const Control& control);
    bool routeKey(Control& control, const QKeyEvent& event);
    void userClick(Control& control);
    // Puts Qt's focus on the widget of the form's active control.
    void syncFocus();

protected:
    virtual void layoutForm();
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildMenus();
    void addMenuItems(QMenu& menu, Control& parentItem);
    void formChanged(Property property);
    void layoutGeneric(Container& container, QWidget* parent);

    Form& form_;
    int observer_ = 0;
    std::map<const Control*, ControlMirror*> mirrors_;
    std::map<const Control*, QAction*> actions_;
    std::vector<std::pair<Control*, int>> itemObservers_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    const Control* mouseFocusAttempt_ = nullptr;
    bool moving_ = false;
    bool syncing_ = false;
};

} // namespace ct::gui
