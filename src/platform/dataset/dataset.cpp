// Data set core: fields, state, editing and events.
#include "platform/dataset/dataset.h"

#include "platform/dataset/data_source.h"
#include "platform/dataset/row.h"
#include "platform/dataset/text_compare.h"

#include <algorithm>
#include <fmt/format.h>
#include <utility>

namespace ct {
namespace {} // namespace

DataSet::DataSet(std::string name)
    : name_(std::move(name)) {}

DataSet::DataSet(std::string name, std::vector<FieldDef> fields)
    : name_(std::move(name)) {
    setFieldDefs(std::move(fields));
}

DataSet::~DataSet() {
    for (DataSource* source : std::vector<DataSource*>(sources_))
        source->dataSetDestroyed();
}

void DataSet::run(const DataSetEvent& event, DataSet& self) {
    if (event) {
        DataSetEvent handler = event; // the handler may detach itself while it runs
        handler(self);
    }
}

// ---- fields ----

void DataSet::setFieldsFrom(const std::vector<FieldDef>& defs, bool persistent) {
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (defs[i].name.empty())
            throw DataSetError(fmt::format("{}: campo sem nome na posição {}", name_, i + 1));
        for (std::size_t j = 0; j < i; ++j)
            if (sameName(defs[i].name, defs[j].name))
                throw DataSetError(fmt::format("{}: campo {} repetido", name_, defs[i].name));
        if (defs[i].size < 0)
            throw DataSetError(
                fmt::format("{}: tamanho negativo no campo {}", name_, defs[i].name));
    }
    fields_.clear();
    for (std::size_t i = 0; i < defs.size(); ++i)
        fields_.push_back(std::make_unique<Field>(*this, defs[i], static_cast<int>(i)));
    persistentFields_ = persistent && !defs.empty();
}

void DataSet::addField(FieldDef def) {
    checkInactive("incluir campos");
    auto defs = fieldDefs();
    defs.push_back(std::move(def));
    setFieldsFrom(defs, true);
}

void DataSet::setFieldDefs(std::vector<FieldDef> defs) {
    checkInactive("alterar os campos");
    setFieldsFrom(defs, true);
}

std::vector<FieldDef> DataSet::fieldDefs() const {
    std::vector<FieldDef> defs;
    defs.reserve(fields_.size());
    for (const auto& f : fields_)
        defs.push_back(f->def());
    return defs;
}

Field& DataSet::field(int index) {
    if (index < 0 || index >= fieldCount())
        throw DataSetError(fmt::format("{}: campo de índice {} não existe", name_, index));
    return *fields_[index];
}

const Field& DataSet::field(int index) const {
    return const_cast<DataSet*>(this)->field(index);
}

Field* DataSet::findField(std::string_view name) {
    for (auto& f : fields_)
        if (sameName(f->name(), name))
            return f.get();
    return nullptr;
}

const Field* DataSet::findField(std::string_view name) const {
    return const_cast<DataSet*>(this)->findField(name);
}

Field& DataSet::fieldByName(std::string_view name) {
    if (Field* f = findField(name))
        return *f;
    throw DataSetError(fmt::format("{}: campo '{}' não encontrado", name_, name));
}

const Field& DataSet::fieldByName(std::string_view name) const {
    return const_cast<DataSet*>(this)->fieldByName(name);
}

std::vector<int> DataSet::storedFields() const {
    std::vector<int> stored;
    for (const auto& f : fields_)
        if (!f->calculated())
            stored.push_back(f->index());
    return stored;
}

// ---- state ----

void DataSet::checkActive(const char* operation) const {
    if (!active())
        throw DataSetError(fmt::format("{}: não é possível {} com o conjunto de dados fechado",
                                       name_.empty() ? "Conjunto de dados" : name_, operation));
}

void DataSet::checkInactive(const char* operation) const {
    if (active())
        throw DataSetError(fmt::format("{}: não é possível {} com o conjunto de dados aberto",
                                       name_.empty() ? "Conjunto de dados" : name_, operation));
}

void DataSet::setState(DataSetState state) {
    if (state_ == state)
        return;
    state_ = state;
    notify(Notice::State);
}

