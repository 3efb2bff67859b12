// A packet read from its JSON text, row by row, is read as its document is: the same content or
// the same refusal, for sets that take the packet's fields and for sets with fields of their own.
#include "platform/dataset/dataset.h"
#include "sample_sets.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

using nlohmann::json;

const char* const fields = R"("fields":[{"name":"CODIGO","type":"string","size":4},
    {"name":"NOME","type":"string","size":20},{"name":"CIDADE","type":"string","size":10},
    {"name":"VALOR","type":"float"},{"name":"QTEXTRA","type":"integer"},
    {"name":"VENC","type":"datetime"},{"name":"MARCA","type":"fixedstring","size":1}])";

std::string packet(const std::string& rows) {
    return std::string("{") + fields + R"(,"rows":[)" + rows + "]}";
}

// What loading left: the set's data, or the refusal's message.
std::string outcome(bool ownFields, const std::function<void(DataSet&)>& load) {
    DataSet ds{"cdsTeste"};
    if (ownFields)
        testing::fillParties(ds);
    try {
        load(ds);
        return ds.active() ? ds.data().dump() : "closed";
    } catch (const DataSetError& e) {
        return std::string("refused: ") + e.what();
    }
}

TEST(PacketText, ReadsAsTheDocumentDoes) {
    const std::vector<std::string> texts = {
        packet(R"(["0009","Zeca \"Z\"","Olinda",10.5,12,"2027-01-15T00:00:00","S"],
                  ["0010",null,"São Paulo",-0.01,0,null,null],
                  ["0011","Ana","",1e3,18446744073709551615,null,"N"])"),
        packet(R"(["0009","Zeca","Olinda",10.5,12,null,"S"],["0010","Ana"])"),
        packet(R"(["0009","Zeca","Olinda","10,5",12,null,"S"])"),
        packet(R"(["0009","Zeca","Olinda",10.5,1.5,null,"S"])"),
        packet(R"(["0009","Zeca","Olinda",10.5,12,"2027-02-30",true])"),
        packet(R"(["0009",["Zeca"],"Olinda",{"a":[1]},12,null,"S"])"),
        packet(R"({"a":1},7,["0009","Zeca","Olinda",10.5,12,null,"S"])"),
        packet(R"(["0009","Zeca da Silva Sauro Rex","Olinda",10.5,12,null,"S"])"),
        // rows before the fields, members the set ignores, the wrong kinds of packets
        R"({"rows":[["0001","Bia","Recife",1,2,null,"N"]],"extra":{"x":[1,2]},)" +
            std::string(fields) + "}",
        std::string("{") + fields + R"(,"delta":[]})",
        std::string("{") + fields + "}",
        R"({"fields":[{"name":"A","type":"float"},{"name":"a","type":"float"}],"rows":[]})",
        R"({"fields":[],"rows":[]})",
        R"({"rows":[[1]]})",
        "[1,2]",
        "null",
    };
    for (const std::string& text : texts) {
        for (bool ownFields : {false, true}) {
            const std::string fromText =
                outcome(ownFields, [&](DataSet& ds) { ds.loadPacketText(text); });
            const std::string fromDocument =
                outcome(ownFields, [&](DataSet& ds) { ds.loadPacket(json::parse(text)); });
            EXPECT_EQ(fromText, fromDocument) << text << (ownFields ? " (own fields)" : "");
        }
    }
    EXPECT_NE(
        outcome(false, [](DataSet& ds) { ds.loadPacketText(packet("[\"00")); }).find("ilegível"),
        std::string::npos);
}

} // namespace
} // namespace ct
