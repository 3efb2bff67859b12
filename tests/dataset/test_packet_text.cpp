// A packet read from its JSON text, row by row, is read as its document is: the same content or
// the same refusal, for sets that take the packet's fields and for sets with fields of their own.
#include "platform/dataset/dataset.h"
#include "platform/dataset/packet_reader.h"
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

// A set notes the answer it was loaded from; only while nothing changed it may it take that
// answer again unread, and taking it again runs what a load runs.
TEST(PacketText, AnAnswerIsTakenAgainOnlyWhileNothingChangedTheSet) {
    const std::string text = packet(R"(["0009","Zeca","Olinda",10.5,12,null,"S"],
                                        ["0010","Ana","Recife",20,1,null,"N"])");
    auto loadTagged = [&](DataSet& ds) {
        PacketReader reader(ds);
        reader.setSourceTag("7#0");
        ASSERT_TRUE(json::sax_parse(text, &reader));
        reader.load();
    };
    struct Case {
        const char* what;
        std::function<void(DataSet&)> change;
        bool holds;
    };
    const std::vector<Case> cases = {
        {"nothing", [](DataSet&) {}, true},
        {"moved, filtered and sorted",
         [](DataSet& ds) {
             ds.next();
             ds.setFilter("CIDADE = 'Recife'");
             ds.setFiltered(true);
             ds.setIndexFieldNames("NOME");
         },
         true},
        {"being edited", [](DataSet& ds) { ds.edit(); }, false},
        {"edited and posted",
         [](DataSet& ds) {
             ds.edit();
             ds["NOME"].setAsString("Zeca Silva");
             ds.post();
         },
         false},
        {"a row added", [](DataSet& ds) { testing::addParty(ds, "0011", "Carla", "Natal", 5); },
         false},
        {"a row deleted", [](DataSet& ds) { ds.remove(); }, false},
        {"a calculated value written", [](DataSet& ds) { ds["VRTOTAL"].setAsFloat(3); }, false},
        {"its changes merged",
         [](DataSet& ds) {
             ds.edit();
             ds["NOME"].setAsString("Zeca Silva");
             ds.post();
             ds.mergeChangeLog();
         },
         false},
        {"closed", [](DataSet& ds) { ds.close(); }, false},
        {"loaded from elsewhere", [&](DataSet& ds) { ds.loadPacketText(text); }, false},
    };
    for (const Case& c : cases) {
        DataSet ds{"cdsTeste"};
        ds.setFieldDefs(testing::partyFields());
        loadTagged(ds);
        c.change(ds);
        EXPECT_EQ(ds.unchangedSinceLoadFrom("7#0"), c.holds) << c.what;
        EXPECT_FALSE(ds.unchangedSinceLoadFrom("8#0")) << c.what;
        PacketReader again(ds);
        EXPECT_EQ(again.canRepeat("7#0"), c.holds) << c.what;
    }

    DataSet ds{"cdsTeste"};
    ds.setFieldDefs(testing::partyFields());
    loadTagged(ds);
    const json loaded = ds.data();
    ds.last();
    ds.setIndexFieldNames("NOME");
    std::vector<std::string> events;
    ds.afterOpen = [&](DataSet& d) { events.push_back("afterOpen " + d["NOME"].asString()); };
    ds.afterScroll = [&](DataSet& d) { events.push_back("afterScroll " + d["NOME"].asString()); };
    PacketReader again(ds);
    ASSERT_TRUE(again.canRepeat("7#0"));
    again.repeat();
    ASSERT_TRUE(again.complete());
    again.load();
    EXPECT_EQ(ds.data(), loaded);
    EXPECT_EQ(ds.recNo(), 1); // the first row by the index kept, as a load leaves it
    EXPECT_EQ(ds["NOME"].asString(), "Ana");
    EXPECT_EQ(events, (std::vector<std::string>{"afterOpen Ana", "afterScroll Ana"}));
    EXPECT_TRUE(ds.unchangedSinceLoadFrom("7#0")); // and may be taken again
}

} // namespace
} // namespace ct
