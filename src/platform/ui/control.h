#pragma once

#include "platform/ui/keys.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ct {

class Container;
class Form;

enum class ControlKind {
    Form,
    Panel,
    GroupBox,
    PageControl,
    TabSheet,
    Label,
    Image,
    Edit,
    MaskEdit,
    NumberEdit,
    SpinEdit,
    CheckBox,
    RadioButton,
    Button,
    SpeedButton,
    FlatButton,
    MenuItem,
    DBEdit,
    DBCheckBox,
    DBText,
    DBNavigator,
    DBGrid,
    SearchButton,
};

// What an observer is told has changed.
enum class Property {
    Text,
    Enabled,
    Visible,
    ReadOnly,
    Checked,
    Value,
    Color,
    Focus,  // on a form: its active control changed
    Shown,  // on a form: shown or closed
    Active, // on a form: became the active window or stopped being it
    MaxLength,
    CharCase,
    EditMask,
    Shortcut,
    Range,   // spin edit minimum and maximum, number edit decimals
    Columns, // grid columns: added, title, width, read-only, button
    SelectedColumn,
    EditorText,
    Options,
    Data, // data-aware control: the data shown changed (row, values, state)
    ActivePage,
    Picture,
};

// Colours: plain 0x00BBGGRR values, or a system colour (high byte 0xFF, low byte the system index).
using Color = std::uint32_t;
namespace colors {
constexpr Color clBlack = 0x000000;
constexpr Color clWhite = 0xFFFFFF;
constexpr Color clOlive = 0x008080;
constexpr Color clYellow = 0x00FFFF;
constexpr Color clWindow = 0xFF000005;
constexpr Color clBtnFace = 0xFF00000F;
constexpr Color clInfoBk = 0xFF000018;
} // namespace colors

// A headless control: the model that a view mirrors and that scripted sessions drive by name.
// Every visible property notifies observers when it changes. Controls are created inside a parent
// container (a form has none) and are not copied. Event slots are plain std::function members:
// EventDetach (platform/dataset/event_detach.h) detaches one for a scope.
class Control {
public:
    using Handler = std::function<void()>;
    using Observer = std::function<void(Control&, Property)>;

    Control(Container* parent, std::string name, ControlKind kind);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    ControlKind kind() const { return kind_; }
    Container* parent() const { return parent_; }
    // The form that holds the control (the form itself for a form).
    Form* form() const;

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool visible() const { return visible_; }
    void setVisible(bool visible);
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly);
    Color color() const { return color_; }
    void setColor(Color color);
    // Caption of labels, buttons, boxes and menu items; the text of edits.
    const std::string& text() const { return text_; }
    virtual void setText(const std::string& text);
    const std::string& hint() const { return hint_; }
    void setHint(std::string hint) { hint_ = std::move(hint); }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // It and every container around it are enabled: whether the user can use it.
    bool enabledInChain() const;
    // It and every container around it are visible.
    virtual bool showing() const;
    // Whether this kind of control can hold the focus at all.
    virtual bool acceptsFocus() const { return false; }
    // Whether it can take the focus now: it accepts focus, is enabled and showing.
    bool canFocus() const;
    virtual bool takesFocusOnClick() const { return acceptsFocus(); }
    // This control, or a container holding it.
    virtual bool contains(const Control& other) const { return &other == this; }
    bool focused() const;
    // Asks the form for the focus (a program's request: handler exceptions reach the caller).
    // False when the control cannot take it.
    bool setFocus();

    // A program's click: runs the click behaviour whatever the enabled state.
    virtual void click();

    // Focus events. The form runs them; leaving() first writes typed text where it belongs and may
    // refuse the move by throwing.
    Handler onEnter;
    Handler onExit;
    Handler onClick;
    void runEnter();
    void runExit();

    // Key input from the user while the control has the focus. The form dispatches them.
    virtual void keyDown(int& key, ShiftState shift);
    virtual void keyPress(char32_t& key);
    // Selects the whole text, so that the next typed character replaces it.
    virtual void selectAll() {}
    // Whether the tab key goes to the control rather than moving the focus.
    virtual bool wantsTab() const { return false; }
    // Writes typed text where it belongs (its field); runs when the focus leaves and before a post.
    virtual void commitEdit() {}

    int observe(Observer observer);
    void unobserve(int id);

protected:
    void notify(Property property);
    void setTextSilently(const std::string& text) { text_ = text; }
    virtual void leaving() {}
    virtual void entered() {}

private:
    friend class Container;

    Container* parent_;
    std::string name_;
    ControlKind kind_;
    bool enabled_ = true;
    bool visible_ = true;
    bool readOnly_ = false;
    Color color_ = colors::clWindow;
    std::string text_;
    std::string hint_;
    int tag_ = 0;
    int nextObserver_ = 1;
    std::vector<std::pair<int, Observer>> observers_;
};

// Keeps an observer attached for the lifetime of the scope.
class ObserverScope {
public:
    ObserverScope(Control& control, Control::Observer observer)
        : control_(control)
        , id_(control.observe(std::move(observer))) {}
    ~ObserverScope() { control_.unobserve(id_); }
    ObserverScope(const ObserverScope&) = delete;
    ObserverScope& operator=(const ObserverScope&) = delete;

private:
    Control& control_;
    int id_;
};

} // namespace ct
