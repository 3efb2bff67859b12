#include "messages/messages.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace ct {
namespace {

std::vector<std::string> keysOf(const Messages& m) {
    std::vector<std::string> keys;
    for (const auto& e : m.entries())
        keys.push_back(e.key);
    return keys;
}

std::size_t indexOf(const std::vector<std::string>& keys, const std::string& key) {
    return static_cast<std::size_t>(std::find(keys.begin(), keys.end(), key) - keys.begin());
}

TEST(Catalogues, EntryCounts) {
    EXPECT_EQ(contratanteMessages().size(), 94u);
    EXPECT_EQ(standardMessages().size(), 3u);
    EXPECT_EQ(refundMessages().size(), 3u);
}

TEST(Catalogues, ScreenCatalogueKeepsStoredOrder) {
    const auto keys = keysOf(contratanteMessages());
    ASSERT_EQ(keys.size(), 94u);
    EXPECT_EQ(keys.front(), "FILI_N_INF");
    EXPECT_EQ(keys[1], "FILI_N_CAD");
    EXPECT_EQ(keys[4], "CLIE");
    EXPECT_EQ(keys[19], "Excl");
    EXPECT_EQ(keys[25], "Cli_n_Cad");
    EXPECT_EQ(keys[34], "N_PARAM_PED");
    EXPECT_EQ(keys[92], "EXIST_ORCA_DISTRATO");
    EXPECT_EQ(keys.back(), "RESP_COTAS_ORCA_FECH");
    // A few neighbours whose order is easy to disturb.
    EXPECT_LT(indexOf(keys, "CNTGERADA"), indexOf(keys, "CANCELADO"));
    EXPECT_LT(indexOf(keys, "CANCELADO"), indexOf(keys, "Excl"));
    EXPECT_LT(indexOf(keys, "Excl"), indexOf(keys, "DEVOLVIDO"));
    EXPECT_EQ(indexOf(keys, "VALORSEQ_DIFER_VRORCA") + 1, indexOf(keys, "VALORTOTAL_DIFER_VRORCA"));
    EXPECT_EQ(indexOf(keys, "Desj_Excl_Item") + 1, indexOf(keys, "Desj_Excl_Itens"));
}

TEST(Catalogues, DuplicatedKeyIsStoredTwiceAndTheFirstTextWins) {
    const Messages m = contratanteMessages();
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < m.entries().size(); ++i)
        if (m.entries()[i].key == "N_PARAM_VRNOTA_ZERO")
            at.push_back(i);
    ASSERT_EQ(at.size(), 2u);
    EXPECT_EQ(at[0], 24u);
    EXPECT_EQ(at[1], 42u);
    EXPECT_EQ(m.entries()[at[0]].text,
              "Existem contratantes sem valor informado ou com o valor igual a zero.");
    EXPECT_EQ(m.entries()[at[1]].text, "Existem contratantes sem valor informado.");
    EXPECT_EQ(m.Msg("N_PARAM_VRNOTA_ZERO"),
              "Existem contratantes sem valor informado ou com o valor igual a zero.");

    // Every other key occurs once (case ignored, as lookups do).
    std::set<std::string> lower;
    for (const auto& e : m.entries()) {
        std::string k = e.key;
        std::transform(k.begin(), k.end(), k.begin(), ::tolower);
        lower.insert(k);
    }
    EXPECT_EQ(lower.size(), 93u);
}

TEST(Catalogues, TextsWithEasilyLostSpacingAndPunctuation) {
    const Messages m = contratanteMessages();
    EXPECT_EQ(m.Msg("Desj_Excl_Item"), "Deseja excluir o contratante selecionado ?");
    EXPECT_EQ(m.Msg("Desj_Excl_Itens"), "Deseja excluir os contratantes selecionados ?");
    EXPECT_EQ(m.Msg("N_PARAM_EMPRESARELAC"),
              "Empresa ou sua Inscrição Estadual  não esta relacionada a filial.");
    EXPECT_EQ(m.Msg("ExclPgto"),
              "Ao excluir a parcela o sistema fará com que o valor da mesma seja transferido "
              "para a última parcela. Deseja  prosseguir com a exclusão?");
    EXPECT_EQ(m.Msg("N_PARAM_SERIEENTR"),
              "Não há série padrão parametrizada para filial informada.Informe a série na tela "
              "de Parâmetros do Orçamento");
    EXPECT_EQ(m.Msg("CONT_N_SEL"), "Contratante deve ser selecionado");
    EXPECT_EQ(m.Msg("VLR_J_RAT"), "Valor total já rateado");
    EXPECT_EQ(m.Msg("N_PARAM_TIPOOPERORENEG"),
              "Tipo de operação de saída deve ser informado na tela de parâmetros do Orçamento");
    EXPECT_EQ(m.Msg("RESP_COTAS_ORCA_FECH"),
              "O responsável pelas cotas não pode ser alterado, pois o mesmo já possui contas "
              "geradas em algum sequencial do orçamento. Para que seja possível alterar o "
              "responsável pelas cotas, deve-se cancelar o as contas dos sequenciais em que o "
              "mesmo se encontra. Operação bloqueada.");
    EXPECT_EQ(m.Msg("CONTRAT_EMITIDOS"),
              "Os contratantes %s possuem contrato(s) emitido(s). Deseja apagar os contratos "
              "emitidos de todos os contratantes?");
    EXPECT_EQ(m.Msg("N_PARAM_PED"),
              "Não há parametrização de pedidos para a filial %s. Operação Bloqueada.");
    EXPECT_EQ(m.Msg("N_PARAM_TPCTREC"),
              "Não há tipo de conta a receber parametrizado para o tipo de operação (%s).");
}

