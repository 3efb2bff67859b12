// The screen as declared: the rule of the working sequence, and every control, data set and
// command reachable by name, as scripted sessions find them.
#include "module/frm_contratante.h"
#include "module/working_sequence.h"
#include "platform/host/dates.h"
#include "platform/ui/keys.h"

#include <gtest/gtest.h>
#include <set>

namespace ct {
namespace {

TEST(WorkingSequence, TheEntrySequenceAppliesOnlyToTheEntryBudget) {
    EXPECT_EQ(workingSequence("0000000100", "0000000100", "01"), "01");
    EXPECT_EQ(workingSequence("0000000100", "0000000100", "00"), "00");
    EXPECT_EQ(workingSequence("0000000400", "0000000100", "01"), "00");
    // Compared as typed: another spelling of the number is another budget.
    EXPECT_EQ(workingSequence("100", "0000000100", "01"), "00");
    EXPECT_EQ(workingSequence("", "", "02"), "02");
}

TEST(WorkingSequence, TheScreenAppliesItToWhatTheBudgetFieldShows) {
    TfrmContratante form;
    form.stNrOrca = "0000000100";
    form.stNrSeq = "01";
    form.edtNrOrcamento.setText("0000000100");
    form.applyWorkingSequence();
    EXPECT_EQ(form.stNrSeqOrca, "01");
    form.edtNrOrcamento.setText("0000000200");
    form.applyWorkingSequence();
    EXPECT_EQ(form.stNrSeqOrca, "00");
    form.edtNrOrcamento.setText("0000000100");
    form.applyWorkingSequence();
    EXPECT_EQ(form.stNrSeqOrca, "01");
}

TEST(ServerAnswers, YesAndNoAnswersReadAsBooleans) {
    using nlohmann::json;
    for (const json& yes :
         {json(true), json(1), json(2.5), json("S"), json("t"), json("True"), json("1")})
        EXPECT_TRUE(answerAsBool(yes)) << yes.dump();
    for (const json& no :
         {json(false), json(0), json("N"), json(""), json(nullptr), json::array(), json("sim")})
        EXPECT_FALSE(answerAsBool(no)) << no.dump();
}

TEST(ServerAnswers, AMissingElementOfAResultArrayIsAClearError) {
    const nlohmann::json answer = nlohmann::json::array({true});
    EXPECT_EQ(resultElement(answer, 0, "GetSituacaoOrca"), true);
    try {
        resultElement(answer, 1, "GetSituacaoOrca");
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("GetSituacaoOrca"), std::string::npos);
    }
    EXPECT_THROW(resultElement(nlohmann::json("x"), 0, "GetVrTotal"), std::runtime_error);
}

TEST(ScreenDeclaration, EveryNamedControlIsFoundByName) {
    TfrmContratante form;
    const char* names[] = {"panFiltro",         "medCdFilial",    "btnFilial",
                           "medCdEmpresa",      "btpEmpresa",     "edtNrOrcamento",
                           "btnNrOrcamento",    "edtNmFilial",    "nedVrReali",
                           "edtNmEmpresa",      "dbgPadrao",      "dtsPadrao",
                           "dbnPadrao",         "dbtNome",        "nedQtContratantes",
                           "nedTotConv",        "nedTotRateado",  "gpbDadosCont",
                           "dbeEndereco",       "dbeComp",        "dbeCodPais",
                           "btnPais",           "dbeNmPais",      "dbeEstado",
                           "btnEstado",         "dbeCodMun",      "btnMunicipio",
                           "debNmMun",          "dbeCodBairro",   "btnBairro",
                           "dbeNmBairro",       "dbeCep",         "debTel1",
                           "dbeRamal1",         "dbeTel2",        "dbeRamal2",
                           "dbeTelRes",         "dbeCel",         "dbeFax",
                           "dbeEmail1",         "dbeEmail2",      "dbeNmCont",
                           "lblContSub",        "dbeContSub",     "btnContSub",
                           "panFormaPagamento", "grbParamForma",  "rbtAvista",
                           "rbtDiaFixo",        "rbtFormaVar",    "speDiaPagto",
                           "speNrParcelas",     "dckProxMes",     "grbParcAuto",
                           "nedQtParcela",      "nedPrazo",       "edtObservacao",
                           "sbtGeraParc",       "dbgFormPgto",    "btnRatear",
                           "btnConvExtra",      "btnDevolucao",   "sbtRespCotas",
                           "sbtTrocaRespCotas", "btnCancelaCont", "btnGerarConta",
                           "mnuRatear",         "mnuConvExtra",   "mnuDevolucao",
                           "mnuGerarConta",     "mnuCancelaCont", "imgCheck",
                           "imgUncheck",        "sbtVerificar",   "mnuSair",
                           "lblCodTela"};
    for (const char* name : names) {
        if (std::string(name) == "dtsPadrao")
            continue; // a data source, not a control
        EXPECT_NE(form.find(name), nullptr) << name;
    }
    EXPECT_EQ(form.find("MEDCDFILIAL"), &form.medCdFilial);
}

TEST(ScreenDeclaration, EveryDataSetAndQueryIsFoundByName) {
    TfrmContratante form;
    std::set<DataSet*> distinct;
    for (const std::string& name : form.dataSetNames()) {
        DataSet* set = form.dataSetByName(name);
        ASSERT_NE(set, nullptr) << name;
        distinct.insert(set);
    }
    EXPECT_EQ(distinct.size(), form.dataSetNames().size());
    EXPECT_EQ(form.dataSetNames().size(), 29u); // the screen's 28 and cdsUltAlteracao
    EXPECT_EQ(form.dataSetByName("CDSENDECONT"), &form.cdsEndeCont);
    EXPECT_EQ(form.dataSetByName("qryPesqFilial"), &form.qryPesqFilial.dataSet());
    EXPECT_EQ(form.dataSetByName("cdsResult"), nullptr);
    EXPECT_EQ(form.dataSetByName(""), nullptr);
}

TEST(ScreenDeclaration, CommandsCarryTheirHintsCaptionsAndShortcuts) {
    TfrmContratante form;
    EXPECT_EQ(form.btnRatear.hint(), "Ratear Valor");
    EXPECT_EQ(form.btnConvExtra.hint(), "Gerar Conta Extra");
    EXPECT_EQ(form.btnDevolucao.hint(), "Conta de Devolução");
    EXPECT_EQ(form.sbtRespCotas.hint(), "Definir Responsável pelas Cotas");
    EXPECT_EQ(form.sbtTrocaRespCotas.hint(), "Alterar Responsável pelas Cotas");
    EXPECT_EQ(form.btnCancelaCont.hint(), "Cancelar Contratante");
    // The cancellation is offered on the toolbar; "Gerar Conta", which does nothing, is not.
    EXPECT_TRUE(form.btnCancelaCont.visible());
    EXPECT_EQ(form.btnGerarConta.hint(), "Gerar Conta");
    EXPECT_FALSE(form.btnGerarConta.visible());
    EXPECT_FALSE(form.mnuGerarConta.visible());
    EXPECT_EQ(form.sbtGeraParc.hint(), "Gerar Parcelas");

    struct Item {
        MenuItem& item;
        const char* caption;
        const char* shortcut;
    };
    for (const Item& m : {Item{form.mnuRatear, "Ratear &Valor", "Ctrl+R"},
                          Item{form.mnuConvExtra, "Gerar Conta E&xtra", "Ctrl+E"},
                          Item{form.mnuDevolucao, "Conta de &Devolução", "Ctrl+D"},
                          Item{form.mnuGerarConta, "&Gerar Conta", "Ctrl+G"},
                          Item{form.mnuCancelaCont, "Cance&lar Contratante", "Ctrl+N"}}) {
        EXPECT_EQ(m.item.caption(), m.caption);
        EXPECT_EQ(m.item.shortcut(), *Shortcut::parse(m.shortcut)) << m.caption;
    }
}

TEST(ScreenDeclaration, ControlsStartAsTheScreenIsDesigned) {
    TfrmContratante form;
    EXPECT_EQ(form.text(), "Contratante");
    EXPECT_EQ(form.medCdFilial.maxLength(), 4);
    EXPECT_EQ(form.medCdEmpresa.maxLength(), 2);
    EXPECT_EQ(form.edtNrOrcamento.maxLength(), 10);
    EXPECT_EQ(form.edtNrOrcamento.charCase(), CharCase::Upper);
    EXPECT_EQ(form.nedVrReali.decimals(), 2);
    EXPECT_TRUE(form.rbtAvista.checked());
    EXPECT_EQ(form.speDiaPagto.minValue(), 1);
    EXPECT_EQ(form.speDiaPagto.maxValue(), 31);
    EXPECT_EQ(form.speNrParcelas.maxValue(), 99);
    for (Control* off : std::initializer_list<Control*>{
             &form.speDiaPagto, &form.speNrParcelas, &form.dckProxMes, &form.dbeNmPais,
             &form.debNmMun, &form.dbeNmBairro, &form.dbeContSub})
        EXPECT_FALSE(off->enabled()) << off->name();
    EXPECT_EQ(form.dckProxMes.valueChecked(), "PROXIMO");
    EXPECT_EQ(form.dckProxMes.valueUnchecked(), "ATUAL");
    EXPECT_EQ(form.dckProxMes.dataField(), "IDMESVENCONOREV");
    EXPECT_EQ(form.dbgFormPgto.columnCount(), 5);
    EXPECT_TRUE(form.dbgFormPgto.column(1).readOnly());
    EXPECT_EQ(form.dbgFormPgto.column(2).width(), 80);
    EXPECT_EQ(form.imgCheck.picture().width, 16);
    EXPECT_EQ(form.imgUncheck.picture().at(0, 0), colors::clOlive);
    EXPECT_NE(form.imgCheck.picture().pixels, form.imgUncheck.picture().pixels);
    EXPECT_FALSE(form.imgCheck.visible());
    EXPECT_EQ(form.msgPadrao.Msg("FILI_N_CAD"), "Filial não cadastrada.");
    EXPECT_EQ(form.qryPesqFilial.paramNames(), std::vector<std::string>{"P_CDFILIAL"});
    EXPECT_EQ(form.qryEmpresa.paramNames(), std::vector<std::string>{"P_CDEMPRESA"});
}

TEST(ScreenDeclaration, CreationOpensTheConnectionWithTheHostsAddress) {
    TfrmContratante form;
    EXPECT_FALSE(form.netContratante.connected());
    form.FormCreate();
    EXPECT_TRUE(form.netContratante.connected());
    EXPECT_EQ(form.netContratante.serverName(), "PRQ31000.rdmContratante");
    EXPECT_EQ(form.cdsFormaPagto["DTVENCPARCCONT"].editMask(), DateMask());
    EXPECT_TRUE(form.cdsEndeClie.active());
    EXPECT_TRUE(form.cdsEndeClie.isEmpty());
    EXPECT_TRUE(form.cdsNovoClie.active());
}

} // namespace
} // namespace ct
