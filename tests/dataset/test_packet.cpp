#include "platform/dataset/dataset.h"
#include "sample_sets.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

using nlohmann::json;

json samplePacket() {
    return json::parse(R"({
      "fields":[{"name":"CDFILIAL","type":"string","size":4},
                {"name":"NRSEQ","type":"fixedstring","size":2},
                {"name":"VRRECE","type":"float"},
                {"name":"QTDIAS","type":"integer"},
                {"name":"IDATIVO","type":"boolean"},
                {"name":"DTVENC","type":"datetime"},
                {"name":"NMCIDADE","type":"string","size":9}],
      "rows":[["0001","00",1500.0,30,true,"2027-01-15T00:00:00","São Paulo"],
              ["0002","01",null,null,null,null,null],
              ["0003","  ",-0.01,0,false,"2026-12-31T23:59:59",""]]})");
}

TEST(Packet, RoundTripOfValuesNullsDatesAccentsAndSizes) {
    DataSet ds{"cdsPacote"};
    ds.loadPacket(samplePacket());
    ASSERT_EQ(ds.fieldCount(), 7);
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds["NMCIDADE"].size(), 9);
    EXPECT_EQ(ds["NRSEQ"].type(), FieldType::FixedString);
    EXPECT_EQ(ds["NMCIDADE"].asString(), "São Paulo");
    EXPECT_EQ(ds["DTVENC"].displayText(), "15/01/2027");
    EXPECT_EQ(ds["QTDIAS"].value(), Value(30));
    ds.next();
    EXPECT_TRUE(ds["VRRECE"].isNull());
    EXPECT_TRUE(ds["DTVENC"].isNull());
    ds.next();
    EXPECT_EQ(ds["NRSEQ"].asString(), "  "); // kept as given
    EXPECT_EQ(ds["DTVENC"].asDateTime().second(), 59);
    EXPECT_EQ(ds.data(), samplePacket());

    DataSet again{"cdsDeNovo"};
    again.loadPacketText(ds.data().dump());
    EXPECT_EQ(again.data(), samplePacket());
    EXPECT_EQ(again.changeCount(), 0);
}

TEST(Packet, LoadReplacesRowsAndRunsOpenEvents) {
    DataSet ds{"cdsTeste"};
    testing::fillParties(ds);
    ds.edit();
    ds["NOME"].setAsString("em edição");
    ds.setFilter("NOME <> 'x'");
    ds.setFiltered(true);
    std::vector<std::string> events;
    ds.afterOpen = [&](DataSet&) { events.push_back("afterOpen"); };
    ds.afterScroll = [&](DataSet&) { events.push_back("afterScroll"); };
    // persistent fields: matched by name in any order, extra packet fields ignored
    json packet = json::parse(R"({"fields":[
        {"name":"MARCA","type":"fixedstring","size":1}, {"name":"EXTRA","type":"float"},
        {"name":"VENC","type":"datetime"}, {"name":"QTEXTRA","type":"integer"},
        {"name":"VALOR","type":"float"}, {"name":"cidade","type":"string","size":30},
        {"name":"NOME","type":"string","size":20}, {"name":"CODIGO","type":"string","size":4}],
      "rows":[["S", 1.0, null, 12, 10.5, "Olinda", "Zeca", "0009"]]})");
    ds.loadPacket(packet);
    EXPECT_EQ(events, (std::vector<std::string>{"afterOpen", "afterScroll"}));
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.recordCount(), 1);
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_EQ(ds.fieldCount(), 8);
    EXPECT_EQ(ds["CODIGO"].asString(), "0009");
    EXPECT_EQ(ds["CIDADE"].asString(), "Olinda");
    EXPECT_EQ(ds["CIDADE"].size(), 10); // our definition stays
    EXPECT_EQ(ds["QTEXTRA"].asFloat(), 12);
    EXPECT_EQ(ds["MARCA"].asString(), "S");
    EXPECT_TRUE(ds["VRTOTAL"].isNull());
    EXPECT_EQ(ds.data()["rows"][0], json::parse(R"(["0009","Zeca","Olinda",10.5,12.0,null,"S"])"));
    EXPECT_TRUE(ds.filtered());
}

