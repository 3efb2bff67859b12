#include "messages/messages.h"
#include "platform/host/fake_dialog_service.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

TEST(Messages, LinesSplitAtTheFirstBar) {
    const Messages m{"A|one", "B|two|with bar", "NOBAR", "|empty key", "C|"};
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m.Msg("A"), "one");
    EXPECT_EQ(m.Msg("b"), "two|with bar");
    EXPECT_TRUE(m.contains("NOBAR"));
    EXPECT_EQ(m.Msg("NOBAR"), "");
    EXPECT_EQ(m.Msg(""), "empty key");
    EXPECT_TRUE(m.contains("C"));
    EXPECT_EQ(m.entries()[1].key, "B");
}

TEST(Messages, FromVectorKeepsOrderAndFirstOfDuplicates) {
    const Messages m(std::vector<std::string>{"X|first", "Y|y", "x|second"});
    EXPECT_EQ(m.Msg("X"), "first");
    EXPECT_EQ(m.entries()[2].text, "second");
    EXPECT_EQ(m.msgOr("Z", "fallback"), "fallback");
    EXPECT_EQ(m.msgOr("y", "fallback"), "y");
    EXPECT_EQ(m.find("Z"), nullptr);
}

TEST(Messages, MissingKeyGivesEmptyText) {
    const Messages m{"A|one"};
    EXPECT_EQ(m.Msg("B"), "");
    EXPECT_EQ(m.Msg("B", "arg"), "");
    EXPECT_EQ(Messages().Msg("A"), "");
    // Key comparison is whole-key, not prefix.
    EXPECT_EQ(m.Msg("A "), "");
    EXPECT_EQ(m.Msg("AA"), "");
}

TEST(Messages, PlaceholderFilledWithOneArgument) {
    const Messages m = contratanteMessages();
    EXPECT_EQ(m.Msg("PARC_ATU", "JOSÉ DA SILVA"),
              "O valor das parcelas do contratante JOSÉ DA SILVA deve ser atualizado.");
    EXPECT_EQ(m.Msg("CONTRAT_EMITIDO", "ANA"),
              "O contratante ANA possui contrato(s) emitido(s). Deseja apagar o(s) contrato(s) "
              "emitido(s) do contratante?");
    // A text without "%s" ignores the argument.
    EXPECT_EQ(m.Msg("FILI_N_INF", "0001"), "Filial deve ser informada.");
}

TEST(Messages, FillEdgeCases) {
    EXPECT_EQ(Messages::fill("a %s b", ""), "a  b");
    // The argument is not itself expanded.
    EXPECT_EQ(Messages::fill("[%s]", "%s"), "[%s]");
    EXPECT_EQ(Messages::fill("%s and %s", "x"), "x and %s");
    EXPECT_EQ(Messages::fill("100%% de %s", "x"), "100% de x");
    EXPECT_EQ(Messages::fill("ends with %", "x"), "ends with %");
    EXPECT_EQ(Messages::fill("%d stays", "x"), "%d stays");
}

TEST(Messages, KeyedServerErrors) {
    const Messages m = contratanteMessages();
    EXPECT_EQ(m.translateServerError("N_PARAM_PED|0001"),
              "Não há parametrização de pedidos para a filial 0001. Operação Bloqueada.");
    EXPECT_EQ(m.translateServerError("N_PARAM_TPCTREC|12"),
              "Não há tipo de conta a receber parametrizado para o tipo de operação (12).");
    // Without a bar the whole text is the key.
    EXPECT_EQ(m.translateServerError("N_PARAM_SERIE"),
              "Não há série padrão cadastrada para a filial informada. Informe a série padrão na "
              "tela de Cadastro de Filial.");
    // A text without "%s" ignores the argument after the bar.
    EXPECT_EQ(m.translateServerError("N_PARAM_TPCTPAG|99"),
              "Não há tipo de conta a pagar parametrizado para o tipo de operação de entrada.");
    // Everything after the first bar is the argument.
    EXPECT_EQ(m.translateServerError("N_PARAM_PED|00|01"),
              "Não há parametrização de pedidos para a filial 00|01. Operação Bloqueada.");
    EXPECT_EQ(m.translateServerError("N_PARAM_PED|"),
              "Não há parametrização de pedidos para a filial . Operação Bloqueada.");
    // The key is looked up without regard to letter case.
    EXPECT_EQ(m.translateServerError("N_PARAM_serie"), m.Msg("N_PARAM_SERIE"));
}

TEST(Messages, ServerErrorsThatAreNotKeyedPassUnchanged) {
    const Messages m = contratanteMessages();
    EXPECT_FALSE(Messages::isKeyedServerError("Orçamento bloqueado por outro usuário."));
    EXPECT_EQ(m.translateServerError("Orçamento bloqueado por outro usuário."),
              "Orçamento bloqueado por outro usuário.");
    EXPECT_EQ(m.translateServerError("FILI_N_INF"), "FILI_N_INF");
    EXPECT_EQ(m.translateServerError("a|b"), "a|b");
    EXPECT_EQ(m.translateServerError(""), "");
    // Keyed, but a key the catalogue lacks: shown as the server wrote it.
    EXPECT_TRUE(Messages::isKeyedServerError("N_PARAM_NAOEXISTE|7"));
    EXPECT_EQ(m.translateServerError("N_PARAM_NAOEXISTE|7"), "N_PARAM_NAOEXISTE|7");
    // "N_PARAM_" in the argument part still makes it keyed, but the key must exist.
    EXPECT_EQ(m.translateServerError("Erro|N_PARAM_PED"), "Erro|N_PARAM_PED");
}

TEST(Messages, ShowMsgGoesThroughTheDialogService) {
    FakeDialogService fake;
    ScopedDialogService scope(fake);
    const Messages m = standardMessages();

    fake.queueAnswer(MsgResult::No);
    EXPECT_EQ(m.ShowMsg("canc", MsgType::Confirmation, mbYes | mbNo, 0), MsgResult::No);
    fake.queueAnswer(MsgResult::Yes);
    EXPECT_EQ(m.showMsg("Canc", MsgType::Confirmation, mbYes | mbNo), MsgResult::Yes);

    const auto shown = fake.messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Cancelar operação?");
    EXPECT_EQ(shown[0].type, MsgType::Confirmation);
    EXPECT_EQ(shown[0].buttons, mbYes | mbNo);
    EXPECT_EQ(shown[0].answer, MsgResult::No);
    EXPECT_EQ(shown[1].answer, MsgResult::Yes);

    EXPECT_EQ(contratanteMessages().ShowMsg("Cli_n_Cad", MsgType::Information, mbOK, 0),
              MsgResult::Ok);
    EXPECT_EQ(fake.lastMessage(),
              "A inscrição não existe. O contratante será incluído no cadastro de cliente.");
}

} // namespace
} // namespace ct
