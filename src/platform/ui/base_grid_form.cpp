#include "platform/ui/base_grid_form.h"

#include "platform/dataset/dataset.h"
#include "platform/host/dialog_service.h"
#include "platform/host/search.h"
#include "platform/ui/grid_order.h"

namespace ct {
namespace {

bool isEditing(const DataSource& source) {
    const DataSetState state = source.state();
    return state == DataSetState::Edit || state == DataSetState::Insert;
}

} // namespace

TfrmPadraoGrid::TfrmPadraoGrid(std::string name, std::string caption, std::string screenCode)
    : Form(std::move(name), std::move(caption))
    , msgMensagensPadroes(standardMessages())
    , panMenu(*this, "panMenu")
    , sbtIncluir(panMenu, "sbtIncluir", "Incluir")
    , sbtAlterar(panMenu, "sbtAlterar", "Alterar")
    , sbtExcluir(panMenu, "sbtExcluir", "Excluir")
    , sbtProcurar(panMenu, "sbtProcurar", "Procurar")
    , sbtVerificar(panMenu, "sbtVerificar", "Verificar")
    , sbtOrdenar(panMenu, "sbtOrdenar", "Ordenar")
    , sbtCancelar(panMenu, "sbtCancelar", "Cancelar")
    , sbtConfirmar(panMenu, "sbtConfirmar", "Confirmar")
    , sbtAjuda(panMenu, "sbtAjuda", "Ajuda")
    , sbtImprimir(panMenu, "sbtImprimir", "Imprimir")
    , sbtFechar(panMenu, "sbtFechar", "Fechar")
    , lblCodTela(panMenu, "lblCodTela", std::move(screenCode))
    , mnuOperacao(*this, "mnuOperacao", "&Operação")
    , mnuListagem(mnuOperacao, "mnuListagem", "&Listagem", "Ctrl+L")
    , mnuConfigImpressora(mnuOperacao, "mnuConfigImpressora", "&Configurar Impressora")
    , mnuSair(mnuOperacao, "mnuSair", "&Sair")
    , mnuManutencao(*this, "mnuManutencao", "&Manutenção")
    , mnuIncluir(mnuManutencao, "mnuIncluir", "&Incluir", "Ctrl+I")
    , mnuAlterar(mnuManutencao, "mnuAlterar", "&Alterar", "Ctrl+A")
    , mnuExcluir(mnuManutencao, "mnuExcluir", "&Excluir", "Ctrl+Del")
    , mnuProcurar(mnuManutencao, "mnuProcurar", "&Procurar", "Ctrl+F")
    , mnuVerificar(mnuManutencao, "mnuVerificar", "&Verificar", "F5")
    , mnuOrdenar(mnuManutencao, "mnuOrdenar", "&Ordenar", "Ctrl+O")
    , mnuCancelar(mnuManutencao, "mnuCancelar", "&Cancelar", "Ctrl+Z")
    , mnuConfirmar(mnuManutencao, "mnuConfirmar", "Con&firmar", "Ctrl+Enter")
    , mnuAjuda(*this, "mnuAjuda", "Aj&uda")
    , mnuAjudaTela(mnuAjuda, "mnuAjudaTela", "&Ajuda da Tela", "F1")
    , pgcPadrao(*this, "pgcPadrao")
    , tbsPadrao(pgcPadrao, "tbsPadrao")
    , dbgPadrao(tbsPadrao, "dbgPadrao", &dtsPadrao)
    , dbnPadrao(*this, "dbnPadrao", &dtsPadrao) {
    // Bound through virtual calls, so that a screen's overrides take effect.
    dtsPadrao.onStateChange = [this](DataSource&) { dtsPadraoStateChange(); };
    dbgPadrao.onKeyPress = [this](char32_t& key) { dbgPadraoKeyPress(key); };
    dbgPadrao.onKeyDown = [this](int& key, ShiftState shift) { dbgPadraoKeyDown(key, shift); };

    sbtIncluir.onClick = [this] { sbtIncluirClick(); };
    sbtAlterar.onClick = [this] { sbtAlterarClick(); };
    sbtExcluir.onClick = [this] { sbtExcluirClick(); };
    sbtProcurar.onClick = [this] { sbtProcurarClick(); };
    sbtVerificar.onClick = [this] { sbtVerificarClick(); };
    sbtOrdenar.onClick = [this] { sbtOrdenarClick(); };
    sbtCancelar.onClick = [this] { sbtCancelarClick(); };
    sbtConfirmar.onClick = [this] { sbtConfirmarClick(); };
    sbtAjuda.onClick = [this] { sbtAjudaClick(); };
    sbtImprimir.onClick = [this] { sbtImprimirClick(); };
    sbtFechar.onClick = [this] { mnuSairClick(); };

    // Menu items run their toolbar button, whatever handler the button holds now.
    mnuIncluir.onClick = [this] { sbtIncluir.click(); };
    mnuAlterar.onClick = [this] { sbtAlterar.click(); };
    mnuExcluir.onClick = [this] { sbtExcluir.click(); };
    mnuProcurar.onClick = [this] { sbtProcurar.click(); };
    mnuVerificar.onClick = [this] { sbtVerificar.click(); };
    mnuOrdenar.onClick = [this] { sbtOrdenar.click(); };
    mnuCancelar.onClick = [this] { sbtCancelar.click(); };
    mnuConfirmar.onClick = [this] { sbtConfirmar.click(); };
    mnuAjudaTela.onClick = [this] { sbtAjuda.click(); };
    mnuListagem.onClick = [this] { mnuListagemClick(); };
    mnuConfigImpressora.onClick = [this] { mnuConfigImpressoraClick(); };
    mnuSair.onClick = [this] { mnuSairClick(); };
    // The window's close box is the exit command, with whatever checks a screen puts on it.
    onCloseRequest = [this] { mnuSairClick(); };

    onClose = [this](CloseAction& action) { FormClose(action); };
}

TfrmPadraoGrid::~TfrmPadraoGrid() = default;

void TfrmPadraoGrid::FormCreate() {
    TfrmPadraoGrid::dtsPadraoStateChange();
}

void TfrmPadraoGrid::FormClose(CloseAction& action) {
    if (DataSet* set = dataSetPadrao(); set && set->editing())
        set->cancel();
    action = CloseAction::Hide;
}

void TfrmPadraoGrid::dtsPadraoStateChange() {
    const bool editing = isEditing(dtsPadrao);
    sbtConfirmar.setEnabled(editing);
    sbtCancelar.setEnabled(editing);
    mnuConfirmar.setEnabled(editing);
    mnuCancelar.setEnabled(editing);
    // Ordering moves rows around: a pending edit is confirmed or cancelled first.
    sbtOrdenar.setEnabled(!editing);
    mnuOrdenar.setEnabled(!editing);
}

void TfrmPadraoGrid::dbgPadraoKeyPress(char32_t&) {}

void TfrmPadraoGrid::dbgPadraoKeyDown(int&, ShiftState) {}

void TfrmPadraoGrid::sbtIncluirClick() {
    DataSet* set = dataSetPadrao();
    if (!set)
        return;
    if (!set->active())
        set->open();
    set->append();
    dbgPadrao.setFocus();
}

void TfrmPadraoGrid::sbtAlterarClick() {
    DataSet* set = dataSetPadrao();
    if (!set || !set->active())
        return;
    set->edit();
    dbgPadrao.setFocus();
}

void TfrmPadraoGrid::sbtExcluirClick() {
    DataSet* set = dataSetPadrao();
    if (!set || !set->active() || set->isEmpty())
        return;
    if (msgMensagensPadroes.ShowMsg("Excl", MsgType::Confirmation, mbYes | mbNo) != MsgResult::Yes)
        return;
    set->remove();
}

void TfrmPadraoGrid::sbtProcurarClick() {
    DataSet* set = dataSetPadrao();
    if (!set || !set->active())
        return;
    commitActiveEditor();
    Procura(*set);
}

void TfrmPadraoGrid::sbtCancelarClick() {
    DataSet* set = dataSetPadrao();
    if (set && set->editing())
        set->cancel();
}

void TfrmPadraoGrid::sbtConfirmarClick() {
    commitActiveEditor();
    DataSet* set = dataSetPadrao();
    if (set && set->editing())
        set->post();
}

void TfrmPadraoGrid::sbtOrdenarClick() {
    DataSet* set = dataSetPadrao();
    if (!set || !set->active() || set->editing())
        return;
    const std::vector<GridOrder> orders =
        gridOrders(dbgPadrao, [this](const Column& column) { return canOrderBy(column); });
    DataSet list("cdsOrdem", {FieldDef::string("ORDEM", 60, "Ordenar por")});
    list.createDataSet();
    int current = 1;
    const std::string now = gridOrderField(dbgPadrao);
    for (std::size_t i = 0; i < orders.size(); ++i) {
        list.appendRecord({Value(orders[i].title)});
        if (orders[i].fieldName == now)
            current = static_cast<int>(i) + 1;
    }
    list.setRecNo(current);
    SearchRequest request;
    request.title = "Ordenar|Ordenar os registros por";
    request.list = &list;
    request.nameField = "ORDEM";
    request.fresh = true;
    if (!dialogs().search(request))
        return;
    orderGrid(dbgPadrao, orders[static_cast<std::size_t>(list.recNo() - 1)].fieldName);
}

bool TfrmPadraoGrid::orderByColumn(const Column& column) {
    return canOrderBy(column) && orderGrid(dbgPadrao, column.fieldName());
}

bool TfrmPadraoGrid::canOrderBy(const Column& column) const {
    return column.visible() && column.field() != nullptr;
}

void TfrmPadraoGrid::sbtAjudaClick() {
    dialogs().showHelp(lblCodTela.text());
}

void TfrmPadraoGrid::mnuConfigImpressoraClick() {
    dialogs().printerSetup();
}

void TfrmPadraoGrid::mnuSairClick() {
    close();
}

// ----- TfrmRotiGeral -----

TfrmRotiGeral::TfrmRotiGeral(std::string name, std::string caption, std::string screenCode)
    : Form(std::move(name), std::move(caption))
    , grbDadosRel(*this, "grbDadosRel")
    , panMenu(*this, "panMenu")
    , lblCodTela(panMenu, "lblCodTela", std::move(screenCode))
    , panBotoes(panMenu, "panBotoes")
    , sbtConfirma(panBotoes, "sbtConfirma", "Confirma")
    , sbtCancel(panBotoes, "sbtCancel", "Cancela") {
    sbtConfirma.onClick = [this] { sbtConfirmaClick(); };
    sbtCancel.onClick = [this] { sbtCancelClick(); };
    onClose = [this](CloseAction& action) { FormClose(action); };
}

TfrmRotiGeral::~TfrmRotiGeral() = default;

void TfrmRotiGeral::FormClose(CloseAction& action) {
    action = CloseAction::Hide;
}

void TfrmRotiGeral::sbtConfirmaClick() {
    setModalResult(mrOk);
}

void TfrmRotiGeral::sbtCancelClick() {
    setModalResult(mrCancel);
}

} // namespace ct
