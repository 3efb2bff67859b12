#include "platform/ui/buttons.h"

#include "platform/ui/container.h"

namespace ct {

Button::Button(Container& parent, std::string name, std::string caption, ControlKind kind)
    : Control(&parent, std::move(name), kind) {
    setTextSilently(caption);
    setColor(colors::clBtnFace);
}

CheckBox::CheckBox(Container& parent, std::string name, std::string caption)
    : CheckBox(parent, std::move(name), std::move(caption), ControlKind::CheckBox) {}

CheckBox::CheckBox(Container& parent, std::string name, std::string caption, ControlKind kind)
    : Control(&parent, std::move(name), kind) {
    setTextSilently(caption);
    setColor(colors::clBtnFace);
}

void CheckBox::storeChecked(bool checked) {
    checked_ = checked;
    notify(Property::Checked);
}

void CheckBox::setChecked(bool checked) {
    if (checked_ == checked)
        return;
    storeChecked(checked);
    Control::click();
}

void CheckBox::click() {
    if (readOnly())
        return;
    setChecked(!checked_);
}

void CheckBox::keyPress(char32_t& key) {
    if (key == U' ')
        click();
}

RadioButton::RadioButton(Container& parent, std::string name, std::string caption)
    : Control(&parent, std::move(name), ControlKind::RadioButton) {
    setTextSilently(caption);
    setColor(colors::clBtnFace);
}

void RadioButton::setChecked(bool checked) {
    if (checked_ == checked)
        return;
    checked_ = checked;
    notify(Property::Checked);
    if (!checked)
        return;
    // The others of the group go off before the handler runs, so it sees one checked button.
    if (Container* group = parent())
        for (Control* sibling : group->children())
            if (auto* radio = dynamic_cast<RadioButton*>(sibling); radio && radio != this)
                radio->setChecked(false);
    Control::click();
}

void RadioButton::click() {
    setChecked(true);
}

void RadioButton::keyPress(char32_t& key) {
    if (key == U' ')
        click();
}

Label::Label(Container& parent, std::string name, std::string caption)
    : Control(&parent, std::move(name), ControlKind::Label) {
    setTextSilently(caption);
    setColor(colors::clBtnFace);
}

} // namespace ct
