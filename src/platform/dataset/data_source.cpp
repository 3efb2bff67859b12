#include "platform/dataset/data_source.h"

#include <algorithm>

namespace ct {

DataLink::~DataLink() {
    setDataSource(nullptr);
}

void DataLink::setDataSource(DataSource* source) {
    if (source_ == source)
        return;
    if (source_)
        source_->removeLink(this);
    source_ = source;
    if (source_)
        source_->addLink(this);
}

DataSet* DataLink::dataSet() const {
    return source_ ? source_->dataSet() : nullptr;
}

bool DataLink::active() const {
    return dataSet() && dataSet()->active();
}

DataSource::DataSource(DataSet* dataSet) {
    setDataSet(dataSet);
}

DataSource::~DataSource() {
    setDataSet(nullptr);
    for (DataLink* link : std::vector<DataLink*>(links_))
        link->source_ = nullptr;
}

void DataSource::setDataSet(DataSet* dataSet) {
    if (dataSet_ == dataSet)
        return;
    if (dataSet_)
        dataSet_->detachSource(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->attachSource(this);
    activeChanged();
    stateChanged();
}

DataSetState DataSource::state() const {
    return dataSet_ ? dataSet_->state() : DataSetState::Inactive;
}

template <class F> void DataSource::eachLink(F f) {
    for (DataLink* link : std::vector<DataLink*>(links_))
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            f(*link);
}

void DataSource::addLink(DataLink* link) {
    links_.push_back(link);
}

void DataSource::removeLink(DataLink* link) {
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

void DataSource::activeChanged() {
    eachLink([](DataLink& l) { l.activeChanged(); });
}

void DataSource::stateChanged() {
    eachLink([](DataLink& l) { l.stateChanged(); });
    if (onStateChange) {
        auto handler = onStateChange;
        handler(*this);
    }
}

void DataSource::dataSetChanged() {
    eachLink([](DataLink& l) { l.dataSetChanged(); });
    if (onDataChange) {
        auto handler = onDataChange;
        handler(*this, nullptr);
    }
}

void DataSource::dataSetScrolled() {
    eachLink([](DataLink& l) { l.dataSetScrolled(); });
    if (onDataChange) {
        auto handler = onDataChange;
        handler(*this, nullptr);
    }
}

void DataSource::recordChanged(Field* field) {
    eachLink([field](DataLink& l) { l.recordChanged(field); });
    if (onDataChange) {
        auto handler = onDataChange;
        handler(*this, field);
    }
}

void DataSource::updateData() {
    eachLink([](DataLink& l) { l.updateData(); });
    if (onUpdateData) {
        auto handler = onUpdateData;
        handler(*this);
    }
}

void DataSource::dataSetDestroyed() {
    dataSet_ = nullptr;
    activeChanged();
}

} // namespace ct
