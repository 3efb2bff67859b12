#pragma once

#include "platform/ui/buttons.h"
#include "platform/ui/edits.h"
#include "platform/ui/field_link.h"

namespace ct {

// An edit bound to a field. It shows the field (its edit text while focused, its display text
// otherwise; the field's edit mask and size apply to typing). The first typed character puts the
// data set into edit (an insert on an empty set); what was typed reaches the field when the user
// leaves the edit or a post begins, and escape brings the field's text back.
class DBEdit : public MaskEdit {
public:
    DBEdit(Container& parent, std::string name, DataSource* source = nullptr,
           std::string fieldName = {});

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return link_.dataSource(); }
    void setDataField(std::string fieldName);
    const std::string& dataField() const { return link_.fieldName(); }
    Field* field() const { return link_.field(); }
    // Typed text not yet in the field.
    bool modified() const { return modified_; }

    void commitEdit() override;
    // Shows the field's current text again, dropping anything typed.
    void reset();

protected:
    bool beginTyping() override;
    void escapePressed() override { reset(); }
    void leaving() override;
    void entered() override;
    void textChanged(bool typed) override;

private:
    void showField();

    FieldLink link_;
    bool modified_ = false;
    bool loading_ = false;
};

// A check box bound to a field: checked while the field holds the checked value. The user's click
// puts the data set into edit and writes the checked or unchecked value at once. The program's
// setChecked changes only what is shown (and runs the click handler).
class DBCheckBox : public CheckBox {
public:
    DBCheckBox(Container& parent, std::string name, DataSource* source = nullptr,
               std::string fieldName = {}, std::string valueChecked = "True",
               std::string valueUnchecked = "False");

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return link_.dataSource(); }
    void setDataField(std::string fieldName);
    const std::string& dataField() const { return link_.fieldName(); }
    Field* field() const { return link_.field(); }
    const std::string& valueChecked() const { return valueChecked_; }
    const std::string& valueUnchecked() const { return valueUnchecked_; }
    void setValues(std::string valueChecked, std::string valueUnchecked);

    void click() override;

private:
    void showField();

    FieldLink link_;
    std::string valueChecked_;
    std::string valueUnchecked_;
};

// A label showing a field's display text (the navigator caption).
class DBText : public Control {
public:
    DBText(Container& parent, std::string name, DataSource* source = nullptr,
           std::string fieldName = {});

    void setDataSource(DataSource* source);
    void setDataField(std::string fieldName);
    Field* field() const { return link_.field(); }

private:
    void showField();
    FieldLink link_;
};

enum class NavButton { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };

// A data navigator: buttons that move through and edit the data set of its source.
class DBNavigator : public Control {
public:
    DBNavigator(Container& parent, std::string name, DataSource* source = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return link_.dataSource(); }
    // Whether the button would do something now.
    bool buttonEnabled(NavButton button) const;
    // The button's action (a program's click runs whatever the state allows).
    void clickButton(NavButton button);
    // The user's click on a button, through the event dispatcher.
    bool userClickButton(NavButton button);
    std::function<void(NavButton button)> onClickButton;

private:
    FieldLink link_;
};

} // namespace ct
