#include "platform/dataset/dataset.h"
#include "scenario/scripted_dialogs.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace ct;
using ct::scenario::ScriptedDialogs;
using ct::scenario::Transcript;

namespace {

struct ScriptedDialogsTest : ::testing::Test {
    std::ostringstream out;
    Transcript transcript{out};
    ScriptedDialogs dialogs{transcript};

    std::vector<nlohmann::json> entries() const {
        std::vector<nlohmann::json> list;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);)
            list.push_back(nlohmann::json::parse(line));
        return list;
    }
};

DataSet& listOf(DataSet& set, int rows) {
    set.setFieldDefs({FieldDef::string("CDFILIAL", 4)});
    set.createDataSet();
    for (int i = 1; i <= rows; ++i)
        set.appendRecord({Value(std::string("000") + std::to_string(i))});
    set.first();
    return set;
}

} // namespace

TEST_F(ScriptedDialogsTest, QuestionsTakeQueuedAnswersInOrder) {
    dialogs.queueAnswer(MsgResult::Yes);
    dialogs.queueAnswer(MsgResult::No);
    EXPECT_EQ(dialogs.message(MsgType::Confirmation, "Primeira?", mbYes | mbNo), MsgResult::Yes);
    EXPECT_EQ(dialogs.message(MsgType::Confirmation, "Segunda?", mbYes | mbNo), MsgResult::No);
    EXPECT_EQ(dialogs.unusedAnswers(), 0u);
    EXPECT_TRUE(dialogs.takeProblems().empty());
    auto list = entries();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["kind"], "dialog");
    EXPECT_EQ(list[0]["type"], "confirmation");
    EXPECT_EQ(list[0]["answer"], "yes");
    EXPECT_EQ(list[1]["text"], "Segunda?");
    EXPECT_EQ(list[1]["answer"], "no");
}

TEST_F(ScriptedDialogsTest, UnansweredQuestionIsAProblemAndAnswersNo) {
    EXPECT_EQ(dialogs.message(MsgType::Confirmation, "Gravar?", mbYes | mbNo), MsgResult::No);
    auto problems = dialogs.takeProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("Gravar?"), std::string::npos);
}

TEST_F(ScriptedDialogsTest, OkBoxesAcknowledgeThemselvesAndUseOnlyAQueuedOk) {
    dialogs.queueAnswer(MsgResult::Yes); // meant for a later question
    EXPECT_EQ(dialogs.message(MsgType::Error, "Filial não cadastrada.", mbOK), MsgResult::Ok);
    EXPECT_EQ(dialogs.unusedAnswers(), 1u);
    EXPECT_EQ(dialogs.message(MsgType::Confirmation, "Q?", mbYes | mbNo), MsgResult::Yes);

    dialogs.queueAnswer(MsgResult::Ok);
    dialogs.message(MsgType::Information, "Aviso", mbOK);
    EXPECT_EQ(dialogs.unusedAnswers(), 0u);
    EXPECT_EQ(dialogs.takeMessages(),
              (std::vector<std::string>{"Filial não cadastrada.", "Q?", "Aviso"}));
    EXPECT_TRUE(dialogs.takeMessages().empty());
}

TEST_F(ScriptedDialogsTest, SearchPositionsTheListOnThePick) {
    DataSet set("qryFilial");
    listOf(set, 3);
    dialogs.queuePick(2);
    dialogs.queuePick(std::nullopt);
    ASSERT_TRUE(dialogs.search({"Filial", &set, "NMFILIAL", "Não há filial cadastrada."}));
    EXPECT_EQ(set.recNo(), 2);
    EXPECT_EQ(set.fieldByName("CDFILIAL").asString(), "0002");
    EXPECT_FALSE(dialogs.search({"Filial", &set, "NMFILIAL", "Não há filial cadastrada."}));
    EXPECT_EQ(set.recNo(), 2);
    EXPECT_TRUE(dialogs.takeProblems().empty());
    auto list = entries();
    EXPECT_EQ(list[0]["kind"], "search");
    EXPECT_EQ(list[0]["rows"], 3);
    EXPECT_EQ(list[0]["pick"], "2");
}

TEST_F(ScriptedDialogsTest, EmptyListShowsItsTextAndTakesNoPick) {
    DataSet set("cdsContSub");
    listOf(set, 0);
    dialogs.queuePick(1);
    EXPECT_FALSE(
        dialogs.search({"Contratante", &set, "", "Não há contratante substituto cadastrado."}));
    EXPECT_EQ(dialogs.unusedPicks(), 1u);
    EXPECT_EQ(dialogs.takeMessages(),
              (std::vector<std::string>{"Não há contratante substituto cadastrado."}));
}

TEST_F(ScriptedDialogsTest, PickOutsideTheListIsAProblem) {
    DataSet set("qryFilial");
    listOf(set, 2);
    dialogs.queuePick(5);
    EXPECT_FALSE(dialogs.search({"Filial", &set, "", ""}));
    EXPECT_EQ(dialogs.takeProblems().size(), 1u);
    EXPECT_EQ(set.recNo(), 1);
}
