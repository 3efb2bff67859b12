#pragma once

#include "platform/dataset/field_def.h"
#include "platform/dataset/value.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ct {

class DataSet;
class Field;

// Text of a field: `text` arrives holding the default text and may be replaced.
// `displayText` is true for the display text, false for the edit text.
using FieldGetTextEvent = std::function<void(Field& field, std::string& text, bool displayText)>;
// Typed text for a field; the handler decides what, if anything, is written.
using FieldSetTextEvent = std::function<void(Field& field, const std::string& text)>;
// After the field's value was written.
using FieldChangeEvent = std::function<void(Field& field)>;

// One column of a data set, read and written on the data set's current row (its edit buffer
// while editing or inserting). Reads on a closed or empty set give null; writes need the set
// in edit or insert state (calculated fields may be written in browse state too).
class Field {
public:
    Field(DataSet& owner, FieldDef def, int index);
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    DataSet& dataSet() const { return *owner_; }
    int index() const { return index_; }
    const FieldDef& def() const { return def_; }

    const std::string& name() const { return def_.name; }
    FieldType type() const { return def_.type; }
    int size() const { return def_.size; }
    bool calculated() const { return def_.calculated; }
    bool isText() const;
    bool isNumeric() const;

    // Presentation; may change at run time.
    const std::string& label() const { return def_.label.empty() ? def_.name : def_.label; }
    void setLabel(std::string label) { def_.label = std::move(label); }
    bool hidden() const { return def_.hidden; }
    void setHidden(bool hidden) { def_.hidden = hidden; }
    bool readOnly() const { return def_.readOnly; }
    void setReadOnly(bool readOnly) { def_.readOnly = readOnly; }
    const std::string& displayFormat() const { return def_.displayFormat; }
    void setDisplayFormat(std::string format) { def_.displayFormat = std::move(format); }
    const std::string& editFormat() const { return def_.editFormat; }
    void setEditFormat(std::string format) { def_.editFormat = std::move(format); }
    const std::string& editMask() const { return def_.editMask; }
    void setEditMask(std::string mask) { def_.editMask = std::move(mask); }
    int displayWidth() const;
    void setDisplayWidth(int width) { def_.displayWidth = width; }
    std::optional<double> maxValue() const { return def_.maxValue; }
    void setMaxValue(std::optional<double> value) { def_.maxValue = value; }
    std::optional<double> minValue() const { return def_.minValue; }
    void setMinValue(std::optional<double> value) { def_.minValue = value; }

    // Reads of the current row.
    Value value() const;
    bool isNull() const { return value().isNull(); }
    std::string asString() const;   // null: ""; numbers in Brazilian form without grouping
    double asFloat() const;         // null: 0; text read as a Brazilian number
    std::int64_t asInteger() const; // null: 0; floats rounded half away from zero
    bool asBoolean() const;         // null: false; "S"/"T"/"True"/"1" are true
    DateTime asDateTime() const;    // null: the zero date

    // Old value: the value at the start of the current edit (null for a row being inserted);
    // in browse state, the value as at the last merge of the change log (null for an
    // inserted row). New value: the value as it now stands.
    Value oldValue() const;
    Value newValue() const { return value(); }

    // Writes of the current row. Each converts to the field's type and refuses with
    // DataSetError (leaving the value as it was) a text longer than the size, an unreadable
    // number or date, a number outside the field's range.
    void setValue(const Value& value);
    void setAsString(const std::string& text);
    void setAsFloat(double number);
    void setAsInteger(std::int64_t number);
    void setAsBoolean(bool flag);
    void setAsDateTime(const DateTime& when);
    void clear() { setValue(Value()); }

    // Edit text and display text: the get-text handler when attached, otherwise the value
    // formatted with the edit format (or display format) and the display format.
    std::string text() const;
    std::string displayText() const;
    // Typed text: the set-text handler when attached, otherwise the text read for the type
    // ("" gives null; numbers and dates in Brazilian form).
    void setText(const std::string& text);
    // The default conversions, for handlers that want them.
    std::string defaultText(bool displayText) const;
    void setDefaultText(const std::string& text);

    // Converts a value to this field's type without writing it (throws DataSetError).
    Value convert(const Value& value) const;
    // Refuses, as convert does, a text this text field cannot hold.
    void checkText(std::string_view text) const;

    // Event slots, detachable with EventDetach.
    FieldGetTextEvent onGetText;
    FieldSetTextEvent onSetText;
    FieldChangeEvent onChange;

private:
    DataSet* owner_;
    FieldDef def_;
    int index_;
};

} // namespace ct
