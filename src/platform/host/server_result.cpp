#include "platform/host/server_result.h"

#include <utility>

namespace ct {

ServerResult ServerResult::success(nlohmann::json value, nlohmann::json byref) {
    ServerResult result;
    result.ok_ = true;
    result.value_ = std::move(value);
    if (byref.is_object())
        result.byref_ = std::move(byref);
    return result;
}

ServerResult ServerResult::failure(int code, std::string message) {
    ServerResult result;
    result.code_ = code;
    result.message_ = std::move(message);
    return result;
}

} // namespace ct
