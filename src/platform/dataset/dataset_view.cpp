// What navigation sees: the filter, the field-order index and the rows they leave visible.
#include "platform/dataset/dataset.h"
#include "platform/dataset/row.h"
#include "platform/dataset/row_filter.h"
#include "platform/dataset/text_compare.h"

#include <algorithm>
#include <fmt/format.h>

namespace ct {
namespace {

int compareValues(const Value& a, const Value& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : a.isNull() ? -1 : 1;
    if (a.isString() && b.isString())
        return collate(a.asString(), b.asString());
    if (a.isNumber() && b.isNumber())
        return a.asDouble() < b.asDouble() ? -1 : a.asDouble() > b.asDouble() ? 1 : 0;
    if (a.isDateTime() && b.isDateTime())
        return a.asDateTime() < b.asDateTime() ? -1 : a.asDateTime() > b.asDateTime() ? 1 : 0;
    if (a.isBool() && b.isBool())
        return static_cast<int>(a.asBool()) - static_cast<int>(b.asBool());
    return static_cast<int>(a.storage().index()) - static_cast<int>(b.storage().index());
}

} // namespace

std::vector<int> DataSet::resolveFields(std::string_view names) const {
    std::vector<int> indexes;
    std::size_t pos = 0;
    while (pos <= names.size()) {
        auto semi = names.find(';', pos);
        std::string_view part =
            names.substr(pos, semi == std::string_view::npos ? names.npos : semi - pos);
        while (!part.empty() && part.front() == ' ')
            part.remove_prefix(1);
        while (!part.empty() && part.back() == ' ')
            part.remove_suffix(1);
        if (!part.empty())
            indexes.push_back(fieldByName(part).index());
        if (semi == std::string_view::npos)
            break;
        pos = semi + 1;
    }
    return indexes;
}

bool DataSet::rowVisible(const Row& row) const {
    if (row.deleted)
        return false;
    return !filtered_ || !filter_ || filter_->matches(row.values, filterCaseInsensitive_);
}

bool DataSet::rowLess(const Row* a, const Row* b) const {
    for (int i : indexFields_)
        if (int c = compareValues(a->values.get(i), b->values.get(i)))
            return c < 0;
    return a->order < b->order;
}

void DataSet::rebuildView() {
    view_.clear();
    view_.reserve(rows_.size());
    for (const auto& row : rows_)
        if (rowVisible(*row))
            view_.push_back(row.get());
    const auto less = [this](const Row* a, const Row* b) { return rowLess(a, b); };
    // Rows mostly arrive in index order already (the server reads them alike): one pass tells.
    if (!indexFields_.empty() && !std::is_sorted(view_.begin(), view_.end(), less))
        std::sort(view_.begin(), view_.end(), less);
}

void DataSet::placeInView(Row* row) {
    if (!rowVisible(*row)) {
        current_ = -1;
        return;
    }
    auto at = indexFields_.empty()
                  ? std::lower_bound(view_.begin(), view_.end(), row,
                                     [](const Row* a, const Row* b) { return a->order < b->order; })
                  : std::lower_bound(view_.begin(), view_.end(), row,
                                     [this](const Row* a, const Row* b) { return rowLess(a, b); });
    current_ = static_cast<int>(at - view_.begin());
    view_.insert(at, row);
}

// After the visible rows changed: stay on `keep` when it is still visible, otherwise (or with
// `toFirst`) go to the first row running the scroll events.
void DataSet::afterViewChange(Row* keep, bool toFirst) {
    if (!toFirst && keep) {
        auto it = std::find(view_.begin(), view_.end(), keep);
        if (it != view_.end()) {
            current_ = static_cast<int>(it - view_.begin());
            notify(Notice::DataSet);
            return;
        }
    }
    run(beforeScroll, *this);
    current_ = view_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = view_.empty();
    notify(Notice::DataSet);
    run(afterScroll, *this);
}

std::shared_ptr<const RowFilter> DataSet::compileFilter(std::string_view text) const {
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return nullptr;
    return RowFilter::parse(text,
                            [this](std::string_view name) -> std::optional<RowFilter::FieldInfo> {
                                if (const Field* f = findField(name))
                                    return RowFilter::FieldInfo{f->index(), f->type()};
                                return std::nullopt;
                            });
}

void DataSet::setFilter(std::string_view text) {
    std::shared_ptr<const RowFilter> parsed = compileFilter(text);
    if (filtered_ && active())
        checkBrowseMode();
    filterText_ = std::string(text);
    filter_ = std::move(parsed);
    if (filtered_ && active()) {
        rebuildView();
        afterViewChange(nullptr, true);
    }
}

void DataSet::setFiltered(bool on) {
    if (filtered_ == on)
        return;
    if (active())
        checkBrowseMode();
    filtered_ = on;
    if (active()) {
        rebuildView();
        afterViewChange(nullptr, true);
    }
}

void DataSet::setFilterCaseInsensitive(bool on) {
    if (filterCaseInsensitive_ == on)
        return;
    if (filtered_ && active())
        checkBrowseMode();
    filterCaseInsensitive_ = on;
    if (filtered_ && active()) {
        rebuildView();
        afterViewChange(nullptr, true);
    }
}

void DataSet::setIndexFieldNames(std::string_view names) {
    std::vector<int> indexes = resolveFields(names);
    if (active())
        checkBrowseMode();
    Row* keep = currentRow();
    indexText_ = std::string(names);
    indexFields_ = std::move(indexes);
    if (active()) {
        rebuildView();
        afterViewChange(keep, false);
    }
}

void DataSet::adoptContent(std::vector<FieldDef> defs, std::vector<std::unique_ptr<Row>> rows,
                           std::uint64_t nextSeq) {
    discardEdit();
    bool sameShape =
        defs.size() == fields_.size() &&
        std::equal(defs.begin(), defs.end(), fields_.begin(), [](const FieldDef& d, const auto& f) {
            return d.name == f->name() && d.type == f->type() && d.size == f->size() &&
                   d.calculated == f->calculated();
        });
    if (!defs.empty() && !sameShape) {
        setFieldsFrom(defs, false);
        // the filter and index name fields that may have changed place
        try {
            filter_ = compileFilter(filterText_);
        } catch (const DataSetError&) {
            filter_.reset();
        }
        try {
            indexFields_ = resolveFields(indexText_);
        } catch (const DataSetError&) {
            indexFields_.clear();
            indexText_.clear();
        }
    }
    rows_ = std::move(rows);
    ++version_;
    loadedFrom_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        rows_[i]->order = i;
        rows_[i]->id = nextId_++;
    }
    nextSeq_ = nextSeq;
    state_ = DataSetState::Browse;
    rebuildView();
    current_ = view_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = view_.empty();
    notify(Notice::State);
}

} // namespace ct
