#include "gui/mirrors.h"

#include "gui/form_view.h"
#include "gui/grid_view.h"
#include "gui/qt_convert.h"
#include "platform/ui/buttons.h"
#include "platform/ui/container.h"
#include "platform/ui/db_controls.h"
#include "platform/ui/edits.h"
#include "platform/ui/grid.h"
#include "platform/ui/search_button.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace ct::gui {
namespace {

class LabelMirror final : public ControlMirror {
public:
    LabelMirror(FormView& view, Control& control, QLabel* label)
        : ControlMirror(view, control, label)
        , label_(label) {}

protected:
    void refresh(Property property) override {
        ControlMirror::refresh(property);
        if (property == Property::Text)
            label_->setText(toQ(control().text()).remove(QLatin1Char('&')));
    }

private:
    QLabel* label_;
};

class EditMirror final : public ControlMirror {
public:
    EditMirror(FormView& view, Edit& edit, QLineEdit* line)
        : ControlMirror(view, edit, line)
        , edit_(edit)
        , line_(line) {
        if (edit.kind() == ControlKind::NumberEdit)
            line->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        line->setContextMenuPolicy(Qt::NoContextMenu);
    }

protected:
    void refresh(Property property) override {
        ControlMirror::refresh(property);
        switch (property) {
        case Property::Text:
        case Property::Data:
        case Property::Focus:
            if (line_->text() != toQ(edit_.text()))
                line_->setText(toQ(edit_.text()));
            if (edit_.allSelected())
                line_->selectAll();
            else
                line_->end(false);
            break;
        case Property::ReadOnly:
            line_->setReadOnly(edit_.readOnly());
            break;
        default:
            break;
        }
    }

    // Text the user selected whole (mouse, double click) is replaced by the next key.
    void beforeKey() override {
        if (line_->hasSelectedText() && line_->selectedText() == line_->text() &&
            !edit_.allSelected())
            edit_.selectAll();
    }

private:
    Edit& edit_;
    QLineEdit* line_;
};

class ButtonMirror final : public ControlMirror {
public:
    ButtonMirror(FormView& view, Control& control, QAbstractButton* button)
        : ControlMirror(view, control, button)
        , button_(button) {
        QObject::connect(button, &QAbstractButton::clicked, this,
                         [this] { this->view().userClick(this->control()); });
    }

protected:
    void refresh(Property property) override {
        ControlMirror::refresh(property);
        if (property != Property::Text)
            return;
        QString text = toQ(control().text());
        if (text.isEmpty() && control().kind() == ControlKind::SearchButton)
            text = QStringLiteral("…");
        button_->setText(text);
    }

private:
    QAbstractButton* button_;
};

// Qt must not change a check box or radio button by itself: the control decides and the mirror
// shows what it decided.
template <class Base> class ControlledButton : public Base {
public:
    using Base::Base;

protected:
    void nextCheckState() override {}
    // The whole widget answers a click, caption included.
    bool hitButton(const QPoint& pos) const override { return Base::rect().contains(pos); }
};

template <class ControlT, class WidgetT> class CheckMirror final : public ControlMirror {
public:
    CheckMirror(FormView& view, ControlT& control, WidgetT* button)
        : ControlMirror(view, control, button)
        , checkable_(control)
        , button_(button) {
        button->setAutoExclusive(false);
        QObject::connect(button, &QAbstractButton::clicked, this, [this] {
            this->view().userClick(this->control());
            button_->setChecked(checkable_.checked());
        });
    }

protected:
    void refresh(Property property) override {
        ControlMirror::refresh(property);
        if (property == Property::Text)
            button_->setText(toQ(control().text()));
        if (property == Property::Checked || property == Property::Data ||
            property == Property::Text)
            button_->setChecked(checkable_.checked());
    }

private:
    ControlT& checkable_;
    WidgetT* button_;
};

class BoxMirror final : public ControlMirror {
public:
    BoxMirror(FormView& view, Control& control, QGroupBox* box)
        : ControlMirror(view, control, box)
        , box_(box) {}

protected:
    void refresh(Property property) override {
        ControlMirror::refresh(property);
        if (property == Property::Text)
            box_->setTitle(toQ(control().text()));
    }

private:
    QGroupBox* box_;
};

class PlainMirror final : public ControlMirror {
public:
    using ControlMirror::ControlMirror;
};

// The navigator: first, prior, next and last, enabled as the data set allows.
class NavigatorMirror final : public ControlMirror {
public:
    NavigatorMirror(FormView& view, DBNavigator& navigator, QWidget* bar)
        : ControlMirror(view, navigator, bar)
        , navigator_(navigator) {
        auto* layout = new QHBoxLayout(bar);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        const std::pair<NavButton, const char*> buttons[] = {{NavButton::First, "|◀"},
                                                             {NavButton::Prior, "◀"},
                                                             {NavButton::Next, "▶"},
                                                             {NavButton::Last, "▶|"}};
        for (const auto& [which, glyph] : buttons) {
            auto* button = new QToolButton(bar);
            button->setText(QString::fromUtf8(glyph));
            button->setFocusPolicy(Qt::NoFocus);
            button->setAutoRaise(true);
            const NavButton target = which;
            QObject::connect(button, &QToolButton::clicked, this,
                             [this, target] { navigator_.userClickButton(target); });
            layout->addWidget(button);
            buttons_.push_back({which, button});
        }
    }

protected:
    void refresh(Property property) override {
        ControlMirror::refresh(property);
        for (auto& [which, button] : buttons_)
            button->setEnabled(navigator_.buttonEnabled(which));
    }

private:
    DBNavigator& navigator_;
    std::vector<std::pair<NavButton, QToolButton*>> buttons_;
};

template <class M, class W, class C> QWidget* finish(FormView& view, C& control, W* widget) {
    auto* mirror = new M(view, control, widget);
    view.registerMirror(*mirror);
    mirror->refreshAll();
    return widget;
}

} // namespace

