#include "platform/dataset/dataset.h"
#include "platform/host/dispatch.h"
#include "platform/host/fake_dialog_service.h"
#include "platform/ui/base_grid_form.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ct {
namespace {

struct Screen : TfrmPadraoGrid {
    DataSet cdsEndeCont{"cdsEndeCont",
                        {FieldDef::string("NRINSJURCLIE", 20, "Inscrição"),
                         FieldDef::string("NMFANTCLIE", 50, "Nome do Contratante")}};
    Edit edtFiltro{*this, "edtFiltro"};
    std::vector<std::string> log;

    Screen()
        : TfrmPadraoGrid("frmContratante", "Contratante", "PRQ31000") {
        cdsEndeCont.createDataSet();
        cdsEndeCont.appendRecord({"111", "Ana"});
        cdsEndeCont.appendRecord({"222", "Bia"});
        cdsEndeCont.mergeChangeLog();
        cdsEndeCont.first();
        dtsPadrao.setDataSet(&cdsEndeCont);
        dbgPadrao.addColumn("NRINSJURCLIE");
        dbgPadrao.addColumn("NMFANTCLIE");
        FormCreate();
    }

    void dtsPadraoStateChange() override {
        TfrmPadraoGrid::dtsPadraoStateChange();
        log.push_back("state");
    }
    void mnuSairClick() override {
        log.push_back("checks");
        TfrmPadraoGrid::mnuSairClick();
    }
};

TEST(StandardGridForm, HasTheNamedControls) {
    Screen s;
    for (const char* name :
         {"panMenu",      "sbtIncluir",    "sbtAlterar",  "sbtExcluir",   "sbtProcurar",
          "sbtVerificar", "sbtOrdenar",    "sbtCancelar", "sbtConfirmar", "sbtAjuda",
          "sbtImprimir",  "sbtFechar",     "mnuOperacao", "mnuListagem",  "mnuConfigImpressora",
          "mnuSair",      "mnuManutencao", "mnuIncluir",  "mnuAlterar",   "mnuExcluir",
          "mnuProcurar",  "mnuVerificar",  "mnuOrdenar",  "mnuCancelar",  "mnuConfirmar",
          "pgcPadrao",    "dbgPadrao",     "dbnPadrao",   "lblCodTela"})
        EXPECT_NE(s.find(name), nullptr) << name;
    EXPECT_TRUE(s.pgcPadrao.contains(s.dbgPadrao));
    EXPECT_TRUE(s.panMenu.contains(s.sbtIncluir));
    EXPECT_TRUE(s.mnuManutencao.contains(s.mnuConfirmar));
    EXPECT_EQ(s.lblCodTela.text(), "PRQ31000");
    EXPECT_EQ(s.msgMensagensPadroes.Msg("Canc"), "Cancelar operação?");
}

TEST(StandardGridForm, ConfirmAndCancelFollowTheDataSetState) {
    Screen s;
    EXPECT_FALSE(s.sbtConfirmar.enabled());
    EXPECT_FALSE(s.sbtCancelar.enabled());
    EXPECT_FALSE(s.mnuConfirmar.enabled());
    EXPECT_FALSE(s.mnuCancelar.enabled());
    s.sbtExcluir.setEnabled(false); // the screen's own rules are left alone
    s.cdsEndeCont.edit();
    EXPECT_TRUE(s.sbtConfirmar.enabled());
    EXPECT_TRUE(s.sbtCancelar.enabled());
    EXPECT_TRUE(s.mnuConfirmar.enabled());
    EXPECT_TRUE(s.mnuCancelar.enabled());
    EXPECT_TRUE(s.sbtIncluir.enabled());
    EXPECT_FALSE(s.sbtExcluir.enabled());
    EXPECT_FALSE(s.log.empty()); // the override runs on the state change
    s.cdsEndeCont.cancel();
    EXPECT_FALSE(s.sbtConfirmar.enabled());
    s.cdsEndeCont.append();
    EXPECT_TRUE(s.sbtCancelar.enabled());
}

TEST(StandardGridForm, InsertConfirmAndCancelCommands) {
    FakeDialogService fake;
    ScopedDialogService scope(fake);
    Screen s;
    s.setFocus(s.edtFiltro);
    // The toolbar button leaves the focus alone; the insert itself puts it in the grid.
    EXPECT_TRUE(s.userClick(s.sbtIncluir));
    EXPECT_EQ(s.cdsEndeCont.state(), DataSetState::Insert);
    EXPECT_EQ(s.activeControl(), &s.dbgPadrao);
    s.dbgPadrao.userTypeCell(0, "333");
    // Confirm first hands in the cell being typed, then posts.
    EXPECT_TRUE(s.userClick(s.sbtConfirmar));
    EXPECT_EQ(s.cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(s.cdsEndeCont.recordCount(), 3);
    EXPECT_EQ(s.cdsEndeCont.fieldByName("NRINSJURCLIE").asString(), "333");
    // A disabled confirm cannot be clicked by the user.
    EXPECT_FALSE(s.userClick(s.sbtConfirmar));

    EXPECT_TRUE(s.userClick(s.sbtAlterar));
    EXPECT_EQ(s.cdsEndeCont.state(), DataSetState::Edit);
    s.dbgPadrao.userTypeCell(1, "Outro");
    EXPECT_TRUE(s.userShortcut(*Shortcut::parse("Ctrl+Z"))); // the cancel menu item
    EXPECT_EQ(s.cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(s.cdsEndeCont.fieldByName("NMFANTCLIE").asString(), "");
    EXPECT_TRUE(fake.dialogs().empty());
}

TEST(StandardGridForm, DeleteAsksFirstAndSearchListsTheDataSet) {
    FakeDialogService fake;
    ScopedDialogService scope(fake);
    Screen s;
    fake.queueAnswer(MsgResult::No);
    s.userClick(s.sbtExcluir);
    EXPECT_EQ(s.cdsEndeCont.recordCount(), 2);
    fake.queueAnswer(MsgResult::Yes);
    s.userClick(s.mnuExcluir);
    EXPECT_EQ(s.cdsEndeCont.recordCount(), 1);
    ASSERT_EQ(fake.messages().size(), 2u);
    EXPECT_EQ(fake.messages()[0].text, "Confirma exclusão?");

    s.cdsEndeCont.appendRecord({"444", "Davi"});
    s.cdsEndeCont.first();
    fake.queuePick(2);
    EXPECT_TRUE(s.userClick(s.sbtProcurar));
    EXPECT_EQ(s.cdsEndeCont.fieldByName("NMFANTCLIE").asString(), "Davi");
}

TEST(StandardGridForm, ExitRunsTheOverrideAndClosesCancellingAnEdit) {
    Screen s;
    s.showModal();
    s.cdsEndeCont.edit();
    EXPECT_TRUE(s.userClick(s.sbtFechar));
    EXPECT_FALSE(s.isShowing());
    EXPECT_EQ(s.cdsEndeCont.state(), DataSetState::Browse);
    EXPECT_EQ(s.log.back(), "state");
    EXPECT_NE(std::find(s.log.begin(), s.log.end(), "checks"), s.log.end());
}

struct Refund : TfrmRotiGeral {
    int confirms = 0;
    Refund()
        : TfrmRotiGeral("frmContaDevolucao", "Conta de Devolução", "PRQ31000") {}
    void sbtConfirmaClick() override {
        ++confirms;
        TfrmRotiGeral::sbtConfirmaClick();
    }
};

TEST(BaseDialog, ConfirmAndCancelEndTheModalShow) {
    Refund r;
    for (const char* name :
         {"grbDadosRel", "panMenu", "panBotoes", "sbtConfirma", "sbtCancel", "lblCodTela"})
        EXPECT_NE(r.find(name), nullptr) << name;
    r.showModal();
    EXPECT_TRUE(r.userClick(r.sbtConfirma));
    EXPECT_EQ(r.confirms, 1);
    EXPECT_EQ(r.modalResult(), mrOk);
    EXPECT_FALSE(r.isShowing());
    r.showModal();
    r.userClick(r.sbtCancel);
    EXPECT_EQ(r.modalResult(), mrCancel);
    EXPECT_FALSE(r.isShowing());
}

} // namespace
} // namespace ct
