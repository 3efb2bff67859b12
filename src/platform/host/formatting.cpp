#include "platform/host/formatting.h"

#include "platform/dataset/format.h"

namespace ct {

std::string FormatFloat(std::string_view pattern, double value) {
    return formatNumber(value, pattern);
}

} // namespace ct
