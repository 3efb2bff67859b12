#include "server/db/sql_array.h"

#include "text/utf8.h"

#include <cmath>
#include <fmt/format.h>

namespace ct::server {

namespace {
constexpr std::string_view replacement = "\xEF\xBF\xBD"; // U+FFFD
} // namespace

void SqlArray::separate() {
    if (text_.size() > 1) {
        text_ += ',';
    }
}

void SqlArray::add(const SqlValue& value) {
    separate();
    if (const auto* text = std::get_if<std::string>(&value)) {
        text_ += '"';
        const char* p = text->data();
        const char* const end = p + text->size();
        while (p < end) {
            const std::size_t n = utf8_sequence(p, end);
            if (n == 0) {
                text_.append(replacement);
                ++p;
                continue;
            }
            if (*p == '"' || *p == '\\') {
                text_ += '\\';
            }
            text_.append(p, n);
            p += n;
        }
        text_ += '"';
    } else if (const auto* number = std::get_if<double>(&value); number && std::isfinite(*number)) {
        fmt::format_to(std::back_inserter(text_), "{}", *number);
    } else if (const auto* integer = std::get_if<long long>(&value)) {
        fmt::format_to(std::back_inserter(text_), "{}", *integer);
    } else {
        text_.append(std::string_view("NULL"));
    }
}

std::string SqlArray::take() {
    text_.push_back('}');
    std::string out = std::move(text_);
    text_.assign(1, '{');
    return out;
}

} // namespace ct::server
