#pragma once

#include "platform/dataset/data_source.h"

#include <functional>
#include <string>

namespace ct {

// A data link to one field of a data source's data set, for data-aware controls. It tells its
// owner when what it shows may have changed and when a post asks for pending input.
class FieldLink final : public DataLink {
public:
    std::function<void()> onDataChange;  // row, values or state changed: show the field again
    std::function<void()> onStateChange; // browse/edit/insert changed
    std::function<void()> onUpdateData;  // a post begins: hand in typed input

    const std::string& fieldName() const { return fieldName_; }
    void setFieldName(std::string name);
    // The bound field, or nullptr when the set is closed or has no such field.
    Field* field() const;
    // Puts the data set into edit (insert on an empty set) when it is browsing. False when there
    // is no open data set or no writable field.
    bool edit();
    bool editing() const;

    void activeChanged() override { changed(); }
    void stateChanged() override;
    void dataSetChanged() override { changed(); }
    void dataSetScrolled() override { changed(); }
    void recordChanged(Field* field) override;
    void updateData() override;

private:
    void changed();
    std::string fieldName_;
};

} // namespace ct
