#include "platform/ui/db_controls.h"

#include "platform/host/dispatch.h"
#include "platform/ui/container.h"
#include "platform/ui/text_compare.h"

namespace ct {

// ----- DBEdit -----

DBEdit::DBEdit(Container& parent, std::string name, DataSource* source, std::string fieldName)
    : MaskEdit(parent, std::move(name), ControlKind::DBEdit) {
    link_.onDataChange = [this] { showField(); };
    link_.onUpdateData = [this] { commitEdit(); };
    link_.setDataSource(source);
    link_.setFieldName(std::move(fieldName));
}

void DBEdit::setDataSource(DataSource* source) {
    link_.setDataSource(source);
    showField();
}

void DBEdit::setDataField(std::string fieldName) {
    link_.setFieldName(std::move(fieldName));
}

void DBEdit::showField() {
    Field* f = link_.field();
    std::string shown;
    if (f) {
        setEditMask(f->editMask());
        if (f->isText() && f->size() > 0)
            setMaxLength(f->size());
        shown = focused() ? f->text() : f->displayText();
    }
    loading_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{loading_};
    modified_ = false;
    changeText(shown, false);
    notify(Property::Data);
}

void DBEdit::reset() {
    showField();
}

bool DBEdit::beginTyping() {
    if (readOnly() || !link_.field())
        return false;
    if (!link_.edit())
        return false;
    modified_ = true;
    return true;
}

void DBEdit::textChanged(bool typed) {
    if (typed && !loading_)
        modified_ = true;
}

void DBEdit::commitEdit() {
    if (!modified_)
        return;
    Field* f = link_.field();
    if (!f) {
        modified_ = false;
        return;
    }
    if (!f->dataSet().editing())
        f->dataSet().edit();
    // A refused text (an unreadable number) throws and stays typed, so the user can fix it.
    f->setText(maskedValue());
    modified_ = false;
}

void DBEdit::leaving() {
    commitEdit();
    showField();
}

void DBEdit::entered() {
    if (!modified_)
        showField();
}

// ----- DBCheckBox -----

DBCheckBox::DBCheckBox(Container& parent, std::string name, DataSource* source,
                       std::string fieldName, std::string valueChecked, std::string valueUnchecked)
    : CheckBox(parent, std::move(name), {}, ControlKind::DBCheckBox)
    , valueChecked_(std::move(valueChecked))
    , valueUnchecked_(std::move(valueUnchecked)) {
    link_.onDataChange = [this] { showField(); };
    link_.setDataSource(source);
    link_.setFieldName(std::move(fieldName));
}

void DBCheckBox::setDataSource(DataSource* source) {
    link_.setDataSource(source);
    showField();
}

void DBCheckBox::setDataField(std::string fieldName) {
    link_.setFieldName(std::move(fieldName));
}

void DBCheckBox::setValues(std::string valueChecked, std::string valueUnchecked) {
    valueChecked_ = std::move(valueChecked);
    valueUnchecked_ = std::move(valueUnchecked);
    showField();
}

void DBCheckBox::showField() {
    Field* f = link_.field();
    const bool on = f && !f->isNull() && textEqualNoCase(f->asString(), valueChecked_);
    if (on != checked())
        storeChecked(on);
    notify(Property::Data);
}

void DBCheckBox::click() {
    if (readOnly())
        return;
    Field* f = link_.field();
    if (!f || !link_.edit())
        return;
    const bool on = !checked();
    f->setAsString(on ? valueChecked_ : valueUnchecked_);
    if (checked() != on)
        storeChecked(on);
    Control::click();
}

// ----- DBText -----

DBText::DBText(Container& parent, std::string name, DataSource* source, std::string fieldName)
    : Control(&parent, std::move(name), ControlKind::DBText) {
    setColor(colors::clBtnFace);
    link_.onDataChange = [this] { showField(); };
    link_.setDataSource(source);
    link_.setFieldName(std::move(fieldName));
}

void DBText::setDataSource(DataSource* source) {
    link_.setDataSource(source);
    showField();
}

void DBText::setDataField(std::string fieldName) {
    link_.setFieldName(std::move(fieldName));
}

void DBText::showField() {
    Field* f = link_.field();
    setText(f ? f->displayText() : std::string{});
}

// ----- DBNavigator -----

DBNavigator::DBNavigator(Container& parent, std::string name, DataSource* source)
    : Control(&parent, std::move(name), ControlKind::DBNavigator) {
    setColor(colors::clBtnFace);
    link_.onDataChange = [this] { notify(Property::Data); };
    link_.onStateChange = [this] { notify(Property::Data); };
    link_.setDataSource(source);
}

void DBNavigator::setDataSource(DataSource* source) {
    link_.setDataSource(source);
    notify(Property::Data);
}

bool DBNavigator::buttonEnabled(NavButton button) const {
    DataSet* set = link_.dataSet();
    if (!set || !set->active())
        return false;
    const bool editing = set->editing();
    switch (button) {
    case NavButton::First:
    case NavButton::Prior:
        return !editing && !set->bof();
    case NavButton::Next:
    case NavButton::Last:
        return !editing && !set->eof();
    case NavButton::Insert:
    case NavButton::Refresh:
        return !editing;
    case NavButton::Delete:
        return !editing && !set->isEmpty();
    case NavButton::Edit:
        return !editing;
    case NavButton::Post:
    case NavButton::Cancel:
        return editing;
    }
    return false;
}

void DBNavigator::clickButton(NavButton button) {
    DataSet* set = link_.dataSet();
    if (!set || !set->active())
        return;
    switch (button) {
    case NavButton::First:
        set->first();
        break;
    case NavButton::Prior:
        set->prior();
        break;
    case NavButton::Next:
        set->next();
        break;
    case NavButton::Last:
        set->last();
        break;
    case NavButton::Insert:
        set->insert();
        break;
    case NavButton::Delete:
        set->remove();
        break;
    case NavButton::Edit:
        set->edit();
        break;
    case NavButton::Post:
        set->post();
        break;
    case NavButton::Cancel:
        set->cancel();
        break;
    case NavButton::Refresh:
        break;
    }
    if (onClickButton)
        onClickButton(button);
}

bool DBNavigator::userClickButton(NavButton button) {
    if (!enabledInChain() || !showing() || !buttonEnabled(button))
        return false;
    return dispatch([&] { clickButton(button); });
}

} // namespace ct