TEST(Catalogues, StatusTexts) {
    const Messages m = contratanteMessages();
    EXPECT_EQ(m.Msg("LANCADO"), "Lançado");
    EXPECT_EQ(m.Msg("CNTGERADA"), "Conta Gerada");
    EXPECT_EQ(m.Msg("CANCELADO"), "Cancelada");
    EXPECT_EQ(m.Msg("DEVOLVIDO"), "Devolvido");
    EXPECT_EQ(m.Msg("CANCELADA"), "Cancelada");
}

TEST(Catalogues, SameKeysDifferBetweenCatalogues) {
    const Messages screen = contratanteMessages();
    const Messages standard = standardMessages();
    EXPECT_EQ(screen.Msg("Cli_n_Cad"),
              "A inscrição não existe. O contratante será incluído no cadastro de cliente.");
    EXPECT_EQ(standard.Msg("Cli_n_Cad"),
              "Contratante não cadastrado. Deseja incluir o contratante no cadastro de clientes?");
    EXPECT_EQ(standard.Msg("Canc"), "Cancelar operação?");
    EXPECT_EQ(standard.Msg("Excl"), "Confirma exclusão?");
    EXPECT_EQ(keysOf(standard), (std::vector<std::string>{"Excl", "Canc", "Cli_n_Cad"}));
    EXPECT_FALSE(screen.contains("Canc"));
}

TEST(Catalogues, RefundDialog) {
    const Messages m = refundMessages();
    EXPECT_EQ(keysOf(m),
              (std::vector<std::string>{"MULTA_NEGATIVO", "VRDEVOL_NEGATIVO", "RECEBER_ZERO"}));
    EXPECT_EQ(m.Msg("MULTA_NEGATIVO"), "Multa deve ser maior ou igual a zero.");
    EXPECT_EQ(m.Msg("VRDEVOL_NEGATIVO"), "Valor da devolução deve ser maior ou igual a zero.");
    EXPECT_EQ(m.Msg("RECEBER_ZERO"), "Não há recebimento para o contratante selecionado.");
}

TEST(Catalogues, KeysAskedInOtherLetterCases) {
    const Messages m = contratanteMessages();
    EXPECT_EQ(m.Msg("Pais_N_inf"), "País deve ser informado.");
    EXPECT_EQ(m.Msg("pAIS_n_INF"), "País deve ser informado.");
    EXPECT_EQ(m.Msg("Pais_cad"), "País não cadastrado.");
    EXPECT_EQ(m.Msg("Est_N_inf"), "Estado deve ser informado.");
    EXPECT_EQ(m.Msg("Estado_cad"), "Estado não cadastrado.");
    EXPECT_EQ(m.Msg("BAIR_N_CAd"), "Bairro não cadastrado.");
    EXPECT_EQ(m.Msg("Prazo_JCAD"), "Prazo já informado.");
    EXPECT_EQ(m.Msg("prazo_menor"), "Prazo deve ser maior que zero.");
}

TEST(Catalogues, ClientSearchSubtitleKeyHasNoEntry) {
    const Messages m = contratanteMessages();
    EXPECT_FALSE(m.contains("CLI_CAD"));
    EXPECT_EQ(m.Msg("CLI_CAD"), "");
    EXPECT_EQ(m.Msg("CLIE") + "|" + m.Msg("CLI_CAD"), "Contratante|");
}

} // namespace
} // namespace ct
