#include "server/rpc/request_reader.h"

#include "server/core/errors.h"
#include "server/core/text.h"
#include "server/packet/packet_reader.h"

#include <bit>
#include <cstring>
#include <optional>
#include <spdlog/spdlog.h>

namespace ct::server {
namespace {

// A hash of the method and every event of the arguments, eight bytes at a time (a request of
// 10,000 parties holds megabytes of them). A retry comes seconds after its call, from the same
// server, so the hash need not stay the same from one build to the next.
class Fingerprint {
public:
    void add(char tag, std::string_view bytes = {}) {
        mix(static_cast<unsigned char>(tag) | (static_cast<std::uint64_t>(bytes.size()) << 8));
        std::size_t at = 0;
        for (; at + 8 <= bytes.size(); at += 8)
            mix(word(bytes.data() + at, 8));
        if (at < bytes.size())
            mix(word(bytes.data() + at, bytes.size() - at));
    }
    void add(const Cell& value) {
        switch (value.kind()) {
        case Cell::Kind::null:
            add('n');
            break;
        case Cell::Kind::boolean:
            add(value.boolean() ? 't' : 'f');
            break;
        case Cell::Kind::integer:
        case Cell::Kind::real: {
            // By value, as the arguments are read: 2 and 2.0 are the same call.
            const double d = value.number();
            char bytes[sizeof d];
            std::memcpy(bytes, &d, sizeof d);
            add('#', std::string_view(bytes, sizeof d));
            break;
        }
        case Cell::Kind::text:
            add('s', value.text());
            break;
        case Cell::Kind::other:
            add('o');
            break;
        }
    }
    std::uint64_t value() const { return hash_; }

private:
    static std::uint64_t word(const char* bytes, std::size_t count) {
        std::uint64_t out = 0;
        std::memcpy(&out, bytes, count);
        return out;
    }
    void mix(std::uint64_t w) { hash_ = std::rotl((hash_ ^ w) * 0x9e3779b97f4a7c15ULL, 31); }
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

class RequestEvents final : public JsonEvents {
public:
    RequestEvents(RpcRequest& out, const JsonLimits& limits)
        : JsonEvents(limits)
        , out_(out) {}

    void finish() { out_.fingerprint = hash_.value(); }

private:
    enum class Where : std::uint8_t { top, params, packet, skip };

    void on_scalar(const Cell& value, std::string* text) override {
        if (in_params()) {
            hash_.add(value);
        }
        switch (where()) {
        case Where::top:
            if (depth() == 0) {
                return; // a text that is no object
            }
            top_scalar(value, text);
            return;
        case Where::params:
            add_param(value, text);
            return;
        case Where::packet:
            packet_->scalar(value);
            return;
        case Where::skip:
            return;
        }
    }

    void on_key(std::string& name) override {
        if (in_params()) {
            hash_.add('k', name);
        }
        if (where() == Where::packet) {
            packet_->key(name);
            return;
        }
        if (where() == Where::top) {
            key_ = name;
            const char* const members[] = {"jsonrpc", "id", "method", "params"};
            for (unsigned i = 0; i < 4; ++i) {
                if (name == members[i]) {
                    if ((seen_ & (1u << i)) && out_.repeated.empty()) {
                        out_.repeated = name;
                    }
                    seen_ |= 1u << i;
                }
            }
        }
    }

    void on_open(bool object) override {
        if (in_params()) {
            hash_.add(object ? '{' : '[');
        }
        switch (where()) {
        case Where::top:
            if (depth() == 1) {
                out_.object = object;
                stack_.push_back(object ? Where::top : Where::skip);
                return;
            }
            top_container(object);
            return;
        case Where::params:
            add_container_param(object);
            return;
        case Where::packet:
            packet_->open(object);
            stack_.push_back(Where::packet);
            return;
        case Where::skip:
            stack_.push_back(Where::skip);
            return;
        }
    }

