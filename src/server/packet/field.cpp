#include "server/packet/field.h"

#include "server/core/text.h"

namespace ct::server {
namespace {

bool read_digits(std::string_view text, std::size_t pos, std::size_t count, int& out) {
    if (pos + count > text.size()) {
        return false;
    }
    out = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        out = out * 10 + (text[i] - '0');
    }
    return true;
}

int days_in_month(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

} // namespace

bool is_text(FieldType type) {
    return type == FieldType::string || type == FieldType::fixedstring;
}

std::string_view type_name(FieldType type) {
    switch (type) {
    case FieldType::string:
        return "string";
    case FieldType::fixedstring:
        return "fixedstring";
    case FieldType::float_:
        return "float";
    case FieldType::integer:
        return "integer";
    case FieldType::boolean:
        return "boolean";
    case FieldType::datetime:
        return "datetime";
    }
    return "string";
}

bool parse_type(std::string_view text, FieldType& out) {
    for (FieldType t : {FieldType::string, FieldType::fixedstring, FieldType::float_,
                        FieldType::integer, FieldType::boolean, FieldType::datetime}) {
        if (text == type_name(t)) {
            out = t;
            return true;
        }
    }
    return false;
}

nlohmann::json fields_json(const FieldList& fields) {
    auto out = nlohmann::json::array();
    for (const auto& f : fields) {
        nlohmann::json j = {{"name", f.name}, {"type", type_name(f.type)}};
        if (is_text(f.type)) {
            j["size"] = f.size;
        }
        out.push_back(std::move(j));
    }
    return out;
}

int find_field(const FieldList& fields, std::string_view name) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (iequals(fields[i].name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string normalize_datetime(std::string_view text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!read_digits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' ||
        !read_digits(text, 5, 2, month) || text[7] != '-' || !read_digits(text, 8, 2, day)) {
        return {};
    }
    if (text.size() > 10) {
        if ((text[10] != 'T' && text[10] != ' ') || text.size() < 16 ||
            !read_digits(text, 11, 2, hour) || text[13] != ':' ||
            !read_digits(text, 14, 2, minute)) {
            return {};
        }
        std::size_t pos = 16;
        if (pos < text.size() && text[pos] == ':') {
            if (!read_digits(text, pos + 1, 2, second)) {
                return {};
            }
            pos += 3;
            if (pos < text.size() && text[pos] == '.') {
                ++pos;
                const std::size_t start = pos;
                while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
                    ++pos;
                }
                if (pos == start) {
                    return {};
                }
            }
        }
        if (pos < text.size() && text[pos] == 'Z') {
            ++pos;
        }
        if (pos != text.size()) {
            return {};
        }
    }
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) ||
        hour > 23 || minute > 59 || second > 59) {
        return {};
    }
    // Written digit by digit: every date cell of a packet of thousands of rows passes here.
    std::string out = "0000-00-00T00:00:00";
    const auto put = [&out](std::size_t at, int digits, int value) {
        for (int d = digits - 1; d >= 0; --d, value /= 10) {
            out[at + static_cast<std::size_t>(d)] = static_cast<char>('0' + value % 10);
        }
    };
    put(0, 4, year);
    put(5, 2, month);
    put(8, 2, day);
    put(11, 2, hour);
    put(14, 2, minute);
    put(17, 2, second);
    return out;
}

} // namespace ct::server
