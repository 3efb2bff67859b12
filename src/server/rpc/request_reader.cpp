#include "server/rpc/request_reader.h"

#include "server/core/errors.h"
#include "server/core/text.h"
#include "server/packet/packet_reader.h"

#include <atomic>
#include <cstring>
#include <optional>
#include <spdlog/spdlog.h>
#include <system_error>
#include <thread>

namespace ct::server {
namespace {

// A hash of the method and every event of the arguments, eight bytes at a time (a request of
// 10,000 parties holds megabytes of them). A retry comes seconds after its call, from the same
// server, so the hash need not stay the same from one build to the next.
class Fingerprint {
public:
    // One multiplication per value of up to 16 bytes, with the tag and length folded into the
    // running hash: a save of 10,000 parties hashes a million values, and a multiply-rotate per
    // 8 bytes with a copy of each tail took a quarter of the reading.
    void add(char tag, std::string_view bytes = {}) {
        const char* p = bytes.data();
        const std::size_t n = bytes.size();
        std::uint64_t seed =
            hash_ ^ ((static_cast<unsigned char>(tag) | (static_cast<std::uint64_t>(n) << 8)) * k0);
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        if (n > 16) {
            std::size_t left = n;
            for (; left > 16; left -= 16, p += 16) {
                seed ^= fold(load8(p) ^ k1, load8(p + 8) ^ seed);
            }
            a = load8(p + left - 16);
            b = load8(p + left - 8);
        } else if (n >= 4) {
            const std::size_t step = (n >> 3) << 2; // 0 below 8 bytes, 4 from 8 on
            a = (load4(p) << 32) | load4(p + step);
            b = (load4(p + n - 4) << 32) | load4(p + n - 4 - step);
        } else if (n > 0) {
            a = (static_cast<std::uint64_t>(static_cast<unsigned char>(p[0])) << 16) |
                (static_cast<std::uint64_t>(static_cast<unsigned char>(p[n >> 1])) << 8) |
                static_cast<unsigned char>(p[n - 1]);
        }
        hash_ = seed ^ fold(a ^ k1, b ^ seed);
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
    // A digest of events hashed apart (an element of a packet's list).
    void add_digest(std::uint64_t digest) { hash_ ^= fold(digest ^ k1, hash_ ^ k0); }
    // The digest of a list's element that is a single value.
    static std::uint64_t digest_of(const Cell& value) {
        Fingerprint alone;
        alone.add(value);
        return alone.value();
    }
    std::uint64_t value() const { return hash_; }

private:
    static constexpr std::uint64_t k0 = 0x9e3779b97f4a7c15ULL;
    static constexpr std::uint64_t k1 = 0xd6e8feb86659fd93ULL;

    static std::uint64_t load8(const char* bytes) {
        std::uint64_t out;
        std::memcpy(&out, bytes, sizeof out);
        return out;
    }
    static std::uint64_t load4(const char* bytes) {
        std::uint32_t out;
        std::memcpy(&out, bytes, sizeof out);
        return out;
    }
    // Both halves of the 128-bit product, folded: every bit of each factor reaches the result.
    // Its callers keep what they had beside it, so that a zero factor clears nothing.
    static std::uint64_t fold(std::uint64_t a, std::uint64_t b) {
        __extension__ using Wide = unsigned __int128;
        const Wide product = static_cast<Wide>(a) * b;
        return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
    }
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

using List = PacketDraftReader::List;

// The elements of a packet's list (its rows or its changes) from one of them on, read apart from
// the rest of the request. Each element is hashed on its own, as the request's reader hashes
// them, so that the two parts give the fingerprint of the whole.
class ListEvents final : public JsonEvents {
public:
    ListEvents(const JsonLimits& limits, List list, const std::atomic<bool>& cancelled)
        : JsonEvents(limits)
        , reader_(part_, list)
        , cancelled_(cancelled) {}

    PacketDraft& part() { return part_; }
    const std::vector<std::uint64_t>& digests() const { return digests_; }

private:
    void on_scalar(const Cell& value, std::string*) override {
        if (depth() == 0) {
            digests_.push_back(Fingerprint::digest_of(value));
        } else {
            element_.add(value);
        }
        reader_.scalar(value);
    }
    void on_key(std::string& name) override {
        element_.add('k', name);
        reader_.key(name);
    }
    void on_open(bool object) override {
        if (depth() == 1) {
            element_ = Fingerprint();
        }
        element_.add(object ? '{' : '[');
        reader_.open(object);
    }
    void on_close() override {
        element_.add(']');
        reader_.close();
        if (depth() == 1) {
            digests_.push_back(element_.value());
            if (cancelled_.load(std::memory_order_relaxed)) {
                stop();
            }
        }
    }

    PacketDraft part_;
    PacketDraftReader reader_;
    const std::atomic<bool>& cancelled_;
    Fingerprint element_;
    std::vector<std::uint64_t> digests_;
};

// Where an element of a packet's list may start past the middle of a body: after "},{" between
// changes, after "],[" between rows. A guess (the bytes may lie inside a text), taken only if
// the reader of the whole finds an element of such a list starting there.
std::optional<std::pair<std::size_t, List>> second_half_start(std::string_view body) {
    const std::size_t middle = body.size() / 2;
    const std::size_t changes = body.find("},{", middle);
    const std::size_t rows = body.find("],[", middle);
    if (changes == std::string_view::npos && rows == std::string_view::npos) {
        return std::nullopt;
    }
    if (changes < rows) {
        return std::pair(changes + 2, List::delta);
    }
    return std::pair(rows + 2, List::rows);
}

// The second half of a big body's list, read on a thread of its own while the first half is
// read on the caller's. A save of 10,000 parties (9 MB) is read in 19-23 ms instead of 31: each
// half slows the other somewhat, both allocating rows at once.
class SecondHalf {
public:
    SecondHalf(std::string_view body, const JsonLimits& limits, std::size_t from, List list)
        : from_(from)
        , list_(list)
        , events_(limits, list, cancelled_)
        , thread_([this, body] { end_ = events_.read_elements(body, from_); }) {}
    ~SecondHalf() {
        cancelled_ = true;
        wait();
    }
    SecondHalf(const SecondHalf&) = delete;
    SecondHalf& operator=(const SecondHalf&) = delete;

    std::size_t from() const { return from_; }
    List list() const { return list_; }
    // Waits for it: where its list's closing bracket stands, or none when its text could not be
    // read as the list's elements.
    std::optional<std::size_t> wait() {
        if (thread_.joinable()) {
            thread_.join();
        }
        return end_;
    }
    ListEvents& events() { return events_; }

private:
    std::size_t from_;
    List list_;
    std::atomic<bool> cancelled_{false};
    ListEvents events_;
    std::optional<std::size_t> end_;
    std::thread thread_; // last: started once the rest is ready
};

class RequestEvents final : public JsonEvents {
public:
    RequestEvents(RpcRequest& out, const JsonLimits& limits)
        : JsonEvents(limits)
        , out_(out) {}

    void finish() { out_.fingerprint = hash_.value(); }

    // Takes in the elements the other half read, if the reading here has come to them: at an
    // element of the same list of a packet, with the text within its limits once they count.
    std::optional<std::size_t> take(SecondHalf& half) {
        if (where() != Where::packet || !packet_ || packet_->list() != half.list()) {
            return std::nullopt;
        }
        const std::optional<std::size_t> end = half.wait();
        ListEvents& part = half.events();
        if (!end || !absorb(part.values(), part.deepest())) {
            return std::nullopt;
        }
        for (const std::uint64_t digest : part.digests()) {
            hash_.add_digest(digest);
        }
        append_elements(*draft_, std::move(part.part()));
        return end;
    }

private:
    enum class Where : std::uint8_t { top, params, packet, skip };

    // Each element of a packet's list is hashed on its own, as the other half of a big body
    // hashes its elements.
    Fingerprint& hash() { return element_depth_ ? element_ : hash_; }
    bool at_list() const { return where() == Where::packet && packet_ && packet_->list(); }

    void on_scalar(const Cell& value, std::string* text) override {
        if (in_params()) {
            if (!element_depth_ && at_list()) {
                hash_.add_digest(Fingerprint::digest_of(value));
            } else {
                hash().add(value);
            }
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
            hash().add('k', name);
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
            if (!element_depth_ && at_list()) {
                element_depth_ = depth();
                element_ = Fingerprint();
            }
            hash().add(object ? '{' : '[');
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
            hash().add(']');
            if (element_depth_ == depth()) {
                element_depth_ = 0;
                hash_.add_digest(element_.value());
            }
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
        draft_ = p->packet.get();
        packet_.emplace(*draft_);
        stack_.push_back(Where::packet);
    }

    RpcRequest& out_;
    std::vector<Where> stack_; // one per open container
    std::string key_;          // the member being read in the request object
    unsigned seen_ = 0;        // members of the request met
    std::optional<PacketDraftReader> packet_;
    PacketDraft* draft_ = nullptr; // the packet being read
    bool in_params_ = false;
    Fingerprint hash_;
    Fingerprint element_;
    std::size_t element_depth_ = 0; // of the list's element being hashed, 0 outside one
};

std::unique_ptr<SecondHalf> start_second_half(std::string_view body, const JsonLimits& limits,
                                              std::size_t apart_from) {
    if (body.size() < apart_from || std::thread::hardware_concurrency() < 2) {
        return nullptr;
    }
    const auto start = second_half_start(body);
    if (!start) {
        return nullptr;
    }
    try {
        return std::make_unique<SecondHalf>(body, limits, start->first, start->second);
    } catch (const std::system_error&) {
        return nullptr; // no thread to be had: read whole
    }
}

} // namespace

RpcRequest read_request(std::string_view body, const JsonLimits& limits, std::size_t apart_from) {
    RpcRequest out;
    RequestEvents events(out, limits);
    std::unique_ptr<SecondHalf> half = start_second_half(body, limits, apart_from);
    JsonEvents::Outcome outcome = JsonEvents::Outcome::read;
    if (half) {
        const JsonHandover handover{half->from(), [&] { return events.take(*half); }};
        outcome = events.read(body, handover);
    } else {
        outcome = events.read(body);
    }
    half.reset();
    switch (outcome) {
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
