// The parties grid's key filters, its marks and the deletion of marked parties, against the real
// server on a fresh demo database.
#include "parties/party_columns.h"
#include "parties/party_marks.h"
#include "party_db.h"
#include "platform/host/dispatch.h"
#include "screen_fixture.h"

#include <stdexcept>
#include <typeindex>

namespace ct::testing {
namespace {

class PartyMarks : public ScreenTest {
protected:
    TfrmContratante& open(const char* budget) {
        TfrmContratante& form = enter("0001", budget, "00");
        dialogs.clear();
        clearCalls();
        return form;
    }
    bool clickMark(int row) { return screen().dbgPadrao.userClickCell(row, partycol::mark); }
    bool ctrlSpace() { return screen().userKey(keySpace, ShiftState{false, true, false}); }
    std::string mark(int row) {
        DataSet& parties = screen().cdsEndeCont;
        ShowRow shown(parties, row - 1);
        return parties.fieldByName("IDMARCADO").asString();
    }
    // The count the screen keeps and the marks it counts agree.
    void expectMarked(int count) {
        EXPECT_EQ(screen().inCountMarcado, count);
        EXPECT_EQ(countMarkedParties(screen().cdsEndeCont), count);
    }
    long long storedParties(const char* budget) {
        return server::as_integer(
            queryDemo("SELECT COUNT(*) AS N FROM ENDECONTORCA WHERE CDFILIAL = '0001' AND "
                      "NRORCAEVENTO = :orc",
                      {{"orc", std::string(budget)}})
                .rows.front()
                .front(),
            -1);
    }
};

TEST_F(PartyMarks, NumericColumnsLetThroughWhatTheirSignRulesAllow) {
    struct Case {
        double realised;
        const char* column;
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        // The charged value follows the sign of the budget's realised value; zero takes nothing.
        {12000, "VRRECECONTOREV", "-1+2e", "12"},
        {-500, "VRRECECONTOREV", "-1+2E", "-12"},
        {0, "VRRECECONTOREV", "12", "3.000,00"},
        // Invitations: digits; "-" only below zero; anything at zero.
        {12000, "QTCONVCONTOREV", "-4a0", "40"},
        {-500, "QTCONVCONTOREV", "-4a0", "-40"},
        {0, "QTCONVCONTOREV", "-4a0", "-4a0"},
        // One comma, never first, and nine digits whatever the sign.
        {12000, "VRRECECONTOREV", "\b,5,0", "5,0"},
        {12000, "VRRECECONTOREV", "1234567,891", "1234567,89"},
        {-500, "VRRECECONTOREV", "-1234567890", "-123456789"},
        // The characters that share the arrow keys' codes are no digits.
        {12000, "QTCONVADICADULTO", "1%2&3'4(5", "12345"},
        {-500, "QTCONVADICCRIANCA", "-1(", "1"},
    };
    TfrmContratante& form = open("0000000100");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " " + c.typed);
        form.nedVrReali.setNumber(c.realised);
        const int column = form.dbgPadrao.findColumn(c.column);
        ASSERT_TRUE(form.dbgPadrao.userSelectColumn(column));
        for (char32_t ch :
             std::u32string(c.typed, c.typed + std::char_traits<char>::length(c.typed)))
            form.userChar(ch);
        EXPECT_EQ(GridText(form.dbgPadrao, c.column, true), c.shown);
        if (form.cdsEndeCont.editing())
            form.cdsEndeCont.cancel();
    }
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(dialogs.messageCount(), 0u);
}

