// A big packet is checked in two halves at once: the fault reported is the first in order, and
// every row of either half is left in its stored form.
#include "server/core/errors.h"
#include "server/core/in_two_halves.h"
#include "server/packet/packet.h"

#include <gtest/gtest.h>

namespace ct::server {
namespace {

using nlohmann::json;

const FieldList fields = {str("NR", 4), integer("QT"), datetime("DT")};

json row(int i) {
    return json::array({std::to_string(i % 10000), 2.0, "2027-01-05 10:00:00"});
}

// Rows (or modifies) enough to be checked in two halves, with these rows changed.
json packet(bool delta, const std::vector<std::pair<std::size_t, json>>& changed) {
    json rows = json::array();
    for (std::size_t i = 0; i < two_halves_from + 10; ++i) {
        rows.push_back(row(static_cast<int>(i)));
    }
    for (const auto& [at, value] : changed) {
        rows[at] = value;
    }
    if (!delta) {
        return {{"fields", fields_json(fields)}, {"rows", rows}};
    }
    json changes = json::array();
    for (const json& r : rows) {
        changes.push_back({{"op", "modify"}, {"old", row(0)}, {"new", r}});
    }
    return {{"fields", fields_json(fields)}, {"delta", changes}};
}

std::string refusal(const json& p) {
    try {
        Packet::parse(p, fields, "pacote");
    } catch (const RpcError& e) {
        return e.what();
    }
    return "";
}

TEST(PacketCheck, ABigPacketReportsItsFirstFaultAndStoresEveryRow) {
    const std::size_t last = two_halves_from + 9;
    const json too_long = json::array({"12345", 1, nullptr});
    const json not_whole = json::array({"1", 1.5, nullptr});
    struct Case {
        std::vector<std::pair<std::size_t, json>> changed;
        std::string refusal;
    };
    const Case cases[] = {
        {{}, ""},
        {{{3, too_long}}, "pacote: NR tem mais de 4 caracteres"},
        {{{last, not_whole}}, "pacote: QT deve ser um número inteiro"},
        {{{3, too_long}, {last, not_whole}}, "pacote: NR tem mais de 4 caracteres"},
        {{{3, not_whole}, {last, too_long}}, "pacote: QT deve ser um número inteiro"},
    };
    for (bool delta : {false, true}) {
        for (const Case& c : cases) {
            EXPECT_EQ(refusal(packet(delta, c.changed)), c.refusal) << delta;
        }
        const Packet p = Packet::parse(packet(delta, {}), fields, "pacote");
        const PackedRow& first = delta ? p.delta.front().new_row : p.rows.front();
        const PackedRow& final = delta ? p.delta.back().new_row : p.rows.back();
        for (const PackedRow* r : {&first, &final}) {
            EXPECT_TRUE((*r)[1].is_integer());
            EXPECT_EQ((*r)[2].text(), "2027-01-05T10:00:00");
        }
    }
}

} // namespace
} // namespace ct::server
