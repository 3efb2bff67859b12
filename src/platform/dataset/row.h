#pragma once

#include "platform/dataset/packed_values.h"

#include <cstdint>

namespace ct {

enum class RowStatus { Unchanged, Inserted, Modified };

// One row of a data set with what the change log needs to know about it.
struct Row {
    std::uint64_t id = 0;        // bookmark
    std::uint64_t changeSeq = 0; // order of its first pending change (0: none)
    RowStatus status = RowStatus::Unchanged;
    bool deleted = false;  // deleted since the last merge, kept for the delta and undo
    PackedValues values;   // every field, calculated ones included
    PackedValues original; // as at the last merge (empty for an inserted row)
    std::size_t order = 0; // position in natural order, for stable sorting

    bool pending() const { return status != RowStatus::Unchanged || deleted; }
};

} // namespace ct
