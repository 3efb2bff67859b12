#pragma once

#include "platform/dataset/field_def.h"
#include "platform/dataset/packed_values.h"
#include "platform/dataset/value.h"

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace ct {

// A compiled filter text: comparisons of fields and literals joined by AND, OR, NOT and
// parentheses. Null equals only null and the empty text.
class RowFilter {
public:
    struct FieldInfo {
        int index;
        FieldType type;
    };
    using Resolver = std::function<std::optional<FieldInfo>(std::string_view name)>;

    // Throws DataSetError with the position of the fault for a bad text or an unknown field.
    static std::shared_ptr<const RowFilter> parse(std::string_view text, const Resolver& resolve);

    bool matches(const PackedValues& values, bool caseInsensitive) const;

    struct Node;
    ~RowFilter();

private:
    RowFilter() = default;
    std::unique_ptr<Node> root_;
};

} // namespace ct
