// The budget filter panel: branch, company and budget, their searches and checks, and the loading
// of the budget's parties when the panel is left.
#include "module/frm_contratante.h"
#include "platform/host/errors.h"
#include "platform/host/progress.h"
#include "platform/host/text_routines.h"

namespace ct {
namespace {

// Runs `check`; when it fails, the focus goes to `field` before the failure goes on.
template <class Check> void focusOnFailure(Control& field, Check&& check) {
    try {
        check();
    } catch (...) {
        field.setFocus();
        throw;
    }
}

} // namespace

void TfrmContratante::medCdFilialChange() {
    edtNmFilial.clear();
    nedVrReali.clear();
    edtNrOrcamento.clear();
    medCdEmpresa.clear();
    edtNmEmpresa.clear();
}

void TfrmContratante::edtNrOrcamentoChange() {
    nedVrReali.clear();
}

void TfrmContratante::medCdEmpresaChange() {
    edtNmEmpresa.clear();
}

void TfrmContratante::Vd_Filial(bool boTestaVazio) {
    if (EmptyString(medCdFilial.text())) {
        if (!boTestaVazio)
            return;
        medCdFilial.setFocus();
        MensErro(msgPadrao.Msg("FILI_N_INF"));
    }
    medCdFilial.setText(Ajusta(medCdFilial.text(), 4));
    qryPesqFilial.setParam("P_CDFILIAL", medCdFilial.text());
    focusOnFailure(medCdFilial, [this] { openLookup(qryPesqFilial); });
    if (qryPesqFilial.isEmpty()) {
        medCdFilial.setFocus();
        MensErro(msgPadrao.Msg("FILI_N_CAD"));
    }
    medCdFilial.setText(qryPesqFilial.fieldByName("CDFILIAL").asString());
    edtNmFilial.setText(qryPesqFilial.fieldByName("NMFILIAL").asString());
}

void TfrmContratante::medCdFilialExit() {
    Vd_Filial(true);
    if (medCdEmpresa.text().empty() && !medCdFilial.text().empty()) {
        qryPesqFilial.setParam("P_CDFILIAL", medCdFilial.text());
        openLookup(qryPesqFilial);
        medCdEmpresa.setText(qryPesqFilial.fieldByName("CDEMPRESA").asString());
    }
}

void TfrmContratante::Vd_CdEmpresa() {
    focusOnFailure(medCdEmpresa, [this] {
        medCdEmpresa.setText(Ajusta(medCdEmpresa.text(), 2));
        if (EmptyString(medCdEmpresa.text()))
            MensErro(msgPadrao.Msg("EMPR_DEVE"));
        cdsPesqEmpresa.loadPacket(
            callServer("GetEmpresa", {medCdFilial.text(), medCdEmpresa.text(), std::string()}));
        if (cdsPesqEmpresa.isEmpty())
            MensErro(msgPadrao.Msg("EMPR_NAO_CAD"));
        edtNmEmpresa.setText(cdsPesqEmpresa.fieldByName("NMEMPRESA").asString());
    });
}

void TfrmContratante::medCdEmpresaExit() {
    Vd_CdEmpresa();
}

void TfrmContratante::Vd_Orcamento(bool boTestaVazio) {
    focusOnFailure(edtNrOrcamento, [this, boTestaVazio] {
        if (EmptyString(edtNrOrcamento.text())) {
            if (boTestaVazio)
                MensErro(msgPadrao.Msg("ORCA_N_INF"));
            return;
        }
        edtNrOrcamento.setText(Ajusta(edtNrOrcamento.text(), 10));
        applyWorkingSequence();
        cdsVdOrcaEven.loadPacket(
            callServer("GetVdOrcaEven",
                       {medCdFilial.text(), edtNrOrcamento.text(), RpcArg::ref(stNrSeqOrca)}));
        if (cdsVdOrcaEven.isEmpty())
            MensErro(msgPadrao.Msg("ORCA_N_CAD"));
        const nlohmann::json totals = callServer(
            "GetVrTotal", {medCdFilial.text(), edtNrOrcamento.text(), RpcArg::ref(stNrSeqOrca)});
        const auto number = [&totals](std::size_t index) {
            const nlohmann::json& element = resultElement(totals, index, "GetVrTotal");
            return element.is_number() ? element.get<double>() : 0.0;
        };
        doVrTotalOrev = number(0);
        doVrConvAdicAdu = number(1);
        doVrConvAdicCri = number(2);
        nedVrReali.setNumber(doVrTotalOrev);
    });
}

void TfrmContratante::edtNrOrcamentoExit() {
    Vd_Orcamento(false);
}

void TfrmContratante::btnFilialAfterPesq() {
    DataSet& branches = qryFilial.dataSet();
    const std::string name = branches.fieldByName("NMFILIAL").asString();
    medCdFilial.setText(branches.fieldByName("CDFILIAL").asString());
    edtNmFilial.setText(name);
}

void TfrmContratante::btpEmpresaBeforePesq(bool&) {
    cdsPesqEmpresa.loadPacket(
        callServer("GetEmpresa", {medCdFilial.text(), std::string(), std::string("T")}));
}

void TfrmContratante::btpEmpresaAfterPesq() {
    medCdEmpresa.setText(cdsPesqEmpresa.fieldByName("CDEMPRESA").asString());
}

void TfrmContratante::btnNrOrcamentoBeforePesq(bool&) {
    cdsPesqOrca.loadPacket(callServer("GetPesqOrca", {medCdFilial.text()}));
}

void TfrmContratante::btnNrOrcamentoAfterPesq() {
    // Read before the budget field changes: its change handler clears the realised value.
    const double total = cdsPesqOrca.fieldByName("VRTOTALOREV").asFloat();
    edtNrOrcamento.setText(cdsPesqOrca.fieldByName("NRORCAEVENTO").asString());
    nedVrReali.setNumber(total);
    doVrConvAdicAdu = cdsPesqOrca.fieldByName("VRCONVEXTADU").asFloat();
    doVrConvAdicCri = cdsPesqOrca.fieldByName("VRCONVEXTCRI").asFloat();
}

void TfrmContratante::panFiltroEnter() {
    if (cdsEndeCont.active())
        cdsEndeCont.close();
    nedQtContratantes.setNumber(0);
    nedTotRateado.setNumber(0);
    nedTotConv.setNumber(0);
}

void TfrmContratante::panFiltroExit() {
    Vd_Filial(true);
    Vd_Orcamento(true);
    sbtVerificarClick();

    bool boInsEndeFili = false;
    if (cdsEndeCont.isEmpty()) {
        if (stNrSeqOrca == "00" || boOrcaFilhoDist) {
            if (msgPadrao.ShowMsg("IMP_CLIE_CONTRATANTE", MsgType::Confirmation, mbYes | mbNo) ==
                MsgResult::Yes) {
                // The sequence comes from the still empty party set, so it travels empty.
                callServer("SetClienteContratante",
                           {medCdFilial.text(), edtNrOrcamento.text(),
                            cdsEndeCont.fieldByName("NRSEQORCAEVE").asString()});
            } else {
                boInsEndeFili = true;
            }
        } else {
            callServer("SetImpContratante",
                       {medCdFilial.text(), edtNrOrcamento.text(), RpcArg::ref(stNrSeqOrca)});
        }
        sbtVerificarClick();
    }

    cdsParamOrca.loadPacket(callServer("GetParamOrca"));
    if (!boInsEndeFili)
        return;

    {
        ShowAviGuard progress(this, 6);
        cdsEndeFili.loadPacket(callServer("GetEndeFili", {medCdFilial.text()}));
    }
    cdsEndeCont.insert();
    for (const char* name : {"CDPAIS", "SGESTADO", "NMPAIS", "CDMUNICIPIO", "NMMUNICIPIO"})
        cdsEndeCont.fieldByName(name).setValue(cdsEndeFili.fieldByName(name).value());
}

} // namespace ct
