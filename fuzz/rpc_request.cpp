// One JSON-RPC request body through the server's handler, on an in-memory SQLite database holding
// the demo data. Every answer must be a JSON-RPC answer; an internal error ("ocorrência") means a
// bad input got past the checks, and is reported like a crash. A writing call that succeeded is
// sent again under the same request key: it must get the same answer. The database is made
// afresh after any call that changed it, so that every input meets the same data. Each body is
// also read in two halves, as a big one is, and must read as it does whole.
#include "server/core/errors.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/methods/method_groups.h"
#include "server/rpc/request_log.h"
#include "server/rpc/request_reader.h"
#include "server/rpc/rpc_handler.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <spdlog/spdlog.h>
#include <string>

namespace {

using namespace ct::server;
using nlohmann::json;

constexpr std::string_view request_key = "fuzz-1";

class DemoServer {
public:
    DemoServer() { reset(); }

    void reset() {
        handler_.reset();
        db_.reset();
        db_ = std::make_unique<Database>(DatabaseUrl::parse("sqlite::memory:"), 1);
        install_demo(*db_);
        RequestLog::prepare(*db_);
        handler_ = std::make_unique<RpcHandler>(*db_, methods_);
        baseline_ = changes();
    }
    // Rows written on the one session since it opened, rolled back ones included.
    long long changes() {
        Database::Lease lease(*db_);
        // SQLite gives an expression's value as text here.
        const auto value = lease.sql().scalar("SELECT total_changes()");
        if (value)
            return std::stoll(as_text(*value));
        std::abort(); // without the count, nothing would tell a write
    }
    bool changed() { return changes() != baseline_; }
    std::string call(std::string_view body) {
        return handler_->handle({body, request_key, "fuzz", {}, {}});
    }

private:
    MethodRegistry methods_ = all_methods();
    std::unique_ptr<Database> db_;
    std::unique_ptr<RpcHandler> handler_;
    long long baseline_ = 0;
};

[[noreturn]] void fail(const char* what, const std::string& answer) {
    std::fprintf(stderr, "%s\n%s\n", what, answer.c_str());
    std::abort();
}

// True when the answer is a result; aborts on anything that is not a proper answer.
bool check_answer(const std::string& answer) {
    const json j = json::parse(answer, nullptr, false);
    if (j.is_discarded() || !j.is_object() || j.value("jsonrpc", "") != "2.0" || !j.contains("id"))
        fail("not a JSON-RPC answer", answer);
    if (j.contains("result"))
        return true;
    const auto error = j.find("error");
    if (error == j.end() || !error->is_object() || !(*error)["code"].is_number_integer() ||
        !(*error)["message"].is_string())
        fail("neither a result nor an error", answer);
    if ((*error)["code"] == -32603)
        fail("internal error for a request", answer);
    return false;
}

// What a reading gave: the refusal, or the request.
struct Reading {
    std::string refusal;
    std::optional<RpcRequest> request;
};

Reading read(std::string_view body, std::size_t apart_from) {
    try {
        return {{}, read_request(body, {}, apart_from)};
    } catch (const RpcError& e) {
        return {std::to_string(e.code()) + " " + e.what(), std::nullopt};
    }
}

bool same_rows(const std::vector<PackedRow>& a, const std::vector<PackedRow>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const PackedRow& x, const PackedRow& y) {
                          if (x.size() != y.size())
                              return false;
                          for (std::size_t i = 0; i < x.size(); ++i)
                              if (!(x[i] == y[i]) || x[i].kind() != y[i].kind())
                                  return false;
                          return true;
                      });
}

bool same_packet(const PacketDraft& a, const PacketDraft& b) {
    if (a.fault != b.fault || a.fault_detail != b.fault_detail ||
        a.fields.size() != b.fields.size())
        return false;
    if (a.fault != PacketDraft::Fault::none)
        return true; // refused whole: what it kept does not matter
    std::vector<PackedRow> old_a, new_a, old_b, new_b;
    for (const DeltaChange& c : a.delta) {
        old_a.push_back(c.old_row);
        new_a.push_back(c.new_row);
    }
    for (const DeltaChange& c : b.delta) {
        old_b.push_back(c.old_row);
        new_b.push_back(c.new_row);
    }
    return same_rows(a.rows, b.rows) && same_rows(old_a, old_b) && same_rows(new_a, new_b);
}

// A body is read in two halves from some size on: read so from every size, it must give what it
// gives read whole.
void check_halves(std::string_view body) {
    const Reading whole = read(body, std::numeric_limits<std::size_t>::max());
    const Reading halves = read(body, 0);
    if (whole.refusal != halves.refusal || whole.request.has_value() != halves.request.has_value())
        fail("read in two halves, the body reads otherwise", whole.refusal + "\n" + halves.refusal);
    if (!whole.request)
        return;
    const RpcRequest& a = *whole.request;
    const RpcRequest& b = *halves.request;
    bool same = a.fingerprint == b.fingerprint && a.param_count == b.param_count &&
                a.params.size() == b.params.size() && a.method == b.method;
    for (std::size_t i = 0; same && i < a.params.size(); ++i) {
        const RpcParam& x = a.params[i];
        const RpcParam& y = b.params[i];
        same = x.kind == y.kind && x.text == y.text && x.number == y.number &&
               (!x.packet || same_packet(*x.packet, *y.packet));
    }
    if (!same)
        fail("read in two halves, the request differs", std::string(body.substr(0, 200)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static DemoServer* server = [] {
        spdlog::set_level(spdlog::level::off);
        return new DemoServer;
    }();
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    check_halves(body);
    const std::string answer = server->call(body);
    const bool result = check_answer(answer);
    if (!server->changed())
        return 0;
    if (result) {
        const std::string again = server->call(body);
        if (again != answer)
            fail("a retry under the same key got another answer", answer + "\n" + again);
    }
    server->reset();
    return 0;
}
