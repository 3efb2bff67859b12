#include "server/rpc/method_registry.h"

#include "server/core/errors.h"
#include "server/core/text.h"

#include <cmath>
#include <fmt/format.h>
#include <stdexcept>

namespace ct::server {

namespace arg {
ArgSpec text(std::string label, std::size_t max_size) {
    ArgSpec a;
    a.kind = ArgKind::string;
    a.max_size = max_size;
    a.label = std::move(label);
    return a;
}
ArgSpec text_ref(std::string label, std::size_t max_size) {
    ArgSpec a = text(std::move(label), max_size);
    a.by_ref = true;
    return a;
}
ArgSpec number(std::string label) {
    ArgSpec a;
    a.kind = ArgKind::number;
    a.label = std::move(label);
    return a;
}
ArgSpec number_ref(std::string label) {
    ArgSpec a = number(std::move(label));
    a.by_ref = true;
    return a;
}
ArgSpec packet(std::string label, FieldList known) {
    ArgSpec a;
    a.kind = ArgKind::packet;
    a.known = std::move(known);
    a.label = std::move(label);
    return a;
}
ArgSpec packet_ref_or_null(std::string label, FieldList known) {
    ArgSpec a = packet(std::move(label), std::move(known));
    a.by_ref = true;
    a.nullable = true;
    return a;
}
} // namespace arg

void check_arguments(const MethodSpec& def, const nlohmann::json& params) {
    if (params.size() != def.args.size()) {
        throw invalid_params(fmt::format("{} takes {} argument{}, {} given", def.name,
                                         def.args.size(), def.args.size() == 1 ? "" : "s",
                                         params.size()));
    }
    for (std::size_t i = 0; i < def.args.size(); ++i) {
        const ArgSpec& a = def.args[i];
        const nlohmann::json& v = params[i];
        const std::string where = fmt::format("argument {} ({})", i + 1, a.label);
        switch (a.kind) {
        case ArgKind::string:
            if (!v.is_string()) {
                throw invalid_params(where + " must be a text");
            }
            if (a.max_size > 0 && utf8_length(v.get_ref<const std::string&>()) > a.max_size) {
                throw invalid_params(
                    fmt::format("{} is longer than {} characters", where, a.max_size));
            }
            break;
        case ArgKind::number:
            if (!v.is_number()) {
                throw invalid_params(where + " must be a number");
            }
            if (!std::isfinite(v.get<double>())) {
                throw invalid_params(where + " must be a finite number");
            }
            break;
        case ArgKind::boolean:
            if (!v.is_boolean()) {
                throw invalid_params(where + " must be true or false");
            }
            break;
        case ArgKind::packet:
            if (v.is_null()) {
                if (!a.nullable) {
                    throw invalid_params(where + " must be a data packet");
                }
            } else if (!v.is_object()) {
                throw invalid_params(where + " must be a data packet");
            }
            break;
        }
    }
}

CallContext::CallContext(Sql& sql, const MethodSpec& def, nlohmann::json params)
    : sql_(sql)
    , def_(def) {
    check_arguments(def, params);
    const std::size_t n = def.args.size();
    nulls_.resize(n);
    texts_.resize(n);
    numbers_.resize(n);
    packets_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const ArgSpec& a = def.args[i];
        nlohmann::json& v = params[i];
        nulls_[i] = v.is_null();
        if (a.by_ref) {
            byref_[std::to_string(i)] = v;
        }
        if (a.kind == ArgKind::string) {
            texts_[i] = std::move(v.get_ref<std::string&>());
        } else if (a.kind == ArgKind::number) {
            numbers_[i] = v.get<double>();
        } else if (a.kind == ArgKind::packet && !v.is_null()) {
            packets_[i] = Packet::parse(std::move(v), a.known,
                                        fmt::format("argument {} ({})", i + 1, a.label));
        }
    }
}

const std::string& CallContext::text(std::size_t index) const {
    return texts_.at(index);
}

double CallContext::number(std::size_t index) const {
    return numbers_.at(index);
}

bool CallContext::is_null(std::size_t index) const {
    return nulls_.at(index);
}

const Packet& CallContext::packet(std::size_t index) const {
    const auto& p = packets_.at(index);
    if (!p) {
        throw std::logic_error(fmt::format("{}: argument {} is no packet", def_.name, index + 1));
    }
    return *p;
}

void CallContext::set_byref(std::size_t index, nlohmann::json value) {
    if (index >= def_.args.size() || !def_.args[index].by_ref) {
        throw std::logic_error(
            fmt::format("{}: argument {} is not by reference", def_.name, index + 1));
    }
    byref_[std::to_string(index)] = std::move(value);
}

void MethodRegistry::add(MethodSpec def) {
    if (methods_.count(def.name)) {
        throw std::logic_error("method registered twice: " + def.name);
    }
    std::string name = def.name;
    methods_.emplace(std::move(name), std::move(def));
}

const MethodSpec* MethodRegistry::find(const std::string& name) const {
    auto it = methods_.find(name);
    return it == methods_.end() ? nullptr : &it->second;
}

std::vector<std::string> MethodRegistry::names() const {
    std::vector<std::string> out;
    for (const auto& [name, def] : methods_) {
        out.push_back(name);
    }
    return out;
}

} // namespace ct::server
