// A packet as the server receives it (rows or a delta), read from its text and checked against the
// party record's fields and against no field list at all. The only way out for bad input is a
// refusal (RpcError); every value of a checked packet is then read back.
#include "server/core/errors.h"
#include "server/domain/records.h"
#include "server/packet/packet.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using namespace ct::server;

void same(const Cell& a, const Cell& b) {
    if (!(a == b) || a.kind() != b.kind())
        std::abort();
}

void read_back(const Packet& packet, const PackedRow& row) {
    for (const FieldDef& field : packet.fields) {
        const Cell cell = packet.value(row, field.name);
        (void)Packet::text_of(cell);
        (void)packet.number(row, field.name);
        (void)cell_json(cell).dump();
    }
    // Packing a value again must give it back as it was.
    for (std::size_t i = 0; i < row.size(); ++i) {
        const PackedRow copy = row.with(i, row[i]);
        if (copy.size() != row.size())
            std::abort();
        for (std::size_t j = 0; j < row.size(); ++j)
            same(copy[j], row[j]);
    }
}

void check(std::string_view text, const FieldList& known) {
    try {
        const Packet packet = Packet::parse_text(text, known, "contratantes");
        for (const PackedRow& row : packet.rows)
            read_back(packet, row);
        for (const DeltaChange& change : packet.delta) {
            read_back(packet, change.old_row);
            read_back(packet, change.new_row);
        }
    } catch (const RpcError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    check(text, party_known_fields());
    check(text, {});
    return 0;
}
