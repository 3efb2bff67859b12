#include "module/frm_contratante.h"

#include "budget/budget_fields.h"
#include "messages/messages.h"
#include "parties/last_change.h"
#include "parties/record_fields.h"

#include <algorithm>
#include <cctype>

namespace ct {
namespace {

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

TfrmContratante::TfrmContratante()
    : TfrmPadraoGrid("frmContratante", "Contratante", "PRQ31000")
    , netContratante("PRQ31000.rdmContratante")
    , cdsEndeCont("cdsEndeCont", partyFields())
    , cdsFormaPagto("cdsFormaPagto", installmentFields())
    , cdsAuxFormaPagto("cdsAuxFormaPagto", installmentFields())
    , cdsTotalRateado("cdsTotalRateado", budgetTotalsFields())
    , cdsLiderTurma("cdsLiderTurma", quotaResponsibleFields())
    , cdsCliente("cdsCliente", clientListFields())
    , cdsContSub("cdsContSub", clientListFields())
    , cdsVdCliente("cdsVdCliente", foundClientFields())
    , cdsEndeClie("cdsEndeClie", clientAddressFields())
    , cdsNovoClie("cdsNovoClie", newClientFields())
    , cdsContratJaCad("cdsContratJaCad", partiesUsingClientFields())
    , cdsVdContratante("cdsVdContratante", foundPartyFields())
    , cdsPesqOrca("cdsPesqOrca", budgetSearchFields())
    , cdsVdOrcaEven("cdsVdOrcaEven", budgetFoundFields())
    , cdsPesqEmpresa("cdsPesqEmpresa", companyFields())
    , cdsEndeFili("cdsEndeFili", branchAddressFields())
    , cdsParamOrca("cdsParamOrca", budgetParameterFields())
    , cdsEmpresaOrca("cdsEmpresaOrca", budgetCompanyFields())
    , cdsContagerada("cdsContagerada")
    , cdsVrConta("cdsVrConta", receivedValueFields())
    , cdsUltAlteracao("cdsUltAlteracao", lastChangeFields())
    , dtsFormaPagto(&cdsFormaPagto)
    , dtsCliente(&cdsCliente)
    , dtsContSub(&cdsContSub)
    , qryPesqFilial("qryPesqFilial")
    , qryFilial("qryFilial")
    , qryEmpresa("qryEmpresa")
    , qryPais("qryPais")
    , qryEstado("qryEstado")
    , qryMunicipio("qryMunicipio")
    , qryBairro("qryBairro")
    , qryVdBairro("qryVdBairro")
    , btnRatear(panMenu, "btnRatear", "Ratear Valor")
    , btnConvExtra(panMenu, "btnConvExtra", "Gerar Conta Extra")
    , btnDevolucao(panMenu, "btnDevolucao", "Conta de Devolução")
    , sbtRespCotas(panMenu, "sbtRespCotas", "Definir Responsável pelas Cotas")
    , sbtTrocaRespCotas(panMenu, "sbtTrocaRespCotas", "Alterar Responsável pelas Cotas")
    , btnCancelaCont(panMenu, "btnCancelaCont", "Cancelar Contratante")
    , btnGerarConta(panMenu, "btnGerarConta", "Gerar Conta")
    , mnuRatear(mnuOperacao, "mnuRatear", "Ratear &Valor", "Ctrl+R")
    , mnuConvExtra(mnuOperacao, "mnuConvExtra", "Gerar Conta E&xtra", "Ctrl+E")
    , mnuDevolucao(mnuOperacao, "mnuDevolucao", "Conta de &Devolução", "Ctrl+D")
    , mnuGerarConta(mnuOperacao, "mnuGerarConta", "&Gerar Conta", "Ctrl+G")
    , mnuCancelaCont(mnuOperacao, "mnuCancelaCont", "Cance&lar Contratante", "Ctrl+N")
    , mnuSepLista(mnuOperacao, "mnuSepLista", "-")
    , mnuImportarLista(mnuOperacao, "mnuImportarLista", "&Importar Lista...")
    , mnuExportarLista(mnuOperacao, "mnuExportarLista", "Exp&ortar Lista...")
    , panFiltro(*this, "panFiltro")
    , lblFilial(panFiltro, "lblFilial", "Filial")
    , medCdFilial(panFiltro, "medCdFilial")
    , btnFilial(panFiltro, "btnFilial", "Filial")
    , lblEmpresa(panFiltro, "lblEmpresa", "Empresa")
    , medCdEmpresa(panFiltro, "medCdEmpresa")
    , btpEmpresa(panFiltro, "btpEmpresa", "Empresa")
    , lblNrOrcamento(panFiltro, "lblNrOrcamento", "Nr. Orçamento")
    , edtNrOrcamento(panFiltro, "edtNrOrcamento")
    , btnNrOrcamento(panFiltro, "btnNrOrcamento", "Nr. Orçamento")
    , edtNmFilial(panFiltro, "edtNmFilial")
    , lblVrReali(panFiltro, "lblVrReali", "Valor Realizado")
    , nedVrReali(panFiltro, "nedVrReali", 2)
    , edtNmEmpresa(panFiltro, "edtNmEmpresa")
    , dbtNome(*this, "dbtNome", &dtsPadrao, "NMFANTCLIE")
    , panTotais(tbsPadrao, "panTotais")
    , lblQtContratantes(panTotais, "lblQtContratantes", "Qt.Contratantes")
    , nedQtContratantes(panTotais, "nedQtContratantes", 0)
    , lblTotConv(panTotais, "lblTotConv", "Qt.Convidados")
    , nedTotConv(panTotais, "nedTotConv", 0)
    , lblTotRateado(panTotais, "lblTotRateado", "Total Rateado")
    , nedTotRateado(panTotais, "nedTotRateado", 2)
    , gpbDadosCont(tbsPadrao, "gpbDadosCont")
    , lblEndereco(gpbDadosCont, "lblEndereco", "Endereço")
    , dbeEndereco(gpbDadosCont, "dbeEndereco", &dtsPadrao, "DSENDECLIORE")
    , lblComp(gpbDadosCont, "lblComp", "Complemento")
    , dbeComp(gpbDadosCont, "dbeComp", &dtsPadrao, "DSCOENDCLORE")
    , lblPais(gpbDadosCont, "lblPais", "País")
    , dbeCodPais(gpbDadosCont, "dbeCodPais", &dtsPadrao, "CDPAIS")
    , btnPais(gpbDadosCont, "btnPais", "País")
    , dbeNmPais(gpbDadosCont, "dbeNmPais", &dtsPadrao, "NMPAIS")
    , lblEstado(gpbDadosCont, "lblEstado", "Estado")
    , dbeEstado(gpbDadosCont, "dbeEstado", &dtsPadrao, "SGESTADO")
    , btnEstado(gpbDadosCont, "btnEstado", "Estado")
    , lblMunicipio(gpbDadosCont, "lblMunicipio", "Município")
    , dbeCodMun(gpbDadosCont, "dbeCodMun", &dtsPadrao, "CDMUNICIPIO")
    , btnMunicipio(gpbDadosCont, "btnMunicipio", "Município")
    , debNmMun(gpbDadosCont, "debNmMun", &dtsPadrao, "NMMUNICIPIO")
    , lblBairro(gpbDadosCont, "lblBairro", "Bairro")
    , dbeCodBairro(gpbDadosCont, "dbeCodBairro", &dtsPadrao, "CDBAIRRO")
    , btnBairro(gpbDadosCont, "btnBairro", "Bairro")
    , dbeNmBairro(gpbDadosCont, "dbeNmBairro", &dtsPadrao, "NMBAIRRO")
    , lblCep(gpbDadosCont, "lblCep", "CEP")
    , dbeCep(gpbDadosCont, "dbeCep", &dtsPadrao, "NRCEPCLIEORE")
    , lblTel1(gpbDadosCont, "lblTel1", "Tel/Ramal(1)")
    , debTel1(gpbDadosCont, "debTel1", &dtsPadrao, "NRTELECLIORE")
    , dbeRamal1(gpbDadosCont, "dbeRamal1", &dtsPadrao, "NRRAMACLIORE")
    , lblTel2(gpbDadosCont, "lblTel2", "Tel/Ramal(2)")
    , dbeTel2(gpbDadosCont, "dbeTel2", &dtsPadrao, "NRTELECLIOR1")
    , dbeRamal2(gpbDadosCont, "dbeRamal2", &dtsPadrao, "NRRAMACLIOR1")
    , lblTelRes(gpbDadosCont, "lblTelRes", "Residencial")
    , dbeTelRes(gpbDadosCont, "dbeTelRes", &dtsPadrao, "NRTELERESOR1")
    , lblCel(gpbDadosCont, "lblCel", "Celular")
    , dbeCel(gpbDadosCont, "dbeCel", &dtsPadrao, "NRCELCLIORE1")
    , lblFax(gpbDadosCont, "lblFax", "Fax")
    , dbeFax(gpbDadosCont, "dbeFax", &dtsPadrao, "NRFAXCLIEORE")
    , lblEmail1(gpbDadosCont, "lblEmail1", "E-mail 1")
    , dbeEmail1(gpbDadosCont, "dbeEmail1", &dtsPadrao, "DSEMAILCLOR1")
    , lblEmail2(gpbDadosCont, "lblEmail2", "E-mail 2")
    , dbeEmail2(gpbDadosCont, "dbeEmail2", &dtsPadrao, "DSEMAILCLOR2")
    , lblNmCont(gpbDadosCont, "lblNmCont", "Contato")
    , dbeNmCont(gpbDadosCont, "dbeNmCont", &dtsPadrao, "NMCONTCLIORE")
    , lblContSub(gpbDadosCont, "lblContSub", "Contratante Substituto")
    , dbeContSub(gpbDadosCont, "dbeContSub", &dtsPadrao, "NMFANTSUB")
    , btnContSub(gpbDadosCont, "btnContSub", "Contratante")
    , panFormaPagamento(tbsPadrao, "panFormaPagamento")
    , grbParamForma(panFormaPagamento, "grbParamForma", "Forma de Pagamento")
    , rbtAvista(grbParamForma, "rbtAvista", "Sem Forma de Pagto")
    , rbtDiaFixo(grbParamForma, "rbtDiaFixo", "Pagar Fixo no Dia")
    , speDiaPagto(grbParamForma, "speDiaPagto", 1, 31)
    , lblCom(grbParamForma, "lblCom", "com")
    , speNrParcelas(grbParamForma, "speNrParcelas", 1, 99)
    , lblParcelas(grbParamForma, "lblParcelas", "Parcelas(s)")
    , lblAbreParenteses(grbParamForma, "lblAbreParenteses", "(")
    , dckProxMes(grbParamForma, "dckProxMes", &dtsPadrao, "IDMESVENCONOREV", "PROXIMO", "ATUAL")
    , rbtFormaVar(grbParamForma, "rbtFormaVar", "Pela Forma de Pagamento")
    , grbParcAuto(grbParamForma, "grbParcAuto", "Geração Automática de Parcelas")
    , lblQtParcela(grbParcAuto, "lblQtParcela", "Qt. Parcelas")
    , nedQtParcela(grbParcAuto, "nedQtParcela", 0)
    , lblPrazo(grbParcAuto, "lblPrazo", "Prazo (dias)")
    , nedPrazo(grbParcAuto, "nedPrazo", 0)
    , lblObservacao(grbParcAuto, "lblObservacao", "Obs.")
    , edtObservacao(grbParcAuto, "edtObservacao")
    , sbtGeraParc(grbParcAuto, "sbtGeraParc", "Gerar Parcelas")
    , dbgFormPgto(panFormaPagamento, "dbgFormPgto", &dtsFormaPagto)
    , imgCheck(*this, "imgCheck")
    , imgUncheck(*this, "imgUncheck")
    , lblUltAlteracao(*this, "lblUltAlteracao")
    , lastChangeFollower(dbgPadrao, [this](Control&, Property property) {
        if (property == Property::Data)
            showLastChange();
    }) {
    msgPadrao = contratanteMessages();
    useLookupConnection();
    buildLookupQueries();
    buildToolbar();
    buildFilterPanel();
    buildPartyRecord();
    buildAddressGroup();
    buildPaymentPanel();
    buildCheckPictures();
    bindEvents();
}

TfrmContratante::~TfrmContratante() {
    // The installments' source outlives the grid declared after it: its last notice, as it lets go
    // of its data set, must not reach the screen.
    dtsFormaPagto.onStateChange = nullptr;
}

std::vector<std::string> TfrmContratante::dataSetNames() const {
    return {"cdsEndeCont",     "cdsFormaPagto",  "cdsAuxFormaPagto", "cdsTotalRateado",
            "cdsLiderTurma",   "cdsCliente",     "cdsContSub",       "cdsVdCliente",
            "cdsEndeClie",     "cdsNovoClie",    "cdsContratJaCad",  "cdsVdContratante",
            "cdsPesqOrca",     "cdsVdOrcaEven",  "cdsPesqEmpresa",   "cdsEndeFili",
            "cdsParamOrca",    "cdsEmpresaOrca", "cdsContagerada",   "cdsVrConta",
            "cdsUltAlteracao", "qryPesqFilial",  "qryFilial",        "qryEmpresa",
            "qryPais",         "qryEstado",      "qryMunicipio",     "qryBairro",
            "qryVdBairro"};
}

DataSet* TfrmContratante::dataSetByName(std::string_view name) {
    DataSet* const sets[] = {&cdsEndeCont,
                             &cdsFormaPagto,
                             &cdsAuxFormaPagto,
                             &cdsTotalRateado,
                             &cdsLiderTurma,
                             &cdsCliente,
                             &cdsContSub,
                             &cdsVdCliente,
                             &cdsEndeClie,
                             &cdsNovoClie,
                             &cdsContratJaCad,
                             &cdsVdContratante,
                             &cdsPesqOrca,
                             &cdsVdOrcaEven,
                             &cdsPesqEmpresa,
                             &cdsEndeFili,
                             &cdsParamOrca,
                             &cdsEmpresaOrca,
                             &cdsContagerada,
                             &cdsVrConta,
                             &cdsUltAlteracao,
                             &qryPesqFilial.dataSet(),
                             &qryFilial.dataSet(),
                             &qryEmpresa.dataSet(),
                             &qryPais.dataSet(),
                             &qryEstado.dataSet(),
                             &qryMunicipio.dataSet(),
                             &qryBairro.dataSet(),
                             &qryVdBairro.dataSet()};
    const std::vector<std::string> names = dataSetNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (sameName(names[i], name))
            return sets[i];
    return nullptr;
}

} // namespace ct
