#pragma once

#include "platform/ui/control.h"

namespace ct {

class Container;

// A push button: takes the focus when clicked.
class Button : public Control {
public:
    Button(Container& parent, std::string name, std::string caption = {})
        : Button(parent, std::move(name), std::move(caption), ControlKind::Button) {}
    bool acceptsFocus() const override { return kind() == ControlKind::Button; }

protected:
    Button(Container& parent, std::string name, std::string caption, ControlKind kind);
};

// A toolbar button: never takes the focus, so the active control stays the grid or edit the user
// was in.
class SpeedButton : public Button {
public:
    SpeedButton(Container& parent, std::string name, std::string caption = {})
        : Button(parent, std::move(name), std::move(caption), ControlKind::SpeedButton) {}
};

// A flat toolbar button (TButtonFlat): as a toolbar button.
class FlatButton : public Button {
public:
    FlatButton(Container& parent, std::string name, std::string caption = {})
        : Button(parent, std::move(name), std::move(caption), ControlKind::FlatButton) {}
};

// A check box. Its click handler runs whenever its state changes, by the user or the program.
class CheckBox : public Control {
public:
    CheckBox(Container& parent, std::string name, std::string caption = {});

    bool checked() const { return checked_; }
    virtual void setChecked(bool checked);
    bool acceptsFocus() const override { return true; }
    // The user's click (or space key): toggles the state unless read-only.
    void click() override;
    void keyPress(char32_t& key) override;

protected:
    CheckBox(Container& parent, std::string name, std::string caption, ControlKind kind);
    // Changes the state and tells observers, without running the click handler.
    void storeChecked(bool checked);

private:
    bool checked_ = false;
};

// A radio button: exclusive among the radio buttons of its parent container. Its click handler
// runs when it becomes checked, by the user's click or by the program.
class RadioButton : public Control {
public:
    RadioButton(Container& parent, std::string name, std::string caption = {});

    bool checked() const { return checked_; }
    void setChecked(bool checked);
    bool acceptsFocus() const override { return true; }
    // Checks it (a click on a checked button changes nothing).
    void click() override;
    void keyPress(char32_t& key) override;

private:
    bool checked_ = false;
};

// A label: a caption and nothing else.
class Label : public Control {
public:
    Label(Container& parent, std::string name, std::string caption = {});
};

} // namespace ct
