#pragma once

#include "platform/dataset/dataset.h"

#include <functional>
#include <vector>

namespace ct {

class DataSource;

// A data-aware control's view of a data source. Override what the control needs.
class DataLink {
public:
    DataLink() = default;
    virtual ~DataLink();
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return source_; }
    DataSet* dataSet() const;
    bool active() const; // bound to an open data set

    // Called by the data source.
    virtual void activeChanged() {}       // opened or closed
    virtual void stateChanged() {}        // browse/edit/insert changed
    virtual void dataSetChanged() {}      // rows changed as a whole (load, post, delete, filter...)
    virtual void dataSetScrolled() {}     // the active record changed
    virtual void recordChanged(Field*) {} // a field of the current row was written
    virtual void updateData() {}          // hand pending typed text to the field (post begins)

private:
    friend class DataSource;
    DataSource* source_ = nullptr;
};

// Connects a data set to its controls: tells links and its own slots of state and data changes.
class DataSource {
public:
    explicit DataSource(DataSet* dataSet = nullptr);
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    void setDataSet(DataSet* dataSet);
    DataSet* dataSet() const { return dataSet_; }
    // The data set's state (Inactive when there is none).
    DataSetState state() const;

    // Slots, detachable with EventDetach. onDataChange receives the written field, or nullptr
    // when the active record or the rows changed.
    std::function<void(DataSource&)> onStateChange;
    std::function<void(DataSource&, Field*)> onDataChange;
    std::function<void(DataSource&)> onUpdateData;

    // For the data set.
    void activeChanged();
    void stateChanged();
    void dataSetChanged();
    void dataSetScrolled();
    void recordChanged(Field* field);
    void updateData();
    void dataSetDestroyed();

private:
    friend class DataLink;
    void addLink(DataLink* link);
    void removeLink(DataLink* link);
    template <class F> void eachLink(F f);

    DataSet* dataSet_ = nullptr;
    std::vector<DataLink*> links_;
};

} // namespace ct