    void on_close() override {
        if (in_params()) {
            hash_.add(']');
        }
        const Where closing = stack_.back();
        stack_.pop_back();
        if (closing == Where::params) {
            in_params_ = false;
        } else if (closing == Where::packet && packet_->close()) {
            packet_.reset(); // the packet object itself
        }
    }

    Where where() const { return stack_.empty() ? Where::top : stack_.back(); }
    bool in_params() const { return in_params_; }

    void top_scalar(const Cell& value, std::string* text) {
        if (key_ == "jsonrpc") {
            out_.has_jsonrpc = true;
            out_.jsonrpc_ok = value.is_string() && value.text() == "2.0";
        } else if (key_ == "id") {
            out_.id_ok = value.is_null() || value.is_string() || value.is_number();
            out_.id = out_.id_ok ? cell_json(value) : nlohmann::json();
        } else if (key_ == "method") {
            out_.has_method = true;
            out_.method_text = value.is_string();
            if (text) {
                out_.method = std::move(*text);
                hash_.add('m', out_.method);
            }
        } else if (key_ == "params") {
            out_.has_params = true;
            out_.params_list = false;
        }
    }

    void top_container(bool object) {
        if (key_ == "params") {
            out_.has_params = true;
            out_.params_list = !object;
            if (!object) {
                in_params_ = true;
                stack_.push_back(Where::params);
                return;
            }
        } else if (key_ == "id") {
            out_.id_ok = false;
            out_.id = nullptr;
        } else if (key_ == "jsonrpc") {
            out_.has_jsonrpc = true;
            out_.jsonrpc_ok = false;
        } else if (key_ == "method") {
            out_.has_method = true;
            out_.method_text = false;
        }
        stack_.push_back(Where::skip);
    }

    RpcParam* next_param() {
        ++out_.param_count;
        if (out_.params.size() >= max_request_params) {
            return nullptr;
        }
        return &out_.params.emplace_back();
    }

    void add_param(const Cell& value, std::string* text) {
        RpcParam* p = next_param();
        if (!p) {
            return;
        }
        switch (value.kind()) {
        case Cell::Kind::null:
            p->kind = RpcParam::Kind::null;
            break;
        case Cell::Kind::boolean:
            p->kind = RpcParam::Kind::boolean;
            p->boolean = value.boolean();
            break;
        case Cell::Kind::integer:
        case Cell::Kind::real:
            p->kind = RpcParam::Kind::number;
            p->number = value.number();
            break;
        case Cell::Kind::text:
            p->kind = RpcParam::Kind::text;
            if (text) {
                p->text = std::move(*text);
            }
            break;
        case Cell::Kind::other:
            p->kind = RpcParam::Kind::other;
            break;
        }
    }

    void add_container_param(bool object) {
        RpcParam* p = next_param();
        if (!p || !object) {
            if (p) {
                p->kind = RpcParam::Kind::other;
            }
            stack_.push_back(Where::skip);
            return;
        }
        p->kind = RpcParam::Kind::packet;
        p->packet = std::make_unique<PacketDraft>();
        packet_.emplace(*p->packet);
        stack_.push_back(Where::packet);
    }

    RpcRequest& out_;
    std::vector<Where> stack_; // one per open container
    std::string key_;          // the member being read in the request object
    unsigned seen_ = 0;        // members of the request met
    std::optional<PacketDraftReader> packet_;
    bool in_params_ = false;
    Fingerprint hash_;
};

} // namespace

RpcRequest read_request(std::string_view body, const JsonLimits& limits) {
    RpcRequest out;
    RequestEvents events(out, limits);
    switch (events.read(body)) {
    case JsonEvents::Outcome::read:
        events.finish();
        return out;
    case JsonEvents::Outcome::beyond_limits:
        throw RpcError(rpc_code::invalid_request, events.problem());
    case JsonEvents::Outcome::unreadable:
        break;
    }
    spdlog::warn("unreadable request: {}", log_safe(events.problem()));
    throw RpcError(rpc_code::parse_error, "JSON ilegível");
}

} // namespace ct::server