TEST(Packet, PersistentFieldMissingFromThePacketIsRefused) {
    DataSet ds{"cdsTeste"};
    testing::fillParties(ds);
    json packet = {{"fields", json::array({{{"name", "CODIGO"}, {"type", "string"}, {"size", 4}}})},
                   {"rows", json::array()}};
    try {
        ds.loadPacket(packet);
        FAIL() << "accepted";
    } catch (const DataSetError& e) {
        EXPECT_NE(std::string(e.what()).find("NOME"), std::string::npos);
    }
    EXPECT_EQ(ds.recordCount(), 3);
}

TEST(Packet, NullPacketClosesTheSet) {
    DataSet ds{"cdsTeste"};
    testing::fillParties(ds);
    ds.loadPacket(nullptr);
    EXPECT_FALSE(ds.active());
    EXPECT_TRUE(ds.data().is_null());
    EXPECT_TRUE(ds.delta().is_null());
}

// Every malformed packet is refused with a clear error and the set stays as it was.
TEST(Packet, MalformedPacketsLeaveTheSetAsItWas) {
    DataSet ds{"cdsPacote"};
    ds.loadPacket(samplePacket());
    ds.next();
    ds.edit();
    ds["CDFILIAL"].setAsString("0009");
    ds.post();
    json before = ds.data();
    json beforeDelta = ds.delta();

    auto withRow = [](json row) {
        json p = samplePacket();
        p["rows"].push_back(std::move(row));
        return p;
    };
    auto withField = [](json field) {
        json p = samplePacket();
        p["fields"][0] = std::move(field);
        return p;
    };
    struct Case {
        const char* what;
        json packet;
        const char* mentions;
    };
    std::vector<Case> cases{
        {"not an object", json::array({1, 2}), "objeto"},
        {"no fields", json{{"rows", json::array()}}, "fields"},
        {"no rows", json{{"fields", samplePacket()["fields"]}}, "rows"},
        {"unknown type", withField({{"name", "CDFILIAL"}, {"type", "currency"}}), "currency"},
        {"field without name", withField({{"type", "string"}}), "campo"},
        {"negative size", withField({{"name", "CDFILIAL"}, {"type", "string"}, {"size", -1}}),
         "tamanho"},
        {"short row", withRow({"0004", "00", 1.0}), "linha 4"},
        {"long row", withRow({"0004", "00", 1.0, 1, true, nullptr, "x", "y"}), "linha 4"},
        {"row not an array", withRow({{"a", 1}}), "linha 4"},
        {"text in a number", withRow({"0004", "00", "1,5", 1, true, nullptr, "x"}), "VRRECE"},
        {"number in a text", withRow({4, "00", 1.0, 1, true, nullptr, "x"}), "CDFILIAL"},
        {"fraction in an integer", withRow({"0004", "00", 1.0, 1.5, true, nullptr, "x"}), "QTDIAS"},
        {"number in a boolean", withRow({"0004", "00", 1.0, 1, 1, nullptr, "x"}), "IDATIVO"},
        {"bad date", withRow({"0004", "00", 1.0, 1, true, "2027-02-30", "x"}), "DTVENC"},
        {"text too long", withRow({"0004", "00", 1.0, 1, true, nullptr, "São Paulo!"}), "NMCIDADE"},
        {"delta instead of data",
         json{{"fields", samplePacket()["fields"]}, {"delta", json::array()}}, "alterações"},
    };
    for (const Case& c : cases) {
        try {
            ds.loadPacket(c.packet);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const DataSetError& e) {
            EXPECT_NE(std::string(e.what()).find(c.mentions), std::string::npos)
                << c.what << ": " << e.what();
        }
        EXPECT_EQ(ds.data(), before) << c.what;
        EXPECT_EQ(ds.delta(), beforeDelta) << c.what;
        EXPECT_EQ(ds.recNo(), 2) << c.what;
    }
    EXPECT_THROW(ds.loadPacketText("{\"fields\": ["), DataSetError);
    EXPECT_THROW(ds.loadPacketText("\xFF"), DataSetError);
    EXPECT_EQ(ds.data(), before);
}

