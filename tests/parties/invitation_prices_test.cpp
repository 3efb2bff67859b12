// Pricing additional invitations into a party's charged value, and the memory that keeps the
// pricing to once per edit.
#include "parties/invitation_prices.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

TEST(InvitationPrices, TheOldCountIsTakenOutAndTheNewCountPutIn) {
    InvitationCharge raised = chargeWithInvitations(1000.0, 3, 2.0, 50.0);
    EXPECT_EQ(raised.charged, 1050.0);
    EXPECT_EQ(raised.total, 150.0);

    InvitationCharge dropped = chargeWithInvitations(1000.0, 0, 2.0, 50.0);
    EXPECT_EQ(dropped.charged, 900.0);
    EXPECT_FALSE(dropped.total) << "a count of zero sets no total";

    InvitationCharge same = chargeWithInvitations(1100.0, 2, 2.0, 50.0);
    EXPECT_EQ(same.charged, 1100.0);
    EXPECT_EQ(same.total, 100.0);
}

TEST(InvitationPrices, ANewPartyOnlyGetsTheNewPrice) {
    InvitationCharge child = chargeWithInvitations(500.0, 2, std::nullopt, 30.0);
    EXPECT_EQ(child.charged, 560.0);
    EXPECT_EQ(child.total, 60.0);

    InvitationCharge none = chargeWithInvitations(500.0, 0, std::nullopt, 30.0);
    EXPECT_EQ(none.charged, 500.0);
    EXPECT_FALSE(none.total);
}

TEST(InvitationPrices, AnEmptyChargedValueOrANegativeCountChangesNothing) {
    InvitationCharge empty = chargeWithInvitations(std::nullopt, 4, 1.0, 50.0);
    EXPECT_FALSE(empty.charged);
    EXPECT_FALSE(empty.total);

    InvitationCharge negative = chargeWithInvitations(700.0, -1, 2.0, 50.0);
    EXPECT_EQ(negative.charged, 700.0);
    EXPECT_FALSE(negative.total);
}

TEST(InvitationPrices, MoneyIsRoundedToTheCentAtEveryStep) {
    // 16,675 rounds half away from zero to 16,68; 0,1 + 0,2 is 0,30 to the cent.
    InvitationCharge charge = chargeWithInvitations(0.1 + 0.2, 1, std::nullopt, 16.675);
    EXPECT_EQ(charge.total, 16.68);
    EXPECT_EQ(charge.charged, 16.98);
}

class ChargedValueMemoryTest : public ::testing::Test {
protected:
    DataSet parties{"parties", {FieldDef::string("NAME", 10)}};
    DataSource source{&parties};
    ChargedValueMemory memory;

    void SetUp() override {
        parties.createDataSet();
        parties.appendRecord({Value("a")});
        memory.setDataSource(&source);
    }
};

TEST_F(ChargedValueMemoryTest, ARepostInTheSameEditStartsFromTheValueBeforeThePrices) {
    parties.edit();
    memory.remember(1000.0, 1050.0);
    EXPECT_EQ(memory.startingValue(1050.0), 1000.0);
    // The user typed another value after the refusal: that one counts.
    EXPECT_EQ(memory.startingValue(1200.0), 1200.0);
    EXPECT_EQ(memory.startingValue(std::nullopt), std::nullopt);
}

TEST_F(ChargedValueMemoryTest, TheMemoryEndsWithTheEdit) {
    parties.edit();
    memory.remember(1000.0, 1050.0);
    parties.fieldByName("NAME").setAsString("b");
    ASSERT_TRUE(memory.holds());
    parties.post();
    EXPECT_FALSE(memory.holds());
    EXPECT_EQ(memory.startingValue(1050.0), 1050.0);

    parties.edit();
    memory.remember(1000.0, 1050.0);
    parties.cancel();
    EXPECT_FALSE(memory.holds());

    parties.append();
    memory.remember(500.0, 560.0);
    parties.close();
    EXPECT_FALSE(memory.holds());
}

TEST_F(ChargedValueMemoryTest, AnEmptyValueRemembered) {
    parties.edit();
    memory.remember(std::nullopt, std::nullopt);
    EXPECT_EQ(memory.startingValue(std::nullopt), std::nullopt);
    EXPECT_EQ(memory.startingValue(10.0), 10.0);
}

} // namespace
} // namespace ct
