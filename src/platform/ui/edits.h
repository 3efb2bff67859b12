#pragma once

#include "platform/ui/control.h"
#include "platform/ui/edit_mask.h"

#include <functional>
#include <optional>

namespace ct {

class Container;

enum class CharCase { Normal, Upper, Lower };

using KeyPressHandler = std::function<void(char32_t& key)>;
using KeyDownHandler = std::function<void(int& key, ShiftState shift)>;

// A one-line edit. The change handler runs at every change of the text, typed or set by the
// program. Typing keeps a simple caret at the end of the text; selectAll() makes the next
// character replace the whole text.
class Edit : public Control {
public:
    Edit(Container& parent, std::string name);

    int maxLength() const { return maxLength_; }
    void setMaxLength(int maxLength);
    CharCase charCase() const { return charCase_; }
    void setCharCase(CharCase charCase);
    bool allSelected() const { return allSelected_; }

    // The program's text: the character case applies, the maximum length does not.
    void setText(const std::string& text) override;
    void clear() { setText({}); }

    bool acceptsFocus() const override { return true; }
    void selectAll() override;
    void keyDown(int& key, ShiftState shift) override;
    void keyPress(char32_t& key) override;

    Handler onChange;
    KeyPressHandler onKeyPress;
    KeyDownHandler onKeyDown;

protected:
    Edit(Container& parent, std::string name, ControlKind kind);
    // Whether the character may be typed at the end of `current` (masks and number edits narrow
    // it).
    virtual bool acceptsChar(char32_t ch, const std::u32string& current) const;
    // The typed text about to replace the current one; may add literals (masks).
    virtual std::u32string shapeTyped(std::u32string typed) const { return typed; }
    // Called before a typed change; false refuses the key (a data-aware edit that cannot edit).
    virtual bool beginTyping() { return true; }
    // The escape key.
    virtual void escapePressed() {}
    // Text changes from typing (typed = true) or from the program; runs the change handler.
    void changeText(const std::string& text, bool typed);
    virtual void textChanged(bool /*typed*/) {}
    std::string applyCase(const std::string& text) const;

private:
    int maxLength_ = 0;
    CharCase charCase_ = CharCase::Normal;
    bool allSelected_ = false;
};

// An edit with an edit mask (see EditMask): typed characters must fit the mask's positions and
// the mask's literals are inserted as the user reaches them. The text is what the user sees,
// literals included; maskedValue() is the text to store. An empty mask accepts everything.
class MaskEdit : public Edit {
public:
    MaskEdit(Container& parent, std::string name);

    const std::string& editMask() const { return mask_.text(); }
    void setEditMask(std::string mask);
    // The text without the mask's literals when the mask does not keep them.
    std::string maskedValue() const { return mask_.stored(text()); }

protected:
    MaskEdit(Container& parent, std::string name, ControlKind kind);
    bool acceptsChar(char32_t ch, const std::u32string& current) const override;
    std::u32string shapeTyped(std::u32string typed) const override;

private:
    EditMask mask_;
};

// A number edit (TNumberEdit): `Number` as a double, shown with `Decimals` decimals. Typing
// accepts digits, one decimal comma (when there are decimals) and a leading minus; the typed
// number counts at once and is clamped to the range (when set) and shown formatted when the user
// leaves. The program's setNumber is never clamped.
class NumberEdit : public Edit {
public:
    NumberEdit(Container& parent, std::string name, int decimals = 0);

    double number() const;
    void setNumber(double number);
    int decimals() const { return decimals_; }
    void setDecimals(int decimals);
    bool thousands() const { return thousands_; }
    void setThousands(bool thousands);
    // A display pattern ("#,##0.00") overrides decimals and thousands when shown.
    const std::string& displayFormat() const { return displayFormat_; }
    void setDisplayFormat(std::string pattern);
    std::optional<double> minValue() const { return min_; }
    std::optional<double> maxValue() const { return max_; }
    void setRange(std::optional<double> min, std::optional<double> max);

    void commitEdit() override;

protected:
    bool acceptsChar(char32_t ch, const std::u32string& current) const override;
    void leaving() override { commitEdit(); }
    void textChanged(bool typed) override;

private:
    std::string format(double number) const;
    double clamp(double number) const;

    double number_ = 0;
    int decimals_ = 0;
    bool thousands_ = true;
    std::string displayFormat_;
    std::optional<double> min_;
    std::optional<double> max_;
    bool typing_ = false;
    bool formatting_ = false;
};

// A spin edit: an integer value between a minimum and a maximum. Typing accepts digits and a
// leading minus, counts clamped at once and is shown clamped when the user leaves; the up and
// down keys step by one inside the range. The program's setValue is never clamped.
class SpinEdit : public Edit {
public:
    SpinEdit(Container& parent, std::string name, int minValue = 0, int maxValue = 100);

    int value() const;
    void setValue(int value);
    int minValue() const { return min_; }
    int maxValue() const { return max_; }
    void setRange(int minValue, int maxValue);

    void keyDown(int& key, ShiftState shift) override;
    void commitEdit() override;

protected:
    bool acceptsChar(char32_t ch, const std::u32string& current) const override;
    void leaving() override { commitEdit(); }
    void textChanged(bool typed) override;

private:
    int clamp(long long value) const;

    int value_ = 0;
    int min_;
    int max_;
    bool typing_ = false;
    bool formatting_ = false;
};

} // namespace ct
