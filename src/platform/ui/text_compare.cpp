#include "platform/ui/text_compare.h"

#include "platform/ui/utf8.h"

namespace ct {

bool textEqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size() && utf8::length(a) != utf8::length(b))
        return false;
    return utf8::toUpper(a) == utf8::toUpper(b);
}

} // namespace ct
