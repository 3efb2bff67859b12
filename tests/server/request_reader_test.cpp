// A big request body is read in two parts at once: what comes of it (arguments, packets, their
// faults, the fingerprint, the refusal) must be what reading it whole gives.
#include "server/core/errors.h"
#include "server/packet/packet.h"
#include "server/rpc/request_reader.h"

#include <fmt/format.h>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <map>

namespace ct::server {
namespace {

std::string row_text(const PackedRow& row) {
    std::string out = "[";
    for (std::size_t i = 0; i < row.size(); ++i) {
        out += cell_json(row[i]).dump() + ",";
    }
    return out + "]";
}

// Everything read, in one text, or the refusal.
std::string outcome(std::string_view body, const JsonLimits& limits, std::size_t apart_from) {
    RpcRequest r;
    try {
        r = read_request(body, limits, apart_from);
    } catch (const RpcError& e) {
        return fmt::format("refused {}: {}", e.code(), e.what());
    }
    std::string out = fmt::format("{} {} {} {} {} {}\n", r.method, r.id.dump(), r.param_count,
                                  r.repeated, r.params_list, r.fingerprint);
    for (const RpcParam& p : r.params) {
        out += fmt::format("param {} {} {}\n", static_cast<int>(p.kind), p.number, p.text);
        if (!p.packet) {
            continue;
        }
        const PacketDraft& d = *p.packet;
        out += fmt::format("packet fields {} fault {} {}\n", d.fields.size(),
                           static_cast<int>(d.fault), d.fault_detail);
        if (d.fault != PacketDraft::Fault::none) {
            continue; // refused whole: what it kept does not matter
        }
        for (const PackedRow& row : d.rows) {
            out += row_text(row) + "\n";
        }
        for (const DeltaChange& c : d.delta) {
            out += fmt::format("{} {} {}\n", static_cast<int>(c.op), row_text(c.old_row),
                               row_text(c.new_row));
        }
    }
    return out;
}

// A SetEndeCont-like body of 40 changes; `change` may write any of them its own way.
std::string delta_body(const std::function<std::string(int)>& change = {}) {
    std::string body = R"({"jsonrpc":"2.0","id":7,"method":"SetEndeCont","params":[)"
                       R"({"fields":[{"name":"NR","type":"string","size":10},)"
                       R"({"name":"VR","type":"money"}],"delta":[)";
    for (int i = 0; i < 40; ++i) {
        const std::string own = change ? change(i) : std::string();
        body += (i ? "," : "") + (own.empty()
                                      ? fmt::format(R"({{"op":"modify","old":["{:04}",{}.5,null],)"
                                                    R"("new":["{:04}",{}.25,"café \u00e9"]}})",
                                                    i, i, i, i)
                                      : own);
    }
    return body + R"(]},null,"0001","0000000042","00"]})";
}

std::string rows_body(int packets) {
    std::string body = R"({"jsonrpc":"2.0","id":"r","method":"SetImp","params":[)";
    for (int p = 0; p < packets; ++p) {
        body += p ? "," : "";
        body += R"({"fields":[{"name":"NR","type":"string","size":10}],"rows":[)";
        for (int i = 0; i < 30; ++i) {
            body += fmt::format(R"({}["{:04}",{},true,-1e-3])", i ? "," : "", i, p * 100 + i);
        }
        body += "]}";
    }
    return body + "]}";
}

TEST(RequestReader, ReadsABodyInTwoPartsAsWhole) {
    const JsonLimits limits;
    const std::size_t whole = std::numeric_limits<std::size_t>::max();
    struct Case {
        const char* what;
        std::string body;
        JsonLimits limits;
    };
    const Case cases[] = {
        {"changes", delta_body(), limits},
        {"rows", rows_body(1), limits},
        {"the middle in the second of two packets", rows_body(2), limits},
        {"texts holding what parts a list", delta_body([](int i) {
             return i < 18 ? std::string()
                           : fmt::format(R"({{"op":"modify","old":["x}},{{y],[z",{}],)"
                                         R"("new":["}},{{\"op\":",{}]}})",
                                         i, i + 1);
         }),
         limits},
        {"a change without op in the second half",
         delta_body([](int i) { return i == 35 ? R"({"old":["1"]})" : ""; }), limits},
        {"faults in both halves: the first stands", delta_body([](int i) {
             return i == 3 ? R"({"op":"x","old":["1"]})" : i == 35 ? R"({"old":["1"]})" : "";
         }),
         limits},
        {"malformed in the second half",
         delta_body([](int i) { return i == 35 ? R"({"op":"delete","old":[1.e5]})" : ""; }),
         limits},
        {"too deep in the second half",
         delta_body([](int i) { return i == 35 ? R"({"op":"delete","old":[[[[1]]]]})" : ""; }),
         {7, limits.max_values}},
        {"too many values in the second half", delta_body(), {limits.max_depth, 500}},
        {"changes spaced out", delta_body([](int i) {
             return fmt::format(R"( {{ "op" : "delete" , "old" : [ "{}" ] }} )", i);
         }),
         limits},
    };
    for (const Case& c : cases) {
        const std::string read_whole = outcome(c.body, c.limits, whole);
        EXPECT_EQ(outcome(c.body, c.limits, 0), read_whole) << c.what;
    }
    // The fingerprint tells calls apart however each was read.
    EXPECT_NE(outcome(delta_body(), limits, 0),
              outcome(delta_body([](int i) {
                          return i == 30 ? R"({"op":"modify","old":["0030",30.5,null],)"
                                           R"("new":["0030",30.26,"café \u00e9"]})"
                                         : "";
                      }),
                      limits, 0));
}

