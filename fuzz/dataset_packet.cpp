// A data packet as the screen's data sets read it: straight from its text into a set that takes
// the packet's fields, and routed out of a server answer into a set with fields of its own. Bad
// input must be refused with DataSetError and leave the set as it was; a loaded set must show
// every value and give its data and delta back.
#include "platform/dataset/dataset.h"
#include "platform/dataset/packet_reader.h"
#include "platform/net/answer_reader.h"

#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace {

using namespace ct;
using nlohmann::json;

std::vector<FieldDef> partyFields() {
    FieldDef value = FieldDef::number("VRRECECONTOREV");
    value.displayFormat = "#,##0.00";
    FieldDef due = FieldDef::dateTime("DTVENCPARCCONT");
    due.displayFormat = "dd/mm/yyyy";
    return {FieldDef::string("CDFILIAL", 4),
            FieldDef::string("NMFANTCLIE", 50),
            value,
            FieldDef::integer("QTPARCCONTOREV"),
            due,
            FieldDef::fixedString("IDMARCADO", 1),
            FieldDef::boolean("IDATIVO")};
}

// Every field of every row as the grid and the editors show it, then the packets out.
void showAll(DataSet& ds) {
    if (!ds.active())
        return; // a null packet closes the set
    for (ds.first(); !ds.eof(); ds.next()) {
        for (int i = 0; i < ds.fieldCount(); ++i) {
            const Field& field = ds.field(i);
            (void)field.displayText();
            (void)field.text();
        }
    }
    (void)ds.data().dump();
    (void)ds.delta().dump();
}

void loadDirect(std::string_view text) {
    DataSet ds("cdsPacote");
    try {
        ds.loadPacketText(text);
    } catch (const DataSetError&) {
        if (ds.active())
            std::abort(); // a refused packet leaves the set as it was: closed
        return;
    }
    showAll(ds);
}

void loadFromAnswer(std::string_view packet) {
    DataSet ds("cdsContratante", partyFields());
    ds.createDataSet();
    std::string answer = R"({"jsonrpc":"2.0","id":1,"result":{"byref":{},"value":[)";
    answer += packet;
    answer += "]}}";
    json document;
    PacketReader reader(ds);
    AnswerReader routed(document, {{0, &reader}});
    if (!json::sax_parse(answer, &routed) || !routed.complete())
        return;
    try {
        reader.load();
    } catch (const DataSetError&) {
        if (ds.recordCount() != 0)
            std::abort();
        return;
    }
    showAll(ds);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    loadDirect(text);
    loadFromAnswer(text);
    return 0;
}
