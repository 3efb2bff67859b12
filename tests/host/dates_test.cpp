#include "platform/dataset/dataset.h"
#include "platform/host/dates.h"
#include "platform/host/fake_dialog_service.h"
#include "platform/host/silent_abort.h"
#include "platform/host/text_routines.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

class DateSetTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ds_.createDataSet();
        ds_.appendRecord({DateTime::fromParts(2027, 1, 15)});
        ds_.edit();
    }
    Field& due() { return ds_.fieldByName("DTVENCPARCCONT"); }

    DataSet ds_{"cdsFormaPagto", {FieldDef::dateTime("DTVENCPARCCONT")}};
    FakeDialogService fake_;
    ScopedDialogService scope_{fake_};
};

TEST_F(DateSetTextTest, TypedDatesAreSet) {
    DateSetText(due(), "28/02/2028");
    EXPECT_EQ(due().asDateTime(), DateTime::fromParts(2028, 2, 28));
    DateSetText(due(), "29/02/2028"); // leap year
    EXPECT_EQ(due().asDateTime(), DateTime::fromParts(2028, 2, 29));
    DateSetText(due(), "1/3/2028");
    EXPECT_EQ(due().asDateTime(), DateTime::fromParts(2028, 3, 1));
    DateSetText(due(), "31/12/27");
    EXPECT_EQ(due().asDateTime(), DateTime::fromParts(2027, 12, 31));
    EXPECT_EQ(fake_.messageCount(), 0u);
}

TEST_F(DateSetTextTest, ImpossibleDatesAreRefusedAndTheFieldKept) {
    for (const char* text : {"31/02/2027", "29/02/2027", "32/01/2027", "15/13/2027", "00/01/2027",
                             "abc", "15-01-2027x", "15/__/2027"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(DateSetText(due(), text), SilentAbort);
        EXPECT_EQ(due().asDateTime(), DateTime::fromParts(2027, 1, 15));
        EXPECT_EQ(fake_.lastMessage(), std::string("'") + text + "' não é uma data válida.");
        EXPECT_EQ(fake_.messages().back().type, MsgType::Error);
    }
}

TEST_F(DateSetTextTest, NoDigitsClearsTheDate) {
    DateSetText(due(), "__/__/____");
    EXPECT_TRUE(due().isNull());
    ds_.cancel();
    ds_.edit();
    DateSetText(due(), "");
    EXPECT_TRUE(due().isNull());
    DateSetText(due(), "  /  /    ");
    EXPECT_TRUE(due().isNull());
    EXPECT_EQ(fake_.messageCount(), 0u);
}

TEST(DateMask, FormatsTypedDigits) {
    EXPECT_EQ(FormatMaskText(DateMask(), "15012027"), "15/01/2027");
    EXPECT_EQ(FormatMaskText(DateMask(), "15/01/2027"), "15/01/2027");
}

} // namespace
} // namespace ct
