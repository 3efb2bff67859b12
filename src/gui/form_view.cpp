#include "gui/form_view.h"

#include "gui/control_mirror.h"
#include "gui/mirrors.h"
#include "gui/qt_convert.h"
#include "platform/ui/flag_scope.h"
#include "platform/ui/menu.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

namespace ct::gui {
namespace {

QString actionText(const MenuItem& item) {
    QString text = toQ(item.caption());
    if (!item.shortcut().empty())
        text += QLatin1Char('\t') + toQ(item.shortcut().text());
    return text;
}

} // namespace

FormView::FormView(Form& form, QWidget* parent)
    : QMainWindow(parent)
    , form_(form) {
    setObjectName(toQ(form.name()));
    setAttribute(Qt::WA_DeleteOnClose, false);
    observer_ = form.observe([this](Control&, Property property) { formChanged(property); });
}

FormView::~FormView() {
    form_.unobserve(observer_);
    for (auto& [item, id] : itemObservers_)
        item->unobserve(id);
    // Mirrors are children of their widgets; they unobserve as the widgets go.
}

void FormView::build() {
    setWindowTitle(toQ(form_.text()));
    buildMenus();
    layoutForm();
}

void FormView::layoutForm() {
    auto* central = new QWidget(this);
    layoutGeneric(form_, central);
    setCentralWidget(central);
}

void FormView::layoutGeneric(Container& container, QWidget* parent) {
    auto* layout = new QFormLayout(parent);
    QWidget* pendingLabel = nullptr;
    auto flushLabel = [&] {
        if (pendingLabel)
            layout->addRow(pendingLabel);
        pendingLabel = nullptr;
    };
    for (Control* child : container.children()) {
        if (child->kind() == ControlKind::MenuItem)
            continue;
        QWidget* widget = mirror(*child, parent);
        if (!widget)
            continue;
        if (child->kind() == ControlKind::Label) {
            flushLabel();
            pendingLabel = widget;
        } else if (auto* box = dynamic_cast<Container*>(child)) {
            flushLabel();
            layoutGeneric(*box, widget);
            layout->addRow(widget);
        } else if (pendingLabel) {
            layout->addRow(pendingLabel, widget);
            pendingLabel = nullptr;
        } else {
            layout->addRow(widget);
        }
    }
    flushLabel();
}

QWidget* FormView::widgetFor(const Control* control) const {
    auto it = mirrors_.find(control);
    return it == mirrors_.end() ? nullptr : it->second->widget();
}

QWidget* FormView::mirror(Control& control, QWidget* parent) {
    if (QWidget* existing = widgetFor(&control))
        return existing;
    return createMirrorWidget(*this, control, parent);
}

QWidget* FormView::mirror(std::string_view name, QWidget* parent) {
    return mirror(form_.get(name), parent);
}

QAction* FormView::actionFor(const Control* item) const {
    auto it = actions_.find(item);
    return it == actions_.end() ? nullptr : it->second;
}

void FormView::registerMirror(ControlMirror& mirror) {
    mirrors_[&mirror.control()] = &mirror;
    const Control* control = &mirror.control();
    // Mirrors go with their widgets, which may outlive this object's members by a moment.
    std::weak_ptr<int> alive = alive_;
    QObject::connect(&mirror, &QObject::destroyed, this, [this, control, alive] {
        if (alive.lock())
            mirrors_.erase(control);
    });
}

void FormView::buildMenus() {
    for (Control* child : form_.children()) {
        auto* top = dynamic_cast<MenuItem*>(child);
        if (!top)
            continue;
        QMenu* menu = menuBar()->addMenu(toQ(top->caption()));
        menu->setObjectName(toQ(top->name()));
        addMenuItems(*menu, *top);
    }
}

void FormView::addMenuItems(QMenu& menu, Control& parentItem) {
    for (MenuItem* item : static_cast<MenuItem&>(parentItem).items()) {
        if (item->caption() == "-") {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(actionText(*item));
        action->setObjectName(toQ(item->name()));
        actions_[item] = action;
        // The form looks shortcuts up itself (userKey), so that one key never means two items.
        QObject::connect(action, &QAction::triggered, this, [this, item] { userClick(*item); });
        auto show = [action, item] {
            action->setText(actionText(*item));
            action->setEnabled(item->enabled());
            action->setVisible(item->visible());
        };
        show();
        itemObservers_.emplace_back(item, item->observe([show](Control&, Property) { show(); }));
    }
}

void FormView::formChanged(Property property) {
    switch (property) {
    case Property::Text:
        setWindowTitle(toQ(form_.text()));
        break;
    case Property::Focus:
        if (!moving_)
            syncFocus();
        break;
    case Property::Shown:
        if (!form_.isShowing())
            hide();
        break;
    default:
        break;
    }
}

void FormView::syncFocus() {
    Control* active = form_.activeControl();
    QWidget* widget = widgetFor(active);
    if (!widget || widget->hasFocus() || !isVisible())
        return;
    FlagScope guard(syncing_);
    // After a dialog over this window closes, the window is the one the user works in again.
    if (!isActiveWindow() && !QApplication::activeModalWidget())
        activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
}

void FormView::widgetFocused(Control& control, Qt::FocusReason reason) {
    if (syncing_ || moving_ || form_.activeControl() == &control)
        return;
    // Only a click is the user's move: tabs are routed to the form, and Qt's other focus
    // changes (windows, disabled widgets) must not move the form's focus.
    if (reason == Qt::MouseFocusReason) {
        mouseFocusAttempt_ = &control;
        FlagScope guard(moving_);
        form_.userFocus(control);
    }
    syncFocus();
}

bool FormView::takeMouseFocusAttempt(const Control& control) {
    const bool tried = mouseFocusAttempt_ == &control;
    mouseFocusAttempt_ = nullptr;
    return tried;
}

bool FormView::routeKey(Control& control, const QKeyEvent& event) {
    const auto input = keyInput(event);
    if (!input)
        return false;
    if (form_.activeControl() != &control)
        syncFocus();
    FlagScope guard(moving_);
    if (!input->characters.isEmpty()) {
        for (char32_t ch : input->characters.toUcs4())
            form_.userChar(ch);
    } else {
        form_.userKey(input->key, input->shift);
    }
    moving_ = false;
    syncFocus();
    return true;
}

void FormView::userClick(Control& control) {
    {
        FlagScope guard(moving_);
        form_.userClick(control);
    }
    syncFocus();
}

void FormView::closeEvent(QCloseEvent* event) {
    // The form decides (its close query may refuse); its Shown notice hides the window.
    event->ignore();
    if (form_.isShowing())
        form_.userClose();
}

void FormView::keyPressEvent(QKeyEvent* event) {
    // Keys that reach the window itself (no control widget has Qt's focus).
    const auto input = keyInput(*event);
    if (input && input->characters.isEmpty() && form_.userKey(input->key, input->shift)) {
        syncFocus();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

} // namespace ct::gui
