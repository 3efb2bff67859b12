// Reading class lists as spreadsheets save them: inscriptions, encodings, separators, titles.
#include "classlist/class_list.h"
#include "classlist/delimited_text.h"
#include "classlist/inscription.h"

#include <gtest/gtest.h>

namespace ct::classlist {
namespace {

TEST(Inscription, ReadsCpfAndCnpjByTheirCheckDigits) {
    struct Case {
        const char* text;
        const char* digits; // nullptr: refused
        const char* type;
    };
    const Case cases[] = {
        {"529.982.247-25", "52998224725", "F"},
        {"52998224725", "52998224725", "F"},
        {"111.444.777-35", "11144477735", "F"},
        {"1234567891", nullptr, ""},        // short and wrong
        {"3852811023", "03852811023", "F"}, // a spreadsheet dropped the leading zero
        {"11.222.333/0001-81", "11222333000181", "J"},
        {"1222333000181", nullptr, ""},  // padded to 01222333000181: wrong digits
        {"529.982.247-26", nullptr, ""}, // second check digit
        {"529.982.247-15", nullptr, ""}, // first check digit
        {"111.111.111-11", nullptr, ""}, // one repeated digit
        {"11.222.333/0001-82", nullptr, ""},
        {"00.000.000/0000-00", nullptr, ""},
        {"529982247250", nullptr, ""}, // 12 digits, as a CNPJ
        {"5299822472A", nullptr, ""},
        {"123456789012345", nullptr, ""},
    };
    for (const Case& c : cases) {
        const auto read = readInscription(c.text);
        if (!c.digits) {
            EXPECT_FALSE(read) << c.text;
            continue;
        }
        ASSERT_TRUE(read) << c.text;
        EXPECT_EQ(read->digits, c.digits) << c.text;
        EXPECT_EQ(read->personType, c.type) << c.text;
    }
    EXPECT_EQ(maskedInscription({"52998224725", "F"}), "529.982.247-25");
    EXPECT_EQ(maskedInscription({"11222333000181", "J"}), "11.222.333/0001-81");
}

TEST(DelimitedText, DecodesUtf8AndLatin1AndFindsTheSeparator) {
    struct Case {
        std::string bytes;
        std::string text;
        char delimiter;
    };
    const Case cases[] = {
        {"Inscrição;Nome\r\n", "Inscrição;Nome\r\n", ';'},
        {"\xEF\xBB\xBFNome,E-mail\n", "Nome,E-mail\n", ','},
        {"S\xE3o;\xC7\xE3o\n", "São;Ção\n", ';'}, // Latin-1
        {"Jo\xE3o\t\x93"
         "Ana\x94\n",
         "João\t“Ana”\n", '\t'}, // Windows Latin-1
        {"\"Silva, Ana\";Rua A, 1\n", "\"Silva, Ana\";Rua A, 1\n", ';'},
        {"Ana,1,2;3\n", "Ana,1,2;3\n", ','},
        {"Ana\n", "Ana\n", ';'},
    };
    for (const Case& c : cases) {
        const std::string text = decodeText(c.bytes);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(detectDelimiter(text), c.delimiter) << c.text;
    }
}

TEST(DelimitedText, SplitsQuotedCellsAndKeepsTheLineOfEachRecord) {
    const auto records =
        parseDelimited("a;\"b;c\";\"d \"\"e\"\"\"\r\n;;\r\n\"x\r\ny\";z\rlast", ';');
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].cells, (std::vector<std::string>{"a", "b;c", "d \"e\""}));
    EXPECT_EQ(records[0].line, 1);
    EXPECT_EQ(records[1].cells, (std::vector<std::string>{"x\r\ny", "z"}));
    EXPECT_EQ(records[1].line, 3);
    EXPECT_EQ(records[2].cells, (std::vector<std::string>{"last"}));
    EXPECT_EQ(records[2].line, 5);
}

TEST(ClassList, FindsTheColumnsByTheirTitlesOrTakesTheUsualOrder) {
    struct Case {
        const char* content;
        ClassListEntry second; // the entry of the second data row
    };
    const Case cases[] = {
        // The usual order, no titles.
        {"52998224725;Ana;a@x.br;1111;2;1\n11144477735;Bruno;b@x.br;2222;0;3\n",
         {2, "11144477735", "Bruno", "b@x.br", "2222", "0", "3"}},
        // Titles in another order, accents and case ignored, an unknown column left out.
        {"NOME,Observação,CPF,Crianças,Adultos\nAna,x,52998224725,1,2\n Bruno "
         ",y,111.444.777-35,3,0\n",
         {3, "111.444.777-35", "Bruno", "", "", "0", "3"}},
        // Pasted from a spreadsheet, with an empty row in between.
        {"Inscrição\tNome\tE-mail\tTelefone\tConvites adultos\tConvites crianças\n"
         "52998224725\tAna\t\t\t\t\n\t\t\t\t\t\n11144477735\tBruno\tb@x.br\t\t1\t\n",
         {4, "11144477735", "Bruno", "b@x.br", "", "1", ""}},
    };
    for (const Case& c : cases) {
        const auto entries = readClassList(c.content);
        ASSERT_EQ(entries.size(), 2u) << c.content;
        EXPECT_EQ(entries[1], c.second) << c.content;
    }
}

TEST(ClassList, RefusesAListItCannotUse) {
    for (const char* content : {"", "\n;;\n", "Nome;E-mail\nAna;a@x.br\n", "CPF;Nome\n"})
        EXPECT_THROW(readClassList(content), ClassListError) << content;
}

TEST(ClassList, AWrittenListReadsBackTheSameInEitherEncoding) {
    const std::vector<ClassListEntry> entries = {
        {2, "529.982.247-25", "Ana São", "ana@x.br", "(11) 3061-1000", "2", "1"},
        {3, "11.222.333/0001-81", "Formandos; Ção \"Turma\"", "", "", "0", "0"}};
    const std::string csv = writeCsv(classListRows(entries));
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(csv.find("Inscrição;Nome;E-mail;Telefone"), std::string::npos);
    EXPECT_EQ(readClassList(csv), entries);

    // The same file saved by a spreadsheet in Latin-1.
    std::string latin1;
    for (char32_t ch :
         std::u32string(U"Nome;CPF\r\nAna São;52998224725\r\nÇão Silva;11144477735\r\n"))
        latin1 += static_cast<char>(ch);
    const auto read = readClassList(latin1);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].name, "Ana São");
    EXPECT_EQ(read[1].name, "Ção Silva");
}

} // namespace
} // namespace ct::classlist
