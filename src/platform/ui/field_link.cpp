#include "platform/ui/field_link.h"

namespace ct {

void FieldLink::setFieldName(std::string name) {
    fieldName_ = std::move(name);
    changed();
}

Field* FieldLink::field() const {
    DataSet* set = dataSet();
    if (!set || !set->active() || fieldName_.empty())
        return nullptr;
    return set->findField(fieldName_);
}

bool FieldLink::edit() {
    Field* f = field();
    if (!f || f->readOnly())
        return false;
    DataSet& set = f->dataSet();
    if (!set.editing())
        set.edit();
    return set.editing();
}

bool FieldLink::editing() const {
    DataSet* set = dataSet();
    return set && set->editing();
}

void FieldLink::stateChanged() {
    if (onStateChange)
        onStateChange();
    // Entering edit keeps what is shown (and typed); a post or cancel may have changed values.
    if (!editing())
        changed();
}

void FieldLink::recordChanged(Field* field) {
    // Another field's write leaves what this control shows (and what was typed in it) alone.
    // A link without a field name (a grid) hears every write.
    if (field && !fieldName_.empty() && field != this->field())
        return;
    changed();
}

void FieldLink::updateData() {
    if (onUpdateData)
        onUpdateData();
}

void FieldLink::changed() {
    if (onDataChange)
        onDataChange();
}

} // namespace ct
