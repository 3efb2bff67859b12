#include "platform/net/rpc_arg.h"

#include "json/json_text.h"

namespace ct {

void RpcArg::writeJson(std::string& out) const {
    if (auto text = std::get_if<std::string*>(&target_))
        out += json_text(**text);
    else if (auto number = std::get_if<double*>(&target_))
        out += json_text(**number);
    else if (auto packet = std::get_if<nlohmann::json*>(&target_))
        out += json_text(**packet);
    else if (text_)
        out += *text_;
    else
        out += json_text(*value_);
}

bool RpcArg::accepts(const nlohmann::json& value) const {
    if (std::holds_alternative<std::string*>(target_))
        return value.is_null() || value.is_string();
    if (std::holds_alternative<double*>(target_))
        return value.is_null() || value.is_number();
    return true;
}

bool RpcArg::receive(const nlohmann::json& value) const {
    if (!accepts(value))
        return false;
    if (auto text = std::get_if<std::string*>(&target_)) {
        if (value.is_null())
            (*text)->clear();
        else if (value.is_string())
            **text = value.get<std::string>();
        else
            return false;
        return true;
    }
    if (auto number = std::get_if<double*>(&target_)) {
        if (value.is_null())
            **number = 0.0;
        else if (value.is_number())
            **number = value.get<double>();
        else
            return false;
        return true;
    }
    if (auto packet = std::get_if<nlohmann::json*>(&target_)) {
        **packet = value;
        return true;
    }
    return true;
}

} // namespace ct