QWidget* createMirrorWidget(FormView& view, Control& control, QWidget* parent) {
    switch (control.kind()) {
    case ControlKind::Label:
        return finish<LabelMirror>(view, control, new QLabel(parent));
    case ControlKind::DBText: {
        auto* label = new QLabel(parent);
        label->setTextInteractionFlags(Qt::NoTextInteraction);
        return finish<LabelMirror>(view, control, label);
    }
    case ControlKind::Edit:
    case ControlKind::MaskEdit:
    case ControlKind::NumberEdit:
    case ControlKind::SpinEdit:
    case ControlKind::DBEdit:
        return finish<EditMirror>(view, static_cast<Edit&>(control), new QLineEdit(parent));
    case ControlKind::Button:
        return finish<ButtonMirror>(view, control, new QPushButton(parent));
    case ControlKind::SpeedButton:
    case ControlKind::FlatButton:
    case ControlKind::SearchButton: {
        auto* button = new QToolButton(parent);
        button->setAutoRaise(control.kind() != ControlKind::SearchButton);
        return finish<ButtonMirror>(view, control, button);
    }
    case ControlKind::CheckBox:
    case ControlKind::DBCheckBox:
        return finish<CheckMirror<CheckBox, QCheckBox>>(view, static_cast<CheckBox&>(control),
                                                        new ControlledButton<QCheckBox>(parent));
    case ControlKind::RadioButton:
        return finish<CheckMirror<RadioButton, QRadioButton>>(
            view, static_cast<RadioButton&>(control), new ControlledButton<QRadioButton>(parent));
    case ControlKind::GroupBox:
        return finish<BoxMirror>(view, control, new QGroupBox(parent));
    case ControlKind::Panel:
    case ControlKind::PageControl:
    case ControlKind::TabSheet: {
        auto* frame = new QFrame(parent);
        return finish<PlainMirror>(view, control, frame);
    }
    case ControlKind::DBNavigator:
        return finish<NavigatorMirror>(view, static_cast<DBNavigator&>(control),
                                       new QWidget(parent));
    case ControlKind::DBGrid:
        return createGridWidget(view, static_cast<DBGrid&>(control), parent);
    case ControlKind::Form:
    case ControlKind::Image:
    case ControlKind::MenuItem:
        return nullptr;
    }
    return nullptr;
}

} // namespace ct::gui
