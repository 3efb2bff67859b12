#include "scenario/script.h"

#include <gtest/gtest.h>

using ct::scenario::parseScript;
using ct::scenario::ScriptError;
using ct::scenario::ScriptLine;
using ct::scenario::splitWords;

TEST(ScriptWords, QuotesCommentsAndEscapes) {
    EXPECT_EQ(splitWords(R"(type medCdFilial "São Paulo")", 1),
              (std::vector<std::string>{"type", "medCdFilial", "São Paulo"}));
    EXPECT_EQ(splitWords(R"(expect message "Diz \"oi\" # não é comentário")", 1),
              (std::vector<std::string>{"expect", "message", R"(Diz "oi" # não é comentário)"}));
    EXPECT_EQ(splitWords("click sbtIncluir   # the toolbar button", 1),
              (std::vector<std::string>{"click", "sbtIncluir"}));
    EXPECT_EQ(splitWords(R"(type edtNrOrcamento "")", 1),
              (std::vector<std::string>{"type", "edtNrOrcamento", ""}));
    EXPECT_TRUE(splitWords("   # only a comment", 1).empty());
    EXPECT_EQ(splitWords("key dbgPadrao a#b", 1),
              (std::vector<std::string>{"key", "dbgPadrao", "a#b"}));
}

TEST(ScriptWords, UnterminatedQuoteNamesTheLine) {
    try {
        splitWords(R"(type x "open)", 7);
        FAIL() << "no error";
    } catch (const ScriptError& e) {
        EXPECT_EQ(e.line(), 7);
        EXPECT_NE(std::string(e.what()).find("unterminated"), std::string::npos);
    }
}

TEST(ScriptParse, KeepsLineNumbersAndSkipsBlankLines) {
    auto lines =
        parseScript("# demo\n\nstart 0001 0000000100 00 PRQ27500\r\nexpect rows cdsEndeCont 3\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].number, 3);
    EXPECT_EQ(lines[0].command, "start");
    EXPECT_EQ(lines[0].args, (std::vector<std::string>{"0001", "0000000100", "00", "PRQ27500"}));
    EXPECT_EQ(lines[1].number, 4);
    EXPECT_EQ(lines[1].args.back(), "3");
}

TEST(ScriptParse, RefusesUnknownCommandsAndWrongArity) {
    EXPECT_THROW(parseScript("clik sbtIncluir"), ScriptError);
    EXPECT_THROW(parseScript("start 0001 0000000100 00"), ScriptError);
    EXPECT_THROW(parseScript("expect rows cdsEndeCont"), ScriptError);
    EXPECT_THROW(parseScript("expect colour x"), ScriptError);
    EXPECT_THROW(parseScript("expect"), ScriptError);
    EXPECT_THROW(parseScript("close now"), ScriptError);
    EXPECT_NO_THROW(
        parseScript("expect no-message\nexpect field cdsEndeCont VRRECECONTOREV \"1.050,00\""));
    try {
        parseScript("activate\nactivate\nrow");
        FAIL() << "no error";
    } catch (const ScriptError& e) {
        EXPECT_EQ(e.line(), 3);
    }
}

TEST(ScriptLineText, QuotesWhatNeedsQuoting) {
    ScriptLine line{1, "type", {"edtObservacao", "a \"b\"", ""}};
    EXPECT_EQ(line.text(), R"(type edtObservacao "a \"b\"" "")");
    // What text() writes reads back as the same words.
    EXPECT_EQ(splitWords(line.text(), 1),
              (std::vector<std::string>{"type", "edtObservacao", "a \"b\"", ""}));
}