void DataSet::notify(Notice notice, Field* field) {
    if (disableCount_ > 0)
        return;
    for (DataSource* source : std::vector<DataSource*>(sources_)) {
        if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
            continue; // removed by an earlier observer
        switch (notice) {
        case Notice::State:
            source->stateChanged();
            break;
        case Notice::DataSet:
            source->dataSetChanged();
            break;
        case Notice::Scroll:
            source->dataSetScrolled();
            break;
        case Notice::Field:
            source->recordChanged(field);
            break;
        case Notice::UpdateRecord:
            source->updateData();
            break;
        case Notice::Active:
            source->activeChanged();
            break;
        }
    }
}

void DataSet::attachSource(DataSource* source) {
    if (source && std::find(sources_.begin(), sources_.end(), source) == sources_.end())
        sources_.push_back(source);
}

void DataSet::detachSource(DataSource* source) {
    sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

void DataSet::disableControls() {
    if (disableCount_++ == 0)
        disabledState_ = state_;
}

void DataSet::enableControls() {
    if (disableCount_ == 0)
        return;
    if (--disableCount_ > 0)
        return;
    if (disabledState_ != state_)
        notify(Notice::State);
    if (disabledState_ != DataSetState::Inactive || state_ != DataSetState::Inactive)
        notify(Notice::DataSet);
}

void DataSet::updateRecord() {
    if (editing())
        notify(Notice::UpdateRecord);
}

// ---- values ----

Row* DataSet::currentRow() const {
    if (!active() || current_ < 0 || current_ >= static_cast<int>(view_.size()))
        return nullptr;
    return view_[current_];
}

int DataSet::displayRowCount() const {
    return recordCount() + (state_ == DataSetState::Insert ? 1 : 0);
}

int DataSet::displayCurrent() const {
    if (state_ == DataSetState::Insert)
        return insertPos_;
    return currentRow() ? current_ : -1;
}

ShowRow::ShowRow(DataSet& dataSet, int position)
    : dataSet_(dataSet)
    , previous_(std::exchange(dataSet.shown_, position)) {}

ShowRow::~ShowRow() {
    dataSet_.shown_ = previous_;
}

Value DataSet::currentValue(int fieldIndex) const {
    if (fieldIndex < 0 || fieldIndex >= fieldCount())
        return {};
    if (shown_ >= 0 && active() && shown_ != displayCurrent()) {
        int position = shown_;
        if (state_ == DataSetState::Insert && position > insertPos_)
            --position; // rows after the one being inserted
        if (position < static_cast<int>(view_.size()))
            return view_[position]->values.get(fieldIndex);
        return {};
    }
    if (editing() && buffer_)
        return bufferValues_[fieldIndex];
    if (Row* row = currentRow())
        return row->values.get(fieldIndex);
    return {};
}

Value DataSet::oldValueOf(int fieldIndex) const {
    if (fieldIndex < 0 || fieldIndex >= fieldCount())
        return {};
    if (state_ == DataSetState::Insert)
        return {};
    if (state_ == DataSetState::Edit)
        return editStart_[fieldIndex];
    Row* row = currentRow();
    if (!row || row->status == RowStatus::Inserted)
        return {};
    if (row->status == RowStatus::Modified)
        return row->original.get(fieldIndex);
    return row->values.get(fieldIndex);
}

void DataSet::writeValue(int fieldIndex, Value value) {
    Field& target = field(fieldIndex);
    checkActive("alterar um campo");
    if (editing()) {
        bufferValues_[fieldIndex] = std::move(value);
        if (!target.calculated())
            modified_ = true;
    } else if (target.calculated() && currentRow()) {
        currentRow()->values.set(fieldIndex, value);
        ++version_;
    } else {
        throw DataSetError(fmt::format("{}: o campo {} só pode ser alterado em edição ou inclusão",
                                       name_.empty() ? "Conjunto de dados" : name_, target.name()));
    }
    if (target.onChange) {
        FieldChangeEvent handler = target.onChange;
        handler(target);
    }
    notify(Notice::Field, &target);
}

// ---- open and close ----

void DataSet::fireOpened() {
    notify(Notice::Active);
    notify(Notice::DataSet);
    run(afterOpen, *this);
    run(afterScroll, *this);
}

void DataSet::createDataSet() {
    if (fields_.empty())
        throw DataSetError(fmt::format("{}: não há campos definidos para criar o conjunto de dados",
                                       name_.empty() ? "Conjunto de dados" : name_));
    run(beforeOpen, *this);
    adoptContent({}, {}, 1);
    fireOpened();
}

void DataSet::open() {
    if (!active())
        createDataSet();
}

void DataSet::close() {
    if (!active())
        return;
    run(beforeClose, *this);
    discardEdit();
    rows_.clear();
    ++version_;
    view_.clear();
    current_ = -1;
    bof_ = eof_ = true;
    state_ = DataSetState::Inactive;
    notify(Notice::State);
    notify(Notice::Active);
    run(afterClose, *this);
}

void DataSet::setActive(bool on) {
    if (on)
        open();
    else
        close();
}

// ---- editing ----

void DataSet::discardEdit() {
    buffer_.reset();
    bufferValues_.clear();
    editStart_.clear();
    insertPos_ = -1;
    insertBefore_ = nullptr;
    modified_ = false;
}

void DataSet::checkBrowseMode() {
    if (!editing())
        return;
    updateRecord();
    if (modified_)
        post();
    else
        cancel();
}

void DataSet::beginInsert(bool atEnd) {
    checkActive("incluir");
    checkBrowseMode();
    run(beforeInsert, *this);
    run(beforeScroll, *this);
    auto row = std::make_unique<Row>();
    row->id = nextId_++;
    bufferValues_.assign(fields_.size(), Value());
    bool end = atEnd || current_ < 0 || view_.empty();
    insertAtEnd_ = end;
    insertPos_ = end ? static_cast<int>(view_.size()) : current_;
    insertBefore_ = end ? nullptr : view_[current_];
    editStart_.assign(fields_.size(), Value());
    buffer_ = std::move(row);
    setState(DataSetState::Insert);
    try {
        run(onNewRecord, *this);
    } catch (...) {
        discardEdit();
        setState(DataSetState::Browse);
        notify(Notice::DataSet);
        throw;
    }
    modified_ = false;
    notify(Notice::DataSet);
    run(afterInsert, *this);
    run(afterScroll, *this);
}

void DataSet::insert() {
    beginInsert(false);
}
void DataSet::append() {
    beginInsert(true);
}

void DataSet::edit() {
    checkActive("alterar");
    if (editing())
        return;
    if (view_.empty()) {
        insert();
        return;
    }
    run(beforeEdit, *this);
    Row* row = currentRow();
    buffer_ = std::make_unique<Row>();
    buffer_->id = row->id;
    editStart_ = row->values.unpack();
    bufferValues_ = editStart_;
    modified_ = false;
    setState(DataSetState::Edit);
    notify(Notice::Field, nullptr);
    run(afterEdit, *this);
}

void DataSet::post() {
    if (!editing())
        return;
    updateRecord();
    run(beforePost, *this);
    if (!editing())
        return; // the handler settled the row itself
    if (state_ == DataSetState::Edit)
        commitEdit();
    else
        commitInsert();
    discardEdit();
    bof_ = eof_ = view_.empty();
    setState(DataSetState::Browse);
    notify(Notice::DataSet);
    run(afterPost, *this);
}

void DataSet::commitEdit() {
    ++version_;
    Row* row = currentRow();
    PackedValues edited(bufferValues_);
    bool changed = false;
    for (int i : storedFields())
        if (!edited.sameAt(i, row->values))
            changed = true;
    if (changed && row->status == RowStatus::Unchanged) {
        row->original = std::move(row->values);
        row->status = RowStatus::Modified;
        row->changeSeq = nextSeq_++;
    }
    row->values = std::move(edited);
    if (row->status == RowStatus::Modified) {
        bool back = true; // edited back to the saved values: nothing pending
        for (int i : storedFields())
            if (!row->values.sameAt(i, row->original))
                back = false;
        if (back) {
            row->status = RowStatus::Unchanged;
            row->original.clear();
            row->changeSeq = 0;
        }
    }
    if (!indexFields_.empty() || (filtered_ && filter_)) {
        int position = current_;
        // A row that stays visible between the same neighbours keeps its place: a walk that
        // posts every row costs no move of the view per row.
        const bool afterPrevious = position == 0 || rowLess(view_[position - 1], row);
        const bool beforeNext =
            position + 1 == static_cast<int>(view_.size()) || rowLess(row, view_[position + 1]);
        if (rowVisible(*row) && afterPrevious && beforeNext)
            return;
        view_.erase(view_.begin() + position);
        placeInView(row);
        if (current_ < 0 && !view_.empty())
            current_ = std::min(position, static_cast<int>(view_.size()) - 1);
    }
}

void DataSet::commitInsert() {
    ++version_;
    std::unique_ptr<Row> owned = std::move(buffer_);
    Row* row = owned.get();
    row->values = PackedValues(bufferValues_);
    row->status = RowStatus::Inserted;
    row->changeSeq = nextSeq_++;
    auto at = rows_.end();
    if (!insertAtEnd_ && insertBefore_) {
        at = std::find_if(rows_.begin(), rows_.end(),
                          [&](const auto& r) { return r.get() == insertBefore_; });
    }
    std::size_t natural = static_cast<std::size_t>(at - rows_.begin());
    rows_.insert(at, std::move(owned));
    if (natural + 1 == rows_.size())
        row->order = natural == 0 ? 0 : rows_[natural - 1]->order + 1;
    else
        for (std::size_t i = natural; i < rows_.size(); ++i)
            rows_[i]->order = i;
    int position = insertPos_;
    placeInView(row);
    if (current_ < 0 && !view_.empty())
        current_ = std::min(position, static_cast<int>(view_.size()) - 1);
}

void DataSet::cancel() {
    if (!editing())
        return;
    run(beforeCancel, *this);
    if (!editing())
        return;
    discardEdit();
    bof_ = eof_ = view_.empty();
    setState(DataSetState::Browse);
    notify(Notice::DataSet);
    run(afterCancel, *this);
}

void DataSet::remove() {
    checkActive("excluir");
    if (state_ == DataSetState::Insert) {
        cancel();
        return;
    }
    if (view_.empty())
        throw DataSetError(fmt::format("{}: não há registro para excluir",
                                       name_.empty() ? "Conjunto de dados" : name_));
    run(beforeDelete, *this);
    run(beforeScroll, *this);
    if (state_ == DataSetState::Edit)
        discardEdit();
    Row* row = currentRow();
    if (!row)
        return;
    ++version_;
    int position = current_;
    view_.erase(view_.begin() + position);
    if (row->status == RowStatus::Inserted) {
        // an insert later deleted leaves no trace
        rows_.erase(std::find_if(rows_.begin(), rows_.end(),
                                 [&](const auto& r) { return r.get() == row; }));
    } else {
        if (row->status == RowStatus::Unchanged) {
            row->original = row->values;
            row->changeSeq = nextSeq_++;
        }
        row->deleted = true;
    }
    bool wasLast = position >= static_cast<int>(view_.size());
    current_ = view_.empty() ? -1 : std::min(position, static_cast<int>(view_.size()) - 1);
    bof_ = view_.empty();
    eof_ = view_.empty() || wasLast;
    state_ = DataSetState::Browse;
    notify(Notice::State);
    notify(Notice::DataSet);
    run(afterDelete, *this);
    run(afterScroll, *this);
}

void DataSet::appendRecord(const std::vector<Value>& values) {
    if (values.size() > fields_.size())
        throw DataSetError(fmt::format("{}: {} valores para {} campos",
                                       name_.empty() ? "Conjunto de dados" : name_, values.size(),
                                       fields_.size()));
    append();
    try {
        for (std::size_t i = 0; i < values.size(); ++i)
            fields_[i]->setValue(values[i]);
    } catch (...) {
        cancel();
        throw;
    }
    post();
}

} // namespace ct
