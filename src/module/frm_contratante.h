#pragma once

#include "parties/invitation_prices.h"
#include "payment/replaced_plan.h"
#include "platform/dataset/data_source.h"
#include "platform/dataset/dataset.h"
#include "platform/dataset/packet_reader.h"
#include "platform/db/query.h"
#include "platform/net/net_connection.h"
#include "platform/ui/base_grid_form.h"
#include "platform/ui/buttons.h"
#include "platform/ui/canvas.h"
#include "platform/ui/container.h"
#include "platform/ui/db_controls.h"
#include "platform/ui/edits.h"
#include "platform/ui/grid.h"
#include "platform/ui/menu.h"
#include "platform/ui/search_button.h"

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ct {

// The Contratante screen (PRQ31000): the contracting parties of one event budget.
//
// One class; its member functions live in the folders of their subsystems: src/module (creation,
// activation, closing, state), src/budget (filter panel, closing checks), src/parties (party
// record, loading, grid, commands, address), src/payment and src/operations.
class TfrmContratante : public TfrmPadraoGrid {
public:
    TfrmContratante();
    ~TfrmContratante() override;

    // A data set of the screen by name (client data sets and the result sets of the queries),
    // letter case ignored; nullptr when the screen has none of that name.
    DataSet* dataSetByName(std::string_view name);
    // The names dataSetByName knows, in declaration order.
    std::vector<std::string> dataSetNames() const;

    // ----- connection to the application server -----
    NetConnection netContratante;

    // ----- client data sets -----
    DataSet cdsEndeCont;
    DataSet cdsFormaPagto;
    DataSet cdsAuxFormaPagto;
    DataSet cdsTotalRateado;
    DataSet cdsLiderTurma;
    DataSet cdsCliente;
    DataSet cdsContSub;
    DataSet cdsVdCliente;
    DataSet cdsEndeClie;
    DataSet cdsNovoClie;
    DataSet cdsContratJaCad;
    DataSet cdsVdContratante;
    DataSet cdsPesqOrca;
    DataSet cdsVdOrcaEven;
    DataSet cdsPesqEmpresa;
    DataSet cdsEndeFili;
    DataSet cdsParamOrca;
    DataSet cdsEmpresaOrca;
    DataSet cdsContagerada;
    DataSet cdsVrConta;
    DataSet cdsUltAlteracao; // the last change of each party (the server's audit)

    // ----- data sources (dtsPadrao, the parties' source, comes from the base form) -----
    DataSource dtsFormaPagto;
    DataSource dtsCliente;
    DataSource dtsContSub;

    // ----- read-only lookups on the shared database -----
    db::Query qryPesqFilial;
    db::Query qryFilial;
    db::Query qryEmpresa;
    db::Query qryPais;
    db::Query qryEstado;
    db::Query qryMunicipio;
    db::Query qryBairro;
    db::Query qryVdBairro;

    // ----- the screen's own toolbar buttons and menu items -----
    FlatButton btnRatear;
    FlatButton btnConvExtra;
    FlatButton btnDevolucao;
    SpeedButton sbtRespCotas;
    SpeedButton sbtTrocaRespCotas;
    FlatButton btnCancelaCont;
    FlatButton btnGerarConta;
    MenuItem mnuRatear;
    MenuItem mnuConvExtra;
    MenuItem mnuDevolucao;
    MenuItem mnuGerarConta;
    MenuItem mnuCancelaCont;
    MenuItem mnuSepLista;
    MenuItem mnuImportarLista;
    MenuItem mnuExportarLista;

    // ----- budget filter panel (fields in tab order) -----
    Panel panFiltro;
    Label lblFilial;
    MaskEdit medCdFilial;
    SearchButton btnFilial;
    Label lblEmpresa;
    MaskEdit medCdEmpresa;
    SearchButton btpEmpresa;
    Label lblNrOrcamento;
    Edit edtNrOrcamento;
    SearchButton btnNrOrcamento;
    Edit edtNmFilial;
    Label lblVrReali;
    NumberEdit nedVrReali;
    Edit edtNmEmpresa;

    // ----- navigator caption -----
    DBText dbtNome;

    // ----- budget totals below the parties grid -----
    Panel panTotais;
    Label lblQtContratantes;
    NumberEdit nedQtContratantes;
    Label lblTotConv;
    NumberEdit nedTotConv;
    Label lblTotRateado;
    NumberEdit nedTotRateado;

    // ----- the party's address and contacts -----
    GroupBox gpbDadosCont;
    Label lblEndereco;
    DBEdit dbeEndereco;
    Label lblComp;
    DBEdit dbeComp;
    Label lblPais;
    DBEdit dbeCodPais;
    SearchButton btnPais;
    DBEdit dbeNmPais;
    Label lblEstado;
    DBEdit dbeEstado;
    SearchButton btnEstado;
    Label lblMunicipio;
    DBEdit dbeCodMun;
    SearchButton btnMunicipio;
    DBEdit debNmMun;
    Label lblBairro;
    DBEdit dbeCodBairro;
    SearchButton btnBairro;
    DBEdit dbeNmBairro;
    Label lblCep;
    DBEdit dbeCep;
    Label lblTel1;
    DBEdit debTel1;
    DBEdit dbeRamal1;
    Label lblTel2;
    DBEdit dbeTel2;
    DBEdit dbeRamal2;
    Label lblTelRes;
    DBEdit dbeTelRes;
    Label lblCel;
    DBEdit dbeCel;
    Label lblFax;
    DBEdit dbeFax;
    Label lblEmail1;
    DBEdit dbeEmail1;
    Label lblEmail2;
    DBEdit dbeEmail2;
    Label lblNmCont;
    DBEdit dbeNmCont;
    Label lblContSub;
    DBEdit dbeContSub;
    SearchButton btnContSub;

    // ----- payment plan -----
    Panel panFormaPagamento;
    GroupBox grbParamForma;
    RadioButton rbtAvista;
    RadioButton rbtDiaFixo;
    SpinEdit speDiaPagto;
    Label lblCom;
    SpinEdit speNrParcelas;
    Label lblParcelas;
    Label lblAbreParenteses;
    DBCheckBox dckProxMes;
    RadioButton rbtFormaVar;
    GroupBox grbParcAuto;
    Label lblQtParcela;
    NumberEdit nedQtParcela;
    Label lblPrazo;
    NumberEdit nedPrazo;
    Label lblObservacao;
    Edit edtObservacao;
    SpeedButton sbtGeraParc;
    DBGrid dbgFormPgto;

    // ----- check-box pictures of the mark column -----
    Image imgCheck;
    Image imgUncheck;

    // ----- status line: who changed the current party last, and when -----
    Label lblUltAlteracao;

    // ----- screen state shared by the subsystems -----
    std::string stNrOrca;     // budget number given at entry
    std::string stNrSeq;      // sequence given at entry (GetSituacaoOrca may replace it)
    std::string stNrSeqOrca;  // working sequence of the budget shown
    std::string stInsc;       // inscription for the duplicate-party check
    std::string stTelaOrig;   // screen the module was entered from
    std::string stOrigGlobal; // installment column being edited: "DIAS", "DATA" or empty
    std::string stAuxData;    // due date of the installment current when the sum check began
    std::string stOp;         // "DEL" after an installment deletion
    std::int32_t inCountMarcado = 0;
    bool boSituacaoOrca = false;
    bool boOrcaFilhoDist = false;
    double doVrConvAdicAdu = 0;
    double doVrConvAdicCri = 0;
    double doVrTotalOrev = 0;
    // Charged value of the party being posted before its invitation prices went in.
    ChargedValueMemory chargedBeforeInvitations;
    // The stored plan a regeneration replaced, until the party's edit ends.
    ReplacedPlan planBeforeRegeneration;
    // Party number -> its row in cdsUltAlteracao (recNo), whose text lblUltAlteracao shows.
    std::unordered_map<std::string, int> lastChanges;
    // lblUltAlteracao follows the current party (the grid tells of every move and reload); let
    // go of before the label and the data sets go.
    ObserverScope lastChangeFollower;

    // ----- entry and lifecycle (src/module) -----
    void FormCreate() override;
    void FormActivate();
    void FormClose(CloseAction& action) override;
    void netContratanteBeforeConnect();
    // stNrSeqOrca from the budget now in the filter: the entry sequence for the entry budget,
    // "00" for any other.
    void applyWorkingSequence();

    // ----- budget filter panel (src/budget) -----
    void medCdFilialChange();
    void medCdFilialExit();
    void medCdEmpresaChange();
    void medCdEmpresaExit();
    void edtNrOrcamentoChange();
    void edtNrOrcamentoExit();
    void btnFilialAfterPesq();
    void btpEmpresaBeforePesq(bool& AllowPesq);
    void btpEmpresaAfterPesq();
    void btnNrOrcamentoBeforePesq(bool& AllowPesq);
    void btnNrOrcamentoAfterPesq();
    void panFiltroEnter();
    void panFiltroExit();
    void Vd_Filial(bool boTestaVazio);
    void Vd_CdEmpresa();
    void Vd_Orcamento(bool boTestaVazio);

    // ----- closing (src/budget) -----
    void mnuSairClick() override;

    // ----- party record (src/parties) -----
    void cdsAuxEndeContIDSITUCONTOREVGetText(Field& sender, std::string& text, bool displayText);
    void cdsAuxEndeContIDSITUCONTOREVSetText(Field& sender, const std::string& text);
    void cdsEndeContNRINSJURCLIEGetText(Field& sender, std::string& text, bool displayText);
    void cdsClienteNRINSJURCLIEGetText(Field& sender, std::string& text, bool displayText);
    void cdsContSubNRINSJURCLIEGetText(Field& sender, std::string& text, bool displayText);
    void cdsVdClienteNRINSJURCLIEGetText(Field& sender, std::string& text, bool displayText);
    void cdsEndeContNewRecord(DataSet& dataSet);
    void cdsEndeContAfterInsert(DataSet& dataSet);
    void cdsEndeContAfterOpen(DataSet& dataSet);

    // ----- party validation before saving (src/parties) -----
    void cdsEndeContBeforePost(DataSet& dataSet);
    void Vd_Cliente(bool boTestaVazio);
    void Vd_Contratante();

    // ----- party loading, client search, substitute party (src/parties) -----
    void sbtVerificarClick() override;
    void dbgPadraoEditButtonClick();
    void btnContSubBeforePesq(bool& AllowPesq);
    void btnContSubAfterPesq();
    // The last changes of the budget's parties (GetUltAlteracao), and the current party's one in
    // lblUltAlteracao. Asked ahead into `changes` (the server works on them while the parties
    // are read), and loaded from that answer when it still asks for the budget on screen.
    std::vector<RpcArg> lastChangesArgs() const;
    std::unique_ptr<NetConnection::CallAhead> askLastChanges(PacketReader& changes);
    void loadLastChanges(PacketReader& changes, NetConnection::CallAhead* asked);
    void showLastChange();

    // ----- parties grid (src/parties) -----
    void dbgPadraoEnter();
    void dbgPadraoColEnter();
    void dbgPadraoColExit();
    void dbgPadraoKeyPress(char32_t& key) override;
    void dbgPadraoKeyDown(int& key, ShiftState shift) override;
    void dbgPadraoCellClick(Column& column);
    void dbgPadraoTitleClick(Column& column);
    void dbgPadraoDrawColumnCell(DrawCellArgs& args);
    void HabColunas();
    void Vd_Virgula(DBGrid& dbgGrid, std::string_view Coluna, char32_t& Key);

    // ----- screen state and command enabling (src/parties) -----
    void HabilitaBotoes();
    void dtsPadraoStateChange() override;
    void cdsEndeContAfterScroll(DataSet& dataSet);
    void sbtIncluirClick() override;
    void sbtAlterarClick() override;
    void sbtProcurarClick() override;

    // ----- party deletion (src/parties) -----
    void sbtExcluirClick() override;

    // ----- address lookups (src/parties) -----
    void btnPaisBeforePesq(bool& AllowPesq);
    void btnEstadoBeforePesq(bool& AllowPesq);
    void btnMunicipioBeforePesq(bool& AllowPesq);
    void btnBairroBeforePesq(bool& AllowPesq);
    void btnPaisAfterPesq();
    void btnEstadoAfterPesq();
    void btnMunicipioAfterPesq();
    void btnBairroAfterPesq();
    void dbeCodPaisChange();
    void dbeEstadoChange();
    void dbeCodMunChange();
    void dbeCodBairroChange();
    void dbeCodPaisExit();
    void dbeEstadoExit();
    void dbeCodMunExit();
    void dbeCodBairroExit();
    void dbeEstadoKeyPress(char32_t& key);
    void Vd_Pais(bool boTestaVazio);
    void Vd_Estado(bool boTestaVazio);
    void Vd_Municipio(bool boTestaVazio);
    void Vd_Bairro(bool boTestaVazio);

    // ----- party saving and cancelling (src/parties) -----
    void cdsEndeContAfterPost(DataSet& dataSet);
    void sbtConfirmarClick() override;
    void sbtCancelarClick() override;
    void cdsEndeContAfterCancel(DataSet& dataSet);

    // ----- payment plan and installments (src/payment) -----
    void rbtAvistaClick();
    void rbtDiaFixoClick();
    void rbtFormaVarClick();
    void speDiaPagtoChange();
    void speNrParcelasChange();
    void sbtGeraParcClick();
    void InsereParcelas();
    void VerificaFormaPagto();
    void dtsFormaPagtoStateChange();
    void dbgFormPgtoEnter();
    void dbgFormPgtoColEnter();
    void dbgFormPgtoColExit();
    void dbgFormPgtoKeyPress(char32_t& key);
    void cdsFormaPagtoNewRecord(DataSet& dataSet);
    void cdsFormaPagtoBeforeInsert(DataSet& dataSet);
    void cdsFormaPagtoBeforeEdit(DataSet& dataSet);
    void cdsFormaPagtoAfterEdit(DataSet& dataSet);
    void cdsFormaPagtoDTVENCPARCCONTSetText(Field& sender, const std::string& text);
    void cdsFormaPagtoBeforePost(DataSet& dataSet);
    void cdsFormaPagtoAfterDelete(DataSet& dataSet);
    void vd_prazo(bool boTestaVazio);
    void RecalcPrazo(std::string stOrig);
    void Vd_Valor();

    // ----- office commands: order, listing, class lists (src/parties) -----
    bool canOrderBy(const Column& column) const override;
    void sbtImprimirClick() override;
    void mnuListagemClick() override;
    void mnuImportarListaClick();
    void mnuExportarListaClick();

    // ----- budget-wide operations (src/operations) -----
    void btnRatearClick();
    void Vd_TipoEveCustoEfetivo();
    void Vd_qtContratante();
    void btnConvExtraClick();
    void sbtRespCotasClick();
    void sbtTrocaRespCotasClick();
    void btnCancelaContClick();
    void btnGerarContaClick();
    void btnDevolucaoClick();

    // ----- helpers shared by the subsystems -----
    // Calls a server method by name and checks its result (CheckResultServ): the payload of a
    // good result; a refusal is shown and ends the operation.
    nlohmann::json callServer(std::string_view method, const std::vector<RpcArg>& args = {});
    // The same, with result elements read straight into data sets by their readers (see
    // loadResultPacket).
    nlohmann::json callServer(std::string_view method, const std::vector<RpcArg>& args,
                              const ResultReaders& readers);
    // Runs a lookup query again; a database failure is shown and ends the operation.
    void openLookup(db::Query& query);
    // Copies the budget totals of cdsTotalRateado into the three boxes below the parties grid.
    void showBudgetTotals();
    // Binds the lookup queries to the connection the module was given.
    void useLookupConnection();

private:
    void buildFilterPanel();
    void buildToolbar();
    void buildPartyRecord();
    void buildAddressGroup();
    void buildPaymentPanel();
    void buildLookupQueries();
    void buildCheckPictures();
    void bindEvents();
    void bindPartyEditingEvents();
};

// The element of a server's result array, or a clear error when the answer lacks it.
const nlohmann::json& resultElement(const nlohmann::json& result, std::size_t index,
                                    std::string_view method);
// A server's yes/no answer; an answer that is neither (null, a packet) is a clear error, never
// read as no.
bool resultFlag(const nlohmann::json& result, std::string_view method);
// Loads the packet that `reader` read as element `index` of the result of `method`; the same clear
// error as resultElement when the answer lacked it.
void loadResultPacket(PacketReader& reader, std::size_t index, std::string_view method);

} // namespace ct