// The fingerprint that pairs a retried call with its first answer: calls that differ anywhere
// in their values differ in it, and calls read as the same values share it.
TEST(RequestReader, TheFingerprintTellsApartEveryValue) {
    const JsonLimits limits;
    auto fingerprint = [&](const std::string& params) {
        return read_request(R"({"jsonrpc":"2.0","id":1,"method":"M","params":[)" + params + "]}",
                            limits, std::numeric_limits<std::size_t>::max())
            .fingerprint;
    };
    const std::string long_text(40, 'x');
    const std::string calls[] = {
        R"("")",
        R"(null)",
        R"("a")",
        R"("b")",
        R"("ab")",
        R"("ba")",
        R"("abc")",
        R"("abd")",
        R"("cbd")",
        R"("abcd")",
        R"("abcde")",
        R"("abcdf")",
        R"("0001234")",
        R"("0001235")",
        R"("0001334")",
        R"("00012345")",
        R"("00012346")",
        R"("00022345")",
        R"("abcdefghijkl")",
        R"("abcdefghijkm")",
        R"("abcdefgiijkl")",
        R"("abcdXfghijkl")",
        R"("0123456789abcdef")",
        R"("0123456789abcdeg")",
        R"("0123456789abcdef0")",
        R"("0123456789abcdef1")",
        "\"" + long_text + "\"",
        "\"" + long_text + "y\"",
        "\"y" + long_text + "\"",
        "\"" + long_text.substr(0, 20) + "y" + long_text.substr(20) + "\"",
        R"("ab","c")",
        R"("a","bc")",
        R"("c","ab")",
        R"(1)",
        R"(2)",
        R"(2.5)",
        R"(-2)",
        R"(true)",
        R"(false)",
        R"([1,2])",
        R"([2,1])",
        R"([[1],2])",
        R"({"a":1})",
        R"({"b":1})",
        R"({"a":2})",
        R"({"fields":[],"rows":[["0001",1.5],["0002",1.5]]})",
        R"({"fields":[],"rows":[["0002",1.5],["0001",1.5]]})",
        R"({"fields":[],"rows":[["0001",1.5]]})",
    };
    std::map<std::uint64_t, std::string> seen;
    for (const std::string& call : calls) {
        const auto [at, fresh] = seen.emplace(fingerprint(call), call);
        EXPECT_TRUE(fresh) << call << " has the fingerprint of " << at->second;
    }
    EXPECT_EQ(fingerprint("2"), fingerprint("2.0"));
    EXPECT_EQ(fingerprint(R"({"a":[1, "x"]})"), fingerprint(R"( { "a" : [ 1.0 ,"x" ] } )"));
}

} // namespace
} // namespace ct::server
