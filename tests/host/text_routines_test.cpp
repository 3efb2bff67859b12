#include "platform/host/formatting.h"
#include "platform/host/text_routines.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

TEST(EmptyString, BlankCountsAsEmpty) {
    EXPECT_TRUE(EmptyString(""));
    EXPECT_TRUE(EmptyString("   "));
    EXPECT_TRUE(EmptyString(" \t "));
    EXPECT_FALSE(EmptyString("0"));
    EXPECT_FALSE(EmptyString(" a "));
    EXPECT_FALSE(EmptyString("_"));
}

TEST(Ajusta, NumericCodesArePaddedToTheirWidth) {
    EXPECT_EQ(Ajusta("1", 4), "0001");
    EXPECT_EQ(Ajusta("12", 2), "12");
    EXPECT_EQ(Ajusta("7", 2), "07");
    EXPECT_EQ(Ajusta("100", 10), "0000000100");
    EXPECT_EQ(Ajusta("0", 4), "0000");
    EXPECT_EQ(Ajusta(" 15 ", 4), "0015");
    EXPECT_EQ(Ajusta("1234", 4), "1234");
}

TEST(Ajusta, LongerCodesLoseOnlyLeadingZeros) {
    EXPECT_EQ(Ajusta("00001", 4), "0001");
    EXPECT_EQ(Ajusta("000000000001", 10), "0000000001");
    EXPECT_EQ(Ajusta("12345", 4), "12345");
    EXPECT_EQ(Ajusta("01234", 4), "1234");
}

TEST(Ajusta, OtherTextIsOnlyTrimmed) {
    EXPECT_EQ(Ajusta("", 4), "");
    EXPECT_EQ(Ajusta("   ", 4), "");
    EXPECT_EQ(Ajusta("SP", 2), "SP");
    EXPECT_EQ(Ajusta(" A1 ", 4), "A1");
    EXPECT_EQ(Ajusta("1 2", 4), "1 2");
    EXPECT_EQ(Ajusta("-1", 4), "-1");
    EXPECT_EQ(Ajusta("5", 0), "5");
}

TEST(AjustaInscricao, PersonTypeFromTheNumberOfDigits) {
    std::string cpf = "C12345678901";
    EXPECT_EQ(Ajusta_Inscricao(cpf), "F");
    EXPECT_EQ(cpf, "12345678901");

    std::string cnpj = "C12345678000190";
    EXPECT_EQ(Ajusta_Inscricao(cnpj), "J");
    EXPECT_EQ(cnpj, "12345678000190");
}

TEST(AjustaInscricao, MasksAndBlanksAreDropped) {
    std::string cpf = "C123.456.789-01";
    EXPECT_EQ(Ajusta_Inscricao(cpf), "F");
    EXPECT_EQ(cpf, "12345678901");

    std::string cnpj = "C 12.345.678/0001-90 ";
    EXPECT_EQ(Ajusta_Inscricao(cnpj), "J");
    EXPECT_EQ(cnpj, "12345678000190");

    std::string underscores = "C123.456.___-__";
    EXPECT_EQ(Ajusta_Inscricao(underscores), "F");
    EXPECT_EQ(underscores, "123456");
}

TEST(AjustaInscricao, OddLengthsAndEmpty) {
    std::string shortOne = "C123";
    EXPECT_EQ(Ajusta_Inscricao(shortOne), "F");
    EXPECT_EQ(shortOne, "123");

    std::string twelve = "C123456789012";
    EXPECT_EQ(Ajusta_Inscricao(twelve), "J");
    EXPECT_EQ(twelve, "123456789012");

    std::string fifteen = "C123456789012345";
    EXPECT_EQ(Ajusta_Inscricao(fifteen), "J");
    EXPECT_EQ(fifteen, "123456789012345");

    std::string empty = "C";
    EXPECT_EQ(Ajusta_Inscricao(empty), "");
    EXPECT_EQ(empty, "");

    std::string blank = "C   ";
    EXPECT_EQ(Ajusta_Inscricao(blank), "");
    EXPECT_EQ(blank, "");

    // Without the leading "C" the digits are still taken.
    std::string bare = "12345678901";
    EXPECT_EQ(Ajusta_Inscricao(bare), "F");
    EXPECT_EQ(bare, "12345678901");
}

TEST(PictPess, MasksPerPersonType) {
    EXPECT_EQ(PictPess("F"), "999.999.999-99;0;_");
    EXPECT_EQ(PictPess("J"), "99.999.999/9999-99;0;_");
    EXPECT_EQ(PictPess("I"), "99999999999999;0;_");
    EXPECT_EQ(PictPess(""), "99999999999999;0;_");
}

TEST(FormatMaskText, InscriptionsWithTheirMasks) {
    EXPECT_EQ(FormatMaskText(PictPess("F"), "12345678901"), "123.456.789-01");
    EXPECT_EQ(FormatMaskText(PictPess("J"), "12345678000190"), "12.345.678/0001-90");
    EXPECT_EQ(FormatMaskText(PictPess("I"), "12345678901"), "12345678901");
    EXPECT_EQ(FormatMaskText("999.999.999-99;0;_", "123456789"), "123.456.789");
    EXPECT_EQ(FormatMaskText("999.999.999-99;0;_", "1234"), "123.4");
    EXPECT_EQ(FormatMaskText("999.999.999-99;0;_", ""), "");
}

TEST(FormatMaskText, ValueLongerThanMaskKeepsItsTail) {
    // A CNPJ shown with the CPF mask hides nothing.
    EXPECT_EQ(FormatMaskText(PictPess("F"), "12345678000190"), "123.456.780-00190");
}

TEST(FormatMaskText, SavedLiteralsAreNotDoubled) {
    EXPECT_EQ(FormatMaskText("99/99/9999;1;_", "15/01/2027"), "15/01/2027");
    EXPECT_EQ(FormatMaskText("99/99/9999;1;_", "15012027"), "15/01/2027");
    EXPECT_EQ(FormatMaskText("99/99/9999;0;_", "15012027"), "15/01/2027");
}

TEST(FormatMaskText, EscapesAndCase) {
    EXPECT_EQ(FormatMaskText("\\9-999;0;_", "123"), "9-123");
    EXPECT_EQ(FormatMaskText(">LL<ll;0;_", "abCD"), "ABcd");
    EXPECT_EQ(FormatMaskText(">L<>l;0;_", "ab"), "Ab");
    EXPECT_EQ(FormatMaskText("!99-99", "1234"), "12-34");
    EXPECT_EQ(FormatMaskText("(99) 9999-9999;0;_", "1133334444"), "(11) 3333-4444");
}

TEST(FormatFloat, BrazilianNumbers) {
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.56), "1.234,56");
    EXPECT_EQ(FormatFloat("#,##0.00", 0), "0,00");
    EXPECT_EQ(FormatFloat("#,##0.00", -1234567.891), "-1.234.567,89");
    EXPECT_EQ(FormatFloat("#,##0.00", 2.675), "2,68");
    EXPECT_EQ(FormatFloat("#0.00 %", 25), "25,00 %");
    EXPECT_EQ(FormatFloat("#0.00 %", 1234.5), "1234,50 %");
}

} // namespace
} // namespace ct
