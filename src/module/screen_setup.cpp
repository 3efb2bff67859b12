// How the screen's controls look and which handlers they call: what the form designer would hold.
#include "module/frm_contratante.h"
#include "parties/command_state.h"

namespace ct {
namespace {

void searchButton(SearchButton& button, Control& edit, std::string emptyText,
                  std::string nameField = {}) {
    button.setAssociate(&edit);
    button.setEmptyError(std::move(emptyText));
    button.setFieldNome(std::move(nameField));
}

void showOnly(Edit& edit) {
    edit.setReadOnly(true);
    edit.setColor(colors::clBtnFace);
}

void nameEdit(DBEdit& edit) {
    edit.setEnabled(false);
    edit.setColor(colors::clBtnFace);
}

void totalBox(NumberEdit& box, int decimals) {
    box.setDecimals(decimals);
    box.setReadOnly(true);
    box.setColor(colors::clBtnFace);
    if (decimals > 0)
        box.setDisplayFormat("#,##0.00");
    box.setNumber(0);
}

void flatButton(Button& button, std::string hint, bool visible = true) {
    button.setHint(std::move(hint));
    button.setVisible(visible);
}

} // namespace

void TfrmContratante::buildToolbar() {
    flatButton(btnRatear, "Ratear Valor");
    flatButton(btnConvExtra, "Gerar Conta Extra");
    flatButton(btnDevolucao, "Conta de Devolução");
    flatButton(sbtRespCotas, "Definir Responsável pelas Cotas");
    flatButton(sbtTrocaRespCotas, "Alterar Responsável pelas Cotas");
    flatButton(btnCancelaCont, "Cancelar Contratante");
    // A command that does nothing is not offered.
    flatButton(btnGerarConta, "Gerar Conta", false);
    mnuGerarConta.setVisible(false);
}

void TfrmContratante::buildFilterPanel() {
    medCdFilial.setMaxLength(4);
    medCdEmpresa.setMaxLength(2);
    edtNrOrcamento.setMaxLength(10);
    edtNrOrcamento.setCharCase(CharCase::Upper);
    showOnly(edtNmFilial);
    showOnly(edtNmEmpresa);
    showOnly(nedVrReali);
    nedVrReali.setDisplayFormat("#,##0.00");
    nedVrReali.setNumber(0);

    searchButton(btnFilial, medCdFilial, "Não há filial cadastrada.", "NMFILIAL");
    btnFilial.setListProvider([this] {
        openLookup(qryFilial);
        return &qryFilial.dataSet();
    });
    searchButton(btpEmpresa, medCdEmpresa, "Não há empresa cadastrada", "NMEMPRESA");
    btpEmpresa.setListDataSet(&cdsPesqEmpresa);
    searchButton(btnNrOrcamento, edtNrOrcamento, "Não há orçamento cadastrado.");
    btnNrOrcamento.setListDataSet(&cdsPesqOrca);
}

void TfrmContratante::buildPartyRecord() {
    dtsPadrao.setDataSet(&cdsEndeCont);

    dbgPadrao.clearColumns();
    Column& mark = dbgPadrao.addColumn("IDMARCADO", "4", 17);
    mark.setReadOnly(true);
    Font symbols;
    symbols.name = "Monotype Sorts";
    mark.setTitleFont(symbols);
    dbgPadrao.addColumn("NRINSJURCLIE", {}, 109).setButtonStyle(ColumnButton::Ellipsis);
    dbgPadrao.addColumn("NMFANTCLIE", {}, 261).setReadOnly(true);
    dbgPadrao.addColumn("QTCONVCONTOREV");
    dbgPadrao.addColumn("VRRECECONTOREV").setTitleAlignment(Alignment::Right);
    dbgPadrao.addColumn("IDSITUCONTOREV", {}, 79).setReadOnly(true);
    dbgPadrao.addColumn("QTCONVADICADULTO");
    dbgPadrao.addColumn("QTCONVADICCRIANCA");
    dbgPadrao.addColumn("QTEXTCONVOREV");
    dbgPadrao.addColumn("VREXTCONVOREV");
    GridOptions options;
    options.indicator = false;
    dbgPadrao.setOptions(options);

    totalBox(nedQtContratantes, 0);
    totalBox(nedTotConv, 0);
    totalBox(nedTotRateado, 2);
}

void TfrmContratante::buildAddressGroup() {
    for (DBEdit* required : {&dbeEndereco, &dbeCodPais, &dbeEstado, &dbeCodMun})
        required->setColor(colors::clInfoBk);
    for (DBEdit* name : {&dbeNmPais, &debNmMun, &dbeNmBairro, &dbeContSub})
        nameEdit(*name);

    searchButton(btnPais, dbeCodPais, "Não há país cadastrado.");
    btnPais.setListDataSet(&qryPais.dataSet());
    searchButton(btnEstado, dbeEstado, "Não há estado cadastrado.");
    btnEstado.setListDataSet(&qryEstado.dataSet());
    searchButton(btnMunicipio, dbeCodMun, "Não há município cadastrado.");
    btnMunicipio.setListDataSet(&qryMunicipio.dataSet());
    searchButton(btnBairro, dbeCodBairro, "Não há Bairro cadastrado.");
    btnBairro.setListDataSet(&qryBairro.dataSet());

    searchButton(btnContSub, dbeContSub, "Não há contratante substituto cadastrado.");
    btnContSub.setListSource(&dtsContSub);
}

void TfrmContratante::buildPaymentPanel() {
    rbtAvista.setChecked(true);
    speDiaPagto.setMaxLength(2);
    speDiaPagto.setValue(1);
    speNrParcelas.setMaxLength(2);
    speNrParcelas.setValue(1);
    dckProxMes.setText("1ª Próximo Mês)");
    for (Control* fixedDay :
         std::initializer_list<Control*>{&speDiaPagto, &speNrParcelas, &dckProxMes})
        fixedDay->setEnabled(false);

    for (NumberEdit* whole : {&nedQtParcela, &nedPrazo}) {
        whole->setDecimals(0);
        whole->setThousands(false);
        whole->setNumber(0);
    }
    edtObservacao.setMaxLength(50);
    sbtGeraParc.setHint("Gerar Parcelas");

    dbgFormPgto.setColor(colors::clInfoBk);
    dbgFormPgto.clearColumns();
    dbgFormPgto.addColumn("QTDIAFORMAPGCON");
    dbgFormPgto.addColumn("VRPEFORMAPGCON").setReadOnly(true);
    dbgFormPgto.addColumn("DTVENCPARCCONT", {}, 80);
    dbgFormPgto.addColumn("VRPARCELACONT");
    dbgFormPgto.addColumn("DSOBSPARCCONT");
    GridOptions options;
    options.indicator = false;
    options.confirmDelete = true;
    options.cancelOnExit = true;
    dbgFormPgto.setOptions(options);
}

void TfrmContratante::buildCheckPictures() {
    constexpr int size = 16;
    auto box = [](bool checked) {
        Picture picture;
        picture.width = size;
        picture.height = size;
        picture.pixels.assign(static_cast<std::size_t>(size * size), colors::clOlive);
        auto put = [&](int x, int y, Color color) {
            picture.pixels[static_cast<std::size_t>(y * size + x)] = color;
        };
        for (int y = 2; y <= 13; ++y)
            for (int x = 2; x <= 13; ++x) {
                const bool edge = x == 2 || x == 13 || y == 2 || y == 13;
                put(x, y, edge ? colors::clBlack : colors::clWhite);
            }
        if (checked) {
            // A tick from the lower left up to the right.
            for (int i = 0; i < 3; ++i)
                put(4 + i, 7 + i, colors::clBlack);
            for (int i = 0; i < 5; ++i)
                put(7 + i, 8 - i, colors::clBlack);
        }
        return picture;
    };
    imgCheck.setPicture(box(true));
    imgUncheck.setPicture(box(false));
    imgCheck.setVisible(false);
    imgUncheck.setVisible(false);
}

void TfrmContratante::bindEvents() {
    onActivate = [this] { FormActivate(); };
    netContratante.beforeConnect = [this](NetConnection&) { netContratanteBeforeConnect(); };

    // Filter panel.
    medCdFilial.onChange = [this] { medCdFilialChange(); };
    medCdFilial.onExit = [this] { medCdFilialExit(); };
    medCdEmpresa.onChange = [this] { medCdEmpresaChange(); };
    medCdEmpresa.onExit = [this] { medCdEmpresaExit(); };
    edtNrOrcamento.onChange = [this] { edtNrOrcamentoChange(); };
    edtNrOrcamento.onExit = [this] { edtNrOrcamentoExit(); };
    btnFilial.onAfterPesq = [this] { btnFilialAfterPesq(); };
    btpEmpresa.onBeforePesq = [this](bool& allow) { btpEmpresaBeforePesq(allow); };
    btpEmpresa.onAfterPesq = [this] { btpEmpresaAfterPesq(); };
    btnNrOrcamento.onBeforePesq = [this](bool& allow) { btnNrOrcamentoBeforePesq(allow); };
    btnNrOrcamento.onAfterPesq = [this] { btnNrOrcamentoAfterPesq(); };
    panFiltro.onEnter = [this] { panFiltroEnter(); };
    panFiltro.onExit = [this] { panFiltroExit(); };

    // Party record.
    Field& status = cdsEndeCont.fieldByName("IDSITUCONTOREV");
    status.onGetText = [this](Field& f, std::string& text, bool display) {
        cdsAuxEndeContIDSITUCONTOREVGetText(f, text, display);
    };
    status.onSetText = [this](Field& f, const std::string& text) {
        cdsAuxEndeContIDSITUCONTOREVSetText(f, text);
    };
    cdsEndeCont.fieldByName("NRINSJURCLIE").onGetText = [this](Field& f, std::string& text,
                                                               bool display) {
        cdsEndeContNRINSJURCLIEGetText(f, text, display);
    };
    cdsCliente.fieldByName("NRINSJURCLIE").onGetText = [this](Field& f, std::string& text,
                                                              bool display) {
        cdsClienteNRINSJURCLIEGetText(f, text, display);
    };
    cdsContSub.fieldByName("NRINSJURCLIE").onGetText = [this](Field& f, std::string& text,
                                                              bool display) {
        cdsContSubNRINSJURCLIEGetText(f, text, display);
    };
    cdsVdCliente.fieldByName("NRINSJURCLIE").onGetText = [this](Field& f, std::string& text,
                                                                bool display) {
        cdsVdClienteNRINSJURCLIEGetText(f, text, display);
    };
    cdsEndeCont.onNewRecord = [this](DataSet& set) { cdsEndeContNewRecord(set); };
    cdsEndeCont.afterInsert = [this](DataSet& set) { cdsEndeContAfterInsert(set); };
    cdsEndeCont.afterOpen = [this](DataSet& set) { cdsEndeContAfterOpen(set); };
    cdsEndeCont.afterScroll = [this](DataSet& set) { cdsEndeContAfterScroll(set); };

    // Party loading, client search and substitute party.
    dbgPadrao.onEnter = [this] { dbgPadraoEnter(); };
    dbgPadrao.onEditButtonClick = [this] { dbgPadraoEditButtonClick(); };
    btnContSub.onBeforePesq = [this](bool& allow) { btnContSubBeforePesq(allow); };
    btnContSub.onAfterPesq = [this] { btnContSubAfterPesq(); };

    bindPartyEditingEvents();
    bindScreenStateEvents(*this);

    // Budget-wide operations.
    btnRatear.onClick = [this] { btnRatearClick(); };
    mnuRatear.onClick = [this] { btnRatearClick(); };
    dbgPadrao.onDrawColumnCell = [this](DrawCellArgs& args) { dbgPadraoDrawColumnCell(args); };
    // Marks (the grid's keys are bound by the base form).
    dbgPadrao.onCellClick = [this](Column& column) { dbgPadraoCellClick(column); };
    dbgPadrao.onTitleClick = [this](Column& column) { dbgPadraoTitleClick(column); };

    // Refund account.
    btnDevolucao.onClick = [this] { btnDevolucaoClick(); };
    mnuDevolucao.onClick = [this] { btnDevolucaoClick(); };

    // Installments.
    sbtGeraParc.onClick = [this] { sbtGeraParcClick(); };
    dtsFormaPagto.onStateChange = [this](DataSource&) { dtsFormaPagtoStateChange(); };
    dbgFormPgto.onEnter = [this] { dbgFormPgtoEnter(); };
    dbgFormPgto.onColEnter = [this] { dbgFormPgtoColEnter(); };
    dbgFormPgto.onColExit = [this] { dbgFormPgtoColExit(); };
    dbgFormPgto.onKeyPress = [this](char32_t& key) { dbgFormPgtoKeyPress(key); };
    cdsFormaPagto.onNewRecord = [this](DataSet& set) { cdsFormaPagtoNewRecord(set); };
    cdsFormaPagto.beforeInsert = [this](DataSet& set) { cdsFormaPagtoBeforeInsert(set); };
    cdsFormaPagto.beforeEdit = [this](DataSet& set) { cdsFormaPagtoBeforeEdit(set); };
    cdsFormaPagto.afterEdit = [this](DataSet& set) { cdsFormaPagtoAfterEdit(set); };
    cdsFormaPagto.beforePost = [this](DataSet& set) { cdsFormaPagtoBeforePost(set); };
    cdsFormaPagto.afterDelete = [this](DataSet& set) { cdsFormaPagtoAfterDelete(set); };
    cdsFormaPagto.fieldByName("DTVENCPARCCONT").onSetText =
        [this](Field& f, const std::string& text) { cdsFormaPagtoDTVENCPARCCONTSetText(f, text); };

    // Budget-wide commands; a menu item runs its toolbar button.
    btnConvExtra.onClick = [this] { btnConvExtraClick(); };
    mnuConvExtra.onClick = [this] { btnConvExtra.click(); };
    sbtRespCotas.onClick = [this] { sbtRespCotasClick(); };
    sbtTrocaRespCotas.onClick = [this] { sbtTrocaRespCotasClick(); };
    btnCancelaCont.onClick = [this] { btnCancelaContClick(); };
    mnuCancelaCont.onClick = [this] { btnCancelaCont.click(); };
    btnGerarConta.onClick = [this] { btnGerarContaClick(); };
    mnuGerarConta.onClick = [this] { btnGerarConta.click(); };

    // Class lists; a list can be imported exactly when a party can be included.
    mnuImportarLista.onClick = [this] { mnuImportarListaClick(); };
    mnuExportarLista.onClick = [this] { mnuExportarListaClick(); };
    sbtIncluir.observe([this](Control&, Property property) {
        if (property == Property::Enabled)
            mnuImportarLista.setEnabled(sbtIncluir.enabled());
    });
}

} // namespace ct