TEST_F(PartyMarks, ClicksSpaceAndTitlesKeepTheCountOfMarks) {
    TfrmContratante& form = open("0000000100");
    ASSERT_TRUE(clickMark(1));
    ASSERT_TRUE(clickMark(3));
    expectMarked(2);
    EXPECT_EQ(mark(2), "N");
    // Space toggles the current party; Ctrl+Space unmarks all, then marks all.
    ASSERT_TRUE(form.userChar(U' '));
    expectMarked(1);
    ASSERT_TRUE(ctrlSpace());
    expectMarked(0);
    ASSERT_TRUE(form.dbgPadrao.userClickTitle(partycol::mark));
    expectMarked(3);
    EXPECT_EQ(form.cdsEndeCont.recNo(), 3);
    // Other titles mark nothing.
    ASSERT_TRUE(form.dbgPadrao.userClickTitle(partycol::name));
    expectMarked(3);
    // A party being edited keeps its mark, and so do the others.
    ASSERT_TRUE(form.dbgPadrao.userTypeCell(partycol::invitations, "5"));
    ASSERT_TRUE(form.cdsEndeCont.editing());
    ASSERT_TRUE(clickMark(3));
    ASSERT_TRUE(ctrlSpace());
    EXPECT_TRUE(form.cdsEndeCont.editing());
    expectMarked(3);
    // The reload drops the marks.
    form.cdsEndeCont.cancel();
    ASSERT_TRUE(dispatch([&] { form.sbtVerificar.click(); }));
    expectMarked(0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(PartyMarks, AFailureWhileMarkingRestoresTheHandlersAndControls) {
    TfrmContratante& form = open("0000000100");
    ASSERT_TRUE(clickMark(1));
    expectMarked(1);
    auto handlers = [&form] {
        return std::vector<std::type_index>{
            form.cdsEndeCont.beforePost.target_type(), form.cdsEndeCont.afterPost.target_type(),
            form.cdsEndeCont.afterScroll.target_type(), form.dtsPadrao.onStateChange.target_type()};
    };
    const auto attached = handlers();
    for (const std::type_index& handler : attached)
        ASSERT_NE(handler, std::type_index(typeid(void)));

    // The walk of a title click fails on its second row, a click on its first.
    int edits = 0;
    EventDetach screenBeforeEdit(form.cdsEndeCont.beforeEdit);
    form.cdsEndeCont.beforeEdit = [&edits](DataSet&) {
        if (++edits == 2)
            throw std::runtime_error("falha ao marcar");
    };
    EXPECT_FALSE(form.dbgPadrao.userClickTitle(partycol::mark));
    edits = 1;
    EXPECT_FALSE(clickMark(2));
    ASSERT_EQ(errors, (std::vector<std::string>{"falha ao marcar", "falha ao marcar"}));
    EXPECT_EQ(handlers(), attached);
    EXPECT_FALSE(form.cdsEndeCont.controlsDisabled());
    EXPECT_FALSE(form.cdsEndeCont.editing());
    expectMarked(0);
    // Unhindered, marking works again.
    form.cdsEndeCont.beforeEdit = nullptr;
    ASSERT_TRUE(form.dbgPadrao.userClickTitle(partycol::mark));
    expectMarked(3);
}

TEST_F(PartyMarks, ARefusedDeletionKeepsTheMarksAndHidesTheProgress) {
    TfrmContratante& form = open("0000000400");
    ASSERT_TRUE(clickMark(1)); // with an issued contract and a paid account
    ASSERT_TRUE(clickMark(2));
    expectMarked(2);
    clearCalls();
    dialogs.queueAnswer(MsgResult::Yes);
    dialogs.queueAnswer(MsgResult::Yes);
    EXPECT_FALSE(dispatch([&] { form.sbtExcluir.click(); }));
    const auto shown = dialogs.messages();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "Deseja excluir os contratantes selecionados ?");
    EXPECT_NE(shown[1].text.find("Bruno Henrique Dias"), std::string::npos);
    EXPECT_EQ(shown[2].type, MsgType::Error);
    EXPECT_NE(shown[2].text.find("conta a receber baixada"), std::string::npos);
    EXPECT_FALSE(dialogs.progressShown());
    expectMarked(2);
    EXPECT_EQ(calls("GetContratante"), 0);
    EXPECT_EQ(storedParties("0000000400"), 3);
}

TEST_F(PartyMarks, MarksMergedByASaveAreStillDeleted) {
    TfrmContratante& form = open("0000000100");
    ASSERT_TRUE(clickMark(1));
    // Ana is edited after her marking and saved by moving to the next party.
    ASSERT_TRUE(form.dbgPadrao.userTypeCell(partycol::invitations, "45"));
    ASSERT_TRUE(form.dbgPadrao.userSelectRow(2));
    ASSERT_EQ(calls("SetEndeCont"), 1);
    ASSERT_FALSE(form.cdsEndeCont.hasChanges());
    expectMarked(1);

    dialogs.queueAnswer(MsgResult::Yes);
    EXPECT_TRUE(dispatch([&] { form.sbtExcluir.click(); }));
    EXPECT_EQ(lastMessage(), "Deseja excluir o contratante selecionado ?");
    EXPECT_EQ(calls("SetDelCont"), 1);
    EXPECT_EQ(storedParty("0000000001").size(), 0u);
    EXPECT_EQ(form.cdsEndeCont.recordCount(), 2);
    expectMarked(0);
}

} // namespace
} // namespace ct::testing
