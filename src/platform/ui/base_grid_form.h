#pragma once

#include "messages/messages.h"
#include "platform/dataset/data_source.h"
#include "platform/ui/buttons.h"
#include "platform/ui/db_controls.h"
#include "platform/ui/form.h"
#include "platform/ui/grid.h"
#include "platform/ui/menu.h"
#include "platform/ui/pages.h"

namespace ct {

// The suite's standard grid form (TfrmPadraoGrid): a toolbar and menus of record commands over the
// data set of `dtsPadrao`, shown in the grid `dbgPadrao`. A screen derives from it, binds
// `dtsPadrao` to its data set and overrides the handlers below; its overrides call the base
// handler where the suite's screens do. The owner calls FormCreate() once the screen is built.
class TfrmPadraoGrid : public Form {
public:
    explicit TfrmPadraoGrid(std::string name, std::string caption = {},
                            std::string screenCode = {});
    ~TfrmPadraoGrid() override;

    Messages msgPadrao;
    Messages msgMensagensPadroes;
    DataSource dtsPadrao;

    Panel panMenu;
    SpeedButton sbtIncluir;
    SpeedButton sbtAlterar;
    SpeedButton sbtExcluir;
    SpeedButton sbtProcurar;
    SpeedButton sbtVerificar;
    SpeedButton sbtOrdenar;
    SpeedButton sbtCancelar;
    SpeedButton sbtConfirmar;
    SpeedButton sbtAjuda;
    SpeedButton sbtImprimir;
    SpeedButton sbtFechar;
    Label lblCodTela;

    MenuItem mnuOperacao;
    MenuItem mnuListagem;
    MenuItem mnuConfigImpressora;
    MenuItem mnuSair;
    MenuItem mnuManutencao;
    MenuItem mnuIncluir;
    MenuItem mnuAlterar;
    MenuItem mnuExcluir;
    MenuItem mnuProcurar;
    MenuItem mnuVerificar;
    MenuItem mnuOrdenar;
    MenuItem mnuCancelar;
    MenuItem mnuConfirmar;
    MenuItem mnuAjuda;
    MenuItem mnuAjudaTela;

    PageControl pgcPadrao;
    TabSheet tbsPadrao;
    DBGrid dbgPadrao;
    DBNavigator dbnPadrao;

    // Creation: the grid and navigator follow `dtsPadrao`, commands start in browse mode.
    virtual void FormCreate();
    // Closing: a pending edit or insert of the data set is cancelled; the form is hidden for reuse.
    virtual void FormClose(CloseAction& action);

    // Confirm and cancel are enabled exactly while the data set is being edited or inserted; the
    // other commands are left as they are.
    virtual void dtsPadraoStateChange();
    // The grid's keys need nothing from the base form; overrides call these first all the same.
    virtual void dbgPadraoKeyPress(char32_t& key);
    virtual void dbgPadraoKeyDown(int& key, ShiftState shift);

    // Record commands on the data set of `dtsPadrao`.
    virtual void sbtIncluirClick();   // new row, focus in the grid
    virtual void sbtAlterarClick();   // edit the current row, focus in the grid
    virtual void sbtExcluirClick();   // asks "Excl", deletes the current row on Yes
    virtual void sbtProcurarClick();  // the host's search over the data set
    virtual void sbtCancelarClick();  // cancels the edit or insert
    virtual void sbtConfirmarClick(); // hands in the focused editor's text, then posts
    virtual void sbtVerificarClick() {}
    // A list of the grid's columns (and the natural order); the one picked orders the data set.
    virtual void sbtOrdenarClick();
    virtual void sbtAjudaClick();            // the screen's help, in a window of its own
    virtual void sbtImprimirClick() {}       // screens print their listing
    virtual void mnuListagemClick() {}       // the same listing from the menu
    virtual void mnuConfigImpressoraClick(); // the desktop's page and printer set-up
    // The exit command (also the window's close box): closes the form.
    virtual void mnuSairClick();

    // The data set of `dtsPadrao`; nullptr when none is bound.
    DataSet* dataSetPadrao() const { return dtsPadrao.dataSet(); }

    // Orders the grid's data set by the column (a click on its title does it); false when the
    // column cannot order it or a row is being edited.
    bool orderByColumn(const Column& column);
    // Whether the grid's data set may be ordered by the column: every visible column, unless the
    // screen says otherwise.
    virtual bool canOrderBy(const Column& column) const;
};

// The suite's base dialog (TfrmRotiGeral): a data group box, a toolbar with confirm and cancel
// buttons and the screen code label.
class TfrmRotiGeral : public Form {
public:
    explicit TfrmRotiGeral(std::string name, std::string caption = {}, std::string screenCode = {});
    ~TfrmRotiGeral() override;

    Messages msgPadrao;
    GroupBox grbDadosRel;
    Panel panMenu;
    Label lblCodTela;
    Panel panBotoes;
    SpeedButton sbtConfirma;
    SpeedButton sbtCancel;

    virtual void FormCreate() {}
    virtual void FormClose(CloseAction& action);
    // Confirm closes the dialog with OK, cancel with Cancel; dialogs override confirm to do their
    // work first.
    virtual void sbtConfirmaClick();
    virtual void sbtCancelClick();
};

} // namespace ct