TEST(Packet, SetWithoutDefinedFieldsTakesEachPacketsShape) {
    DataSet ds{"cdsConsulta"};
    ds.loadPacket(samplePacket());
    Field* kept = &ds["CDFILIAL"];
    ds.loadPacket(samplePacket()); // same shape: the same fields stay, handlers too
    EXPECT_EQ(&ds["CDFILIAL"], kept);
    ds.loadPacketText(R"({"fields":[{"name":"TOTAL","type":"float"}],"rows":[[3.5]]})");
    EXPECT_EQ(ds.fieldCount(), 1);
    EXPECT_EQ(ds.findField("CDFILIAL"), nullptr);
    EXPECT_DOUBLE_EQ(ds["TOTAL"].asFloat(), 3.5);
    EXPECT_THROW(ds.loadPacketText(R"({"fields":[],"rows":[]})"), DataSetError);
    EXPECT_THROW(
        ds.loadPacketText(
            R"({"fields":[{"name":"A","type":"float"},{"name":"a","type":"float"}],"rows":[]})"),
        DataSetError);
    EXPECT_THROW(
        ds.loadPacketText(
            R"({"fields":[{"name":"A","type":"integer"}],"rows":[[18446744073709551615]]})"),
        DataSetError);
    EXPECT_DOUBLE_EQ(ds["TOTAL"].asFloat(), 3.5);
}

TEST(Packet, DefinitionsChangeOnlyWhileClosed) {
    DataSet ds{"cdsTeste"};
    EXPECT_THROW(ds.createDataSet(), DataSetError); // nothing to create from
    ds.addField(FieldDef::string("A", 2));
    ds.createDataSet();
    EXPECT_THROW(ds.addField(FieldDef::string("B", 2)), DataSetError);
    EXPECT_THROW(ds.setFieldDefs({}), DataSetError);
    ds.close();
    EXPECT_THROW(ds.setFieldDefs({FieldDef::string("A", 2), FieldDef::string("a", 2)}),
                 DataSetError);
    EXPECT_EQ(ds.fieldCount(), 1);
}

TEST(Packet, FieldDefinitionsOfAnEmptySetAreSent) {
    DataSet ds{"cdsNovoClie", {FieldDef::string("CDCLIENTE", 21), FieldDef::number("NRDIAVENC")}};
    ds.createDataSet();
    json d = ds.delta();
    EXPECT_EQ(d["fields"][0]["name"], "CDCLIENTE");
    EXPECT_EQ(d["fields"][0]["size"], 21);
    EXPECT_EQ(d["fields"][1]["type"], "float");
    EXPECT_TRUE(d["delta"].empty());
}

// A delta is written as text straight from the rows: the very text its document dumps to, with
// texts to escape and numbers of every shape, for each kind of change.
TEST(Packet, DeltaAndDataTextsAreTheTextsOfTheirDocuments) {
    json packet = samplePacket();
    json& rows = packet["rows"];
    rows.push_back({"a\"b\\", "\t", 0.1, -7, true, "2027-01-15T00:00:00", "caf\u00e9\u007f"});
    rows.push_back({"\u0001", "00", 1e21, 2147483647, false, nullptr, "x/y"});
    rows.push_back({"x", "00", -0.0, 0, true, nullptr, "say \"hi\""});
    DataSet ds{"cdsDelta"};
    ds.loadPacket(packet);
    for (ds.first(); !ds.eof(); ds.next()) {
        ds.edit();
        ds["VRRECE"].setValue(Value(ds.recNo() % 2 ? 5e-324 : 1.7976931348623157e308));
        ds["NMCIDADE"].setAsString(ds.recNo() == 5 ? "l\nf\x1f" : "ok");
        ds.post();
    }
    ds.first();
    ds.remove();
    ds.append();
    ds["CDFILIAL"].setAsString("0009");
    ds["QTDIAS"].setValue(Value(-1));
    ds.post();

    const std::string text = ds.deltaText();
    EXPECT_EQ(text, json::parse(text).dump(-1, ' ', false, json::error_handler_t::replace));
    const json changes = ds.delta()["delta"];
    ASSERT_EQ(changes.size(), 7u);
    EXPECT_EQ(changes[0]["op"], "delete");
    EXPECT_EQ(changes[6]["op"], "insert");
    for (std::size_t i = 1; i < 6; ++i) {
        EXPECT_EQ(changes[i]["op"], "modify");
        EXPECT_EQ(changes[i]["old"], rows[i]) << i;
    }

    // The rows as they stand, written the same way: what each change made them, the deleted
    // row left out.
    const std::string data = ds.dataText();
    EXPECT_EQ(data, json::parse(data).dump(-1, ' ', false, json::error_handler_t::replace));
    const json now = json::parse(data);
    EXPECT_EQ(now["fields"], packet["fields"]);
    ASSERT_EQ(now["rows"].size(), 6u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(now["rows"][i], changes[i + 1]["new"]) << i;
    }
    EXPECT_EQ(now["rows"][5], changes[6]["new"]);
}

} // namespace
} // namespace ct
