#include "messages/messages.h"

// Texts are shown exactly as stored, spacing and punctuation included.

namespace ct {

Messages contratanteMessages() {
    return Messages{
        "FILI_N_INF|Filial deve ser informada.",
        "FILI_N_CAD|Filial não cadastrada.",
        "ORCA_N_INF|Orçamento deve ser informado.",
        "ORCA_N_CAD|Orçamento não cadastrado.",
        "CLIE|Contratante",
        "Insc_N_Inf|Inscrição deve ser informada.",
        "Ende_N_Inf|Endereço deve ser informado.",
        "Pais_N_Inf|País deve ser informado.",
        "Bair_N_Inf|Bairro deve ser informado.",
        "Tel_N_Inf|Telefone deve ser informado.",
        "Est_N_Inf|Estado deve ser informado.",
        "Pais_Cad|País não cadastrado.",
        "Estado_Cad|Estado não cadastrado.",
        "Municipio_Cad|Município não cadastrado.",
        "Muni_N_Inf|Município deve ser informado.",
        "BAIR_N_CAD|Bairro não cadastrado.",
        "LANCADO|Lançado",
        "CNTGERADA|Conta Gerada",
        "CANCELADO|Cancelada",
        "Excl|Confirma exclusão?",
        "DEVOLVIDO|Devolvido",
        "CLIE_INF|Cliente deve ser informado.",
        "CLIE_N_CAD|Cliente não cadastrado.",
        "IMP_CLIE_CONTRATANTE|Deseja gravar o cliente do orçamento como contratante?",
        "N_PARAM_VRNOTA_ZERO|Existem contratantes sem valor informado ou com o valor igual a zero.",
        "Cli_n_Cad|A inscrição não existe. O contratante será incluído no cadastro de cliente.",
        "CONTRAT_JA_CAD|Contratante já cadastrado para o orçamento.",
        "CNTGERADA_SUCESSO|Contas geradas com sucesso.",
        "RECEBER_ZERO|Não há recebimento para o contratante selecionado.",
        "CANCELA_CONTRATANTE|As contas a receber em aberto do contratante serão excluídas. Deseja "
        "cancelar o contratante?",
        "GERAR_CONTA|Deseja gerar as contas a receber para todos os contratantes?",
        "NOME_N_INF|Nome do contratante deve ser informado.",
        "DIA_MAIOR_31|Dia do vencimento deve ser menor ou igual a 31.",
        "N_PARAM_AJUSTEREC|Não há tipo de ajuste cadastrado para o fechamento. Fechamento não pode "
        "ser realizado.",
        "N_PARAM_PED|Não há parametrização de pedidos para a filial %s. Operação Bloqueada.",
        "N_PARAM_SERIEENTR|Não há série padrão parametrizada para filial informada.Informe a série "
        "na tela de Parâmetros do Orçamento",
        "N_PARAM_TIPOOPER|Não há tipo de operação parametrizado na tela de Parâmetros do Orçamento "
        "de Eventos.",
        "N_PARAM_TPCTREC|Não há tipo de conta a receber parametrizado para o tipo de operação "
        "(%s).",
        "N_PARAM_CONTAREC|Não há conta a receber para fazer o ajuste. Fechamento não pode ser "
        "realizado.",
        "N_PARAM_SERIE|Não há série padrão cadastrada para a filial informada. Informe a série "
        "padrão na tela de Cadastro de Filial.",
        "N_PARAM_TPCTPAG|Não há tipo de conta a pagar parametrizado para o tipo de operação de "
        "entrada.",
        "N_PARAM_TIPOOPERPAG|Tipo de operação de entrada deve ser informado na tela de Parâmetros "
        "do Orçamento.",
        "N_PARAM_VRNOTA_ZERO|Existem contratantes sem valor informado.",
        "VALORSEQ_DIFER_VRORCA|A soma do valor cobrado dos contratantes é diferente do valor "
        "realizado do orçamento. Operação bloqueada.",
        "VALORTOTAL_DIFER_VRORCA|A soma do valor cobrado dos contratantes é diferente do valor "
        "realizado do orçamento. Operação bloqueada.",
        "N_PARAM_CONTARECBAIXADA|Conta a receber não pode ser cancelada, a conta já foi baixada.",
        "GERAR_CNT_CONVEXT|Gerar conta para convidado extra?",
        "CNTGERADA_CONVEXTSUCESS|Conta gerada com sucesso.",
        "CANCELA_CONTRATANTES|As contas a receber em aberto dos contratantes serão excluídas. "
        "Deseja cancelar os contratantes selecionados?",
        "CONT_N_SEL|Contratante deve ser selecionado",
        "CANCELADA|Cancelada",
        "Desj_Excl_Item|Deseja excluir o contratante selecionado ?",
        "Desj_Excl_Itens|Deseja excluir os contratantes selecionados ?",
        "VLR_J_RAT|Valor total já rateado",
        "CONT_J_CAD|Contratante já cadastrado.",
        "VALOR_INV|Não é possível gerar parcelas para valores zerados ou negativos.",
        "QT_PARC_INV|Quantidade inválida de parcelas.",
        "PRAZO_INF|Ao menos uma parcela da forma de pagamento deve ser informada.",
        "PRAZO_JCAD|Prazo já informado.",
        "VALOR_INV_CONT|A soma das parcelas deve ser igual ao valor cobrado do contratante.",
        "VENC_INV_CONT|A data de vencimento da parcela deve ser maior ou igual a data atual.",
        "PARC_FIX_INF|Dados da parcela fixa devem ser informados.",
        "PARC_ATU|O valor das parcelas do contratante %s deve ser atualizado.",
        "INF_PAG_INV|O valor total parcelado de alguns contratantes difere do valor cobrado.",
        "Prazo_menor|Prazo deve ser maior que zero.",
        "ATUALIZA_PARCELA|O valor das parcelas de um ou mais contratantes será atualizado.",
        "Atualizando_parcelas|Atualizando parcelas.",
        "CONTRAT_EMITIDO|O contratante %s possui contrato(s) emitido(s). Deseja apagar o(s) "
        "contrato(s) emitido(s) do contratante?",
        "CONTRAT_EMITIDOS|Os contratantes %s possuem contrato(s) emitido(s). Deseja apagar os "
        "contratos emitidos de todos os contratantes?",
        "VALOR_COBRADO_MENOR|Todos os contratantes devem ter valor cobrado menor que zero. "
        "Operação bloqueada.",
        "CONTRAT_CANCELADO|Todos os contratantes estão cancelados. Ao menos um contratante deve "
        "ser incluído.",
        "N_PARAM_TIPOOPERORENEG|Tipo de operação de saída deve ser informado na tela de parâmetros "
        "do Orçamento",
        "N_PARAM_TPCTPAGNEG|Não há tipo de conta a pagar parametrizado para o tipo de operação de "
        "saída.",
        "CONV_N_INF|Existem contratantes sem a quantidade de convidados informada.",
        "CONV_INV|Quantidade inválida para o número de convidados.",
        "Prazo_n_inf|Prazo deve ser informado.",
        "QT_CONTR_DIF|Quantidade de contratantes informada difere da quantidade do lançamento.",
        "CONV_DIF|A soma da quantidade de convidados dos contratantes difere da quantidade de "
        "convidados do orçamento.",
        "CONV_MAI|A soma dos convidados dos contratantes é maior que a quantidade de convidados do "
        "orçamento.",
        "EMPR_NAO_CAD|Empresa não cadastrada.",
        "EMPR_DEVE|Empresa deve ser informada.",
        "N_PARAM_CDEMPRESAORCA|Não foi gravado o código da empresa informada na tela do "
        "Contratante.",
        "N_PARAM_NRINSCESTA|Não há Inscrição Estadual cadastrada para a Empresa informada.",
        "N_PARAM_EMPRESARELAC|Empresa ou sua Inscrição Estadual  não esta relacionada a filial.",
        "N_CONTR|Contratante deve ser informado.",
        "CONV_QTD_ZERO|Existem contratantes com a quantidade de convidados igual a zero.",
        "VRNOTA_ZERO|Existem contratantes sem valor informado ou com valor igual a zero.",
        "ExclPgto|Ao excluir a parcela o sistema fará com que o valor da mesma seja transferido "
        "para a última parcela. Deseja  prosseguir com a exclusão?",
        "CONV_ADULTO_ZERO|Quantidade total de convites adicionais para adultos deve ser informada.",
        "CONV_CRIANCA_ZERO|Quantidade total de convites adicionais para crianças deve ser "
        "informada.",
        "CONV_ADULTO_DIF|Quantidade de convites adicionais para adultos é diferente da quantidade "
        "lançada.",
        "CONV_CRIANCA_DIF|Quantidade de convites adicionais para crianças é diferente da "
        "quantidade lançada.",
        "EXIST_ORCA_DISTRATO|Existem orçamentos gerados pelo distrato. Para poder trocar o "
        "responsável pelas cotas esses orçamentos devem ser excluídos. Operação bloqueada.",
        "RESP_COTAS_ORCA_FECH|O responsável pelas cotas não pode ser alterado, pois o mesmo já "
        "possui contas geradas em algum sequencial do orçamento. Para que seja possível alterar o "
        "responsável pelas cotas, deve-se cancelar o as contas dos sequenciais em que o mesmo se "
        "encontra. Operação bloqueada.",
    };
}

Messages standardMessages() {
    return Messages{
        "Excl|Confirma exclusão?",
        "Canc|Cancelar operação?",
        "Cli_n_Cad|Contratante não cadastrado. Deseja incluir o contratante no cadastro de "
        "clientes?",
    };
}

Messages refundMessages() {
    return Messages{
        "MULTA_NEGATIVO|Multa deve ser maior ou igual a zero.",
        "VRDEVOL_NEGATIVO|Valor da devolução deve ser maior ou igual a zero.",
        "RECEBER_ZERO|Não há recebimento para o contratante selecionado.",
    };
}

} // namespace ct
