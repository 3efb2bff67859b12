// The change log: pending rows since the last merge, merging and undoing them.
#include "platform/dataset/dataset.h"
#include "platform/dataset/row.h"

#include <algorithm>

namespace ct {

int DataSet::changeCount() const {
    if (!active())
        return 0;
    return static_cast<int>(
        std::count_if(rows_.begin(), rows_.end(), [](const auto& r) { return r->pending(); }));
}

bool DataSet::rowChanged() const {
    const Row* row = currentRow();
    return row && row->pending();
}

void DataSet::mergeChangeLog() {
    if (!active())
        return;
    ++version_;
    rows_.erase(
        std::remove_if(rows_.begin(), rows_.end(), [](const auto& r) { return r->deleted; }),
        rows_.end());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        Row& row = *rows_[i];
        row.status = RowStatus::Unchanged;
        row.original.clear();
        row.changeSeq = 0;
        row.order = i;
    }
}

void DataSet::cancelUpdates() {
    if (!active())
        return;
    cancel();
    ++version_;
    Row* keep = currentRow();
    if (keep && keep->status == RowStatus::Inserted)
        keep = nullptr;
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(),
                               [](const auto& r) { return r->status == RowStatus::Inserted; }),
                rows_.end());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        Row& row = *rows_[i];
        if (row.pending()) {
            // calculated values are not part of the log; keep the ones the row has now
            std::vector<Value> restored = row.original.unpack();
            for (int f = 0; f < fieldCount(); ++f)
                if (fields_[f]->calculated())
                    restored[f] = row.values.get(f);
            row.values = PackedValues(restored);
        }
        row.status = RowStatus::Unchanged;
        row.deleted = false;
        row.original.clear();
        row.changeSeq = 0;
        row.order = i;
    }
    rebuildView();
    auto it = keep ? std::find(view_.begin(), view_.end(), keep) : view_.end();
    current_ = it != view_.end() ? static_cast<int>(it - view_.begin()) : (view_.empty() ? -1 : 0);
    bof_ = current_ <= 0;
    eof_ = view_.empty();
    notify(Notice::DataSet);
}

} // namespace ct
