#include "platform/dataset/dataset.h"
#include "platform/dataset/event_detach.h"
#include "sample_sets.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

using testing::fillParties;

class FieldTest : public ::testing::Test {
protected:
    void SetUp() override { fillParties(ds); }
    DataSet ds{"cdsTeste"};
};

TEST_F(FieldTest, NullReadsAsEmptyOrZero) {
    ds.edit();
    ds["CIDADE"].clear();
    ds["VALOR"].clear();
    EXPECT_TRUE(ds["CIDADE"].isNull());
    EXPECT_EQ(ds["CIDADE"].asString(), "");
    EXPECT_EQ(ds["VALOR"].asFloat(), 0);
    EXPECT_EQ(ds["VALOR"].asInteger(), 0);
    EXPECT_EQ(ds["VALOR"].text(), "");
    EXPECT_EQ(ds["VENC"].asDateTime(), DateTime());
    EXPECT_TRUE(ds["VALOR"].value().isNull());
}

TEST_F(FieldTest, SizeCountsCharactersAndLongTextIsRefused) {
    ds.edit();
    ds["CIDADE"].setAsString("São Paulo!"); // 10 characters, 11 bytes
    EXPECT_EQ(ds["CIDADE"].asString(), "São Paulo!");
    try {
        ds["CIDADE"].setAsString("Jaboatão dos Guararapes");
        FAIL() << "long text accepted";
    } catch (const DataSetError& e) {
        EXPECT_NE(std::string(e.what()).find("CIDADE"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("10"), std::string::npos);
    }
    EXPECT_EQ(ds["CIDADE"].asString(), "São Paulo!"); // never cut, left as it was
    EXPECT_THROW(ds["MARCA"].setAsString("SN"), DataSetError);
    EXPECT_THROW(ds["NOME"].setAsString("a\xFF"), DataSetError);
}

TEST_F(FieldTest, ConversionsBetweenTypes) {
    ds.edit();
    ds["VALOR"].setAsString("1.234,56");
    EXPECT_DOUBLE_EQ(ds["VALOR"].asFloat(), 1234.56);
    EXPECT_EQ(ds["VALOR"].asString(), "1234,56");
    EXPECT_EQ(ds["VALOR"].asInteger(), 1235);
    ds["VALOR"].setAsString("");
    EXPECT_TRUE(ds["VALOR"].isNull());
    EXPECT_THROW(ds["VALOR"].setAsString("12x"), DataSetError);
    EXPECT_TRUE(ds["VALOR"].isNull());
    ds["CODIGO"].setAsFloat(12.5);
    EXPECT_EQ(ds["CODIGO"].asString(), "12,5");
    ds["VENC"].setAsString("15/01/2027");
    EXPECT_EQ(ds["VENC"].asDateTime(), DateTime::fromParts(2027, 1, 15));
    EXPECT_THROW(ds["VENC"].setAsString("31/02/2027"), DataSetError);
    EXPECT_EQ(ds["VENC"].asDateTime(), DateTime::fromParts(2027, 1, 15));
    EXPECT_THROW(ds["VENC"].setAsFloat(3), DataSetError);
}

TEST_F(FieldTest, MaximumValueIsEnforced) {
    ds.edit();
    ds["QTEXTRA"].setAsFloat(9999);
    EXPECT_THROW(ds["QTEXTRA"].setAsFloat(10000), DataSetError);
    EXPECT_THROW(ds["QTEXTRA"].setText("10.000"), DataSetError);
    EXPECT_EQ(ds["QTEXTRA"].asFloat(), 9999);
}

TEST_F(FieldTest, DisplayAndEditTextUseTheirFormats) {
    ds.edit();
    ds["VALOR"].setAsFloat(1050);
    EXPECT_EQ(ds["VALOR"].displayText(), "1.050,00");
    EXPECT_EQ(ds["VALOR"].text(), "1050,00");
    ds["VALOR"].setText("2.000,5");
    EXPECT_DOUBLE_EQ(ds["VALOR"].asFloat(), 2000.5);
    ds["VENC"].setText("  ");
    EXPECT_TRUE(ds["VENC"].isNull());
    ds["VENC"].setText("01/02/2027");
    EXPECT_EQ(ds["VENC"].displayText(), "01/02/2027");
    EXPECT_EQ(ds["NOME"].label(), "Nome do Contratante");
    EXPECT_EQ(ds["CIDADE"].label(), "CIDADE");
}

TEST_F(FieldTest, GetTextAndSetTextHandlers) {
    Field& mark = ds["MARCA"];
    std::vector<bool> calls;
    mark.onGetText = [&](Field& f, std::string& text, bool display) {
        calls.push_back(display);
        text = f.asString() == "S" ? "Marcado" : "Livre";
    };
    mark.onSetText = [](Field& f, const std::string& text) {
        if (text == "Marcado")
            f.setAsString("S");
        else if (text == "Livre")
            f.setAsString("N");
    };
    EXPECT_EQ(mark.displayText(), "Livre");
    EXPECT_EQ(mark.text(), "Livre");
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
    ds.edit();
    mark.setText("Marcado");
    EXPECT_EQ(mark.asString(), "S");
    mark.setText("qualquer"); // the handler ignores it
    EXPECT_EQ(mark.asString(), "S");
    {
        EventDetach plain(mark.onSetText);
        mark.setText("N");
        EXPECT_EQ(mark.asString(), "N");
    }
    ASSERT_TRUE(mark.onSetText);
    mark.setText("Marcado");
    EXPECT_EQ(mark.asString(), "S");
}

TEST_F(FieldTest, OldAndNewValues) {
    ds.locate("CODIGO", "0002");
    EXPECT_EQ(ds["VALOR"].oldValue(), Value(250.5)); // unchanged row: the saved value
    ds.edit();
    ds["VALOR"].setAsFloat(300);
    EXPECT_EQ(ds["VALOR"].oldValue(), Value(250.5));
    EXPECT_EQ(ds["VALOR"].newValue(), Value(300.0));
    ds.post();
    ds.edit();
    ds["VALOR"].setAsFloat(400);
    EXPECT_EQ(ds["VALOR"].oldValue(), Value(300.0)); // start of this edit
    ds.post();
    EXPECT_EQ(ds["VALOR"].oldValue(), Value(250.5)); // browse: as at the last merge
    ds.append();
    EXPECT_TRUE(ds["VALOR"].oldValue().isNull());
    ds.cancel();
}

TEST_F(FieldTest, WritesNeedEditOrInsertExceptCalculated) {
    EXPECT_THROW(ds["NOME"].setAsString("X"), DataSetError);
    EXPECT_EQ(ds["NOME"].asString(), "Bruno");
    ds["VRTOTAL"].setAsFloat(5); // calculated: kept in memory, no change log
    EXPECT_EQ(ds["VRTOTAL"].asFloat(), 5);
    EXPECT_EQ(ds.changeCount(), 0);
    DataSet closed{"cdsFechado", testing::partyFields()};
    EXPECT_TRUE(closed["NOME"].isNull());
    EXPECT_THROW(closed["NOME"].setAsString("X"), DataSetError);
}

TEST_F(FieldTest, OnChangeRunsAfterTheWrite) {
    std::vector<std::string> seen;
    ds["NOME"].onChange = [&](Field& f) { seen.push_back(f.asString()); };
    ds.edit();
    ds["NOME"].setAsString("Beto");
    ds["NOME"].clear();
    EXPECT_EQ(seen, (std::vector<std::string>{"Beto", ""}));
    EXPECT_THROW(ds["NOME"].setAsString(std::string(21, 'x')), DataSetError);
    EXPECT_EQ(seen.size(), 2u); // refused writes change nothing
}

TEST_F(FieldTest, UnknownFieldIsAClearError) {
    EXPECT_EQ(ds.findField("nome"), &ds["NOME"]);
    EXPECT_EQ(ds.findField("NADA"), nullptr);
    try {
        ds.fieldByName("NADA");
        FAIL();
    } catch (const DataSetError& e) {
        EXPECT_NE(std::string(e.what()).find("NADA"), std::string::npos);
    }
}

} // namespace
} // namespace ct
