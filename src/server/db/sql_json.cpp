#include "server/db/sql_json.h"

namespace ct::server {

nlohmann::json json_of(const SqlValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    if (const auto* number = std::get_if<double>(&value)) {
        return *number;
    }
    if (const auto* integer = std::get_if<long long>(&value)) {
        return *integer;
    }
    return nullptr;
}

} // namespace ct::server
