#include "server/rpc/method_registry.h"

#include "server/core/errors.h"
#include "server/core/text.h"
#include "server/packet/packet_text.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <stdexcept>

namespace ct::server {

namespace arg {
ArgDef text(std::string label, std::size_t max_size) {
    ArgDef a;
    a.kind = ArgKind::string;
    a.max_size = max_size;
    a.label = std::move(label);
    return a;
}
ArgDef text_ref(std::string label, std::size_t max_size) {
    ArgDef a = text(std::move(label), max_size);
    a.by_ref = true;
    return a;
}
ArgDef number(std::string label) {
    ArgDef a;
    a.kind = ArgKind::number;
    a.label = std::move(label);
    return a;
}
ArgDef number_ref(std::string label) {
    ArgDef a = number(std::move(label));
    a.by_ref = true;
    return a;
}
ArgDef packet(std::string label, FieldList known) {
    ArgDef a;
    a.kind = ArgKind::packet;
    a.known = std::move(known);
    a.label = std::move(label);
    return a;
}
ArgDef packet_ref_or_null(std::string label, FieldList known) {
    ArgDef a = packet(std::move(label), std::move(known));
    a.by_ref = true;
    a.nullable = true;
    return a;
}
} // namespace arg

namespace {

std::string where(std::size_t index, const ArgDef& a) {
    return fmt::format("argumento {} ({})", index + 1, a.label);
}

void check_text(const std::string& text, std::size_t index, const ArgDef& a) {
    if (a.max_size > 0 && utf8_length(text) > a.max_size) {
        throw invalid_params(
            fmt::format("{} tem mais de {} caracteres", where(index, a), a.max_size));
    }
    if (has_control_characters(text)) {
        throw invalid_params(fmt::format("{} contém caracteres de controle", where(index, a)));
    }
}

} // namespace

Arguments::Arguments(const MethodDef& def, std::vector<RpcParam>&& params, std::size_t count) {
    const std::size_t n = def.args.size();
    if (count != n) {
        throw invalid_params(fmt::format("{} recebe {} argumento{}; {} informado{}", def.name, n,
                                         n == 1 ? "" : "s", count, count == 1 ? "" : "s"));
    }
    // Kinds first, in order, then the packets' contents: a wrong kind is named before a packet's
    // fault further on.
    for (std::size_t i = 0; i < n; ++i) {
        const ArgDef& a = def.args[i];
        const RpcParam& v = params[i];
        switch (a.kind) {
        case ArgKind::string:
            if (v.kind != RpcParam::Kind::text) {
                throw invalid_params(where(i, a) + " deve ser um texto");
            }
            check_text(v.text, i, a);
            break;
        case ArgKind::number:
            if (v.kind != RpcParam::Kind::number) {
                throw invalid_params(where(i, a) + " deve ser um número");
            }
            if (!std::isfinite(v.number)) {
                throw invalid_params(where(i, a) + " deve ser um número finito");
            }
            break;
        case ArgKind::boolean:
            if (v.kind != RpcParam::Kind::boolean) {
                throw invalid_params(where(i, a) + " deve ser verdadeiro ou falso");
            }
            break;
        case ArgKind::packet:
            if (v.kind == RpcParam::Kind::null ? !a.nullable : v.kind != RpcParam::Kind::packet) {
                throw invalid_params(where(i, a) + " deve ser um pacote de dados");
            }
            break;
        }
    }
    nulls_.resize(n);
    texts_.resize(n);
    numbers_.resize(n);
    packets_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const ArgDef& a = def.args[i];
        RpcParam& v = params[i];
        nulls_[i] = v.kind == RpcParam::Kind::null;
        if (a.kind == ArgKind::string) {
            texts_[i] = std::move(v.text);
        } else if (a.kind == ArgKind::number) {
            numbers_[i] = v.number;
        } else if (a.kind == ArgKind::packet && v.packet) {
            packets_[i] = Packet::check(std::move(*v.packet), a.known, where(i, a));
            v.packet.reset();
        }
        if (!a.by_ref) {
            continue;
        }
        nlohmann::json& back = byref_[std::to_string(i)];
        if (a.kind == ArgKind::string) {
            back = texts_[i];
        } else if (a.kind == ArgKind::number) {
            back = numbers_[i];
        } else if (packets_[i]) {
            back = written_packet(*packets_[i]); // as it came, without a document
        }
    }
}

std::string Arguments::key(const MethodDef& def) const {
    std::string out;
    for (std::size_t i = 0; i < nulls_.size(); ++i) {
        if (nulls_[i]) {
            out += "n;";
        } else if (def.args[i].kind == ArgKind::string) {
            // Its length first, so that no text can pass for the next argument.
            out += fmt::format("s{}:", texts_[i].size());
            out += texts_[i];
        } else if (def.args[i].kind == ArgKind::number) {
            out += fmt::format("d{};", numbers_[i]);
        } // no other kind in a cached method (MethodRegistry::add)
    }
    return out;
}

CallContext::CallContext(Sql& sql, const MethodDef& def, Arguments&& args)
    : sql_(sql)
    , def_(def)
    , args_(std::move(args)) {}

const std::string& CallContext::text(std::size_t index) const {
    return args_.texts_.at(index);
}

double CallContext::number(std::size_t index) const {
    return args_.numbers_.at(index);
}

bool CallContext::is_null(std::size_t index) const {
    return args_.nulls_.at(index);
}

const Packet& CallContext::packet(std::size_t index) const {
    const auto& p = args_.packets_.at(index);
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
    args_.byref_[std::to_string(index)] = std::move(value);
}

void MethodRegistry::add(MethodDef def) {
    if (methods_.count(def.name)) {
        throw std::logic_error("method registered twice: " + def.name);
    }
    const bool plain = std::all_of(def.args.begin(), def.args.end(), [](const ArgDef& a) {
        return a.kind == ArgKind::string || a.kind == ArgKind::number;
    });
    if (def.cached && (def.writes || !plain)) {
        throw std::logic_error("a cached method reads and takes texts and numbers: " + def.name);
    }
    std::string name = def.name;
    methods_.emplace(std::move(name), std::move(def));
}

const MethodDef* MethodRegistry::find(const std::string& name) const {
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
