// Checking and completing a party before it is posted: the client behind the inscription, the
// duplicate checks against the budget, the invitation prices, the address and the payment mode.
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "parties/invitation_prices.h"
#include "parties/party_columns.h"
#include "parties/registered_address.h"
#include "payment/payment_panel.h"
#include "platform/host/errors.h"
#include "platform/host/text_routines.h"

#include <utility>

namespace ct {
namespace {

bool inscriptionChangedInEdit(const DataSet& parties) {
    const Field& inscription = parties.fieldByName("NRINSJURCLIE");
    return parties.state() == DataSetState::Edit &&
           !(inscription.value() == inscription.oldValue());
}

std::optional<double> money(const Field& field) {
    if (field.isNull())
        return std::nullopt;
    return field.asFloat();
}

std::optional<double> number(const Value& value) {
    if (value.isNull())
        return std::nullopt;
    return value.asDouble();
}

void copyRegisteredClient(TfrmContratante& form) {
    DataSet& parties = form.cdsEndeCont;
    form.dbgPadrao.column(partycol::inscription).setReadOnly(false);
    for (const char* name : {"IDTPIJURCLIE", "NRINSJURCLIE", "NMFANTCLIE", "NMRAZSOCCLIE"})
        parties.fieldByName(name).setValue(form.cdsVdCliente.fieldByName(name).value());
    parties.fieldByName("CDCLIENCONTORCA")
        .setValue(form.cdsVdCliente.fieldByName("CDCLIENTE").value());
    // A party attached to a registered client keeps its inscription.
    form.dbgPadrao.column(partycol::inscription).setReadOnly(true);
}

// Additional invitations of both kinds priced into the charged value, once per edit.
void applyInvitationPrices(TfrmContratante& form) {
    DataSet& parties = form.cdsEndeCont;
    Field& charged = parties.fieldByName("VRRECECONTOREV");
    const std::optional<double> before =
        form.chargedBeforeInvitations.startingValue(money(charged));
    std::optional<double> value = before;
    struct Kind {
        const char* count;
        const char* total;
        double unitPrice;
    };
    for (const Kind& kind : {Kind{"QTCONVADICADULTO", "VRTOTCONVADU", form.doVrConvAdicAdu},
                             Kind{"QTCONVADICCRIANCA", "VRTOTCONVCRI", form.doVrConvAdicCri}}) {
        const Field& count = parties.fieldByName(kind.count);
        const InvitationCharge charge =
            chargeWithInvitations(value, count.asFloat(), number(count.oldValue()), kind.unitPrice);
        if (charge.total)
            parties.fieldByName(kind.total).setAsFloat(*charge.total);
        value = charge.charged;
    }
    if (value != money(charged)) {
        if (value)
            charged.setAsFloat(*value);
        else
            charged.clear();
    }
    form.chargedBeforeInvitations.remember(before, value);
}

// The payment-mode fields from the option checked in the payment panel.
void applyPaymentModeFields(TfrmContratante& form) {
    DataSet& parties = form.cdsEndeCont;
    Field& mode = parties.fieldByName("IDFORMAPGCONT");
    Field& installments = parties.fieldByName("QTPARCCONTOREV");
    Field& dueDay = parties.fieldByName("NRDIAVENCONOREV");
    Field& month = parties.fieldByName("IDMESVENCONOREV");
    if (form.rbtAvista.checked()) {
        mode.setAsString("E");
        installments.setAsInteger(0);
        dueDay.setAsInteger(0);
        month.setAsString("ATUAL");
    } else if (form.rbtDiaFixo.checked()) {
        mode.setAsString("F");
        installments.setAsInteger(form.speNrParcelas.value());
        dueDay.setAsInteger(form.speDiaPagto.value());
        month.setAsString(form.dckProxMes.checked() ? "PROXIMO" : "ATUAL");
    } else if (form.rbtFormaVar.checked()) {
        mode.setAsString("V");
        installments.setAsInteger(0);
        dueDay.setAsInteger(0);
    }
}

} // namespace

void TfrmContratante::Vd_Cliente(bool boTestaVazio) {
    if (!cdsEndeCont.editing())
        return;
    try {
        Field& inscription = cdsEndeCont.fieldByName("NRINSJURCLIE");
        std::string stIns = "C" + inscription.asString();
        std::string stTpCliente = Ajusta_Inscricao(stIns);

        // Text without a single digit informs no client either.
        if (boTestaVazio && EmptyString(stIns))
            MensErro(msgPadrao.Msg("CLIE_INF"));

        if (cdsEndeCont.state() == DataSetState::Insert || inscriptionChangedInEdit(cdsEndeCont)) {
            inscription.setAsString(stIns);
            cdsEndeCont.fieldByName("CDCLIENCONTORCA").setAsString(stTpCliente + stIns);
            cdsContratJaCad.loadPacket(callServer(
                "GetClienteJaCad", {medCdFilial.text(), edtNrOrcamento.text(),
                                    cdsEndeCont.fieldByName("CDCLIENCONTORCA").asString(),
                                    cdsEndeCont.fieldByName("NRSEQORCAEVE").asString()}));
            if (!cdsContratJaCad.isEmpty())
                MensErro(msgPadrao.Msg("CONTRAT_JA_CAD"));
        }

        if (EmptyString(inscription.asString()))
            return;
        inscription.setAsString(stIns);
        const nlohmann::json arResult =
            callServer("GetClie", {inscription.asString(), RpcArg::ref(stTpCliente)});
        if (const nlohmann::json& client = resultElement(arResult, 0, "GetClie"); !client.is_null())
            cdsVdCliente.loadPacket(client);
        if (const nlohmann::json& address = resultElement(arResult, 1, "GetClie");
            !address.is_null())
            cdsEndeClie.loadPacket(address);
        if (cdsVdCliente.isEmpty())
            return;
        copyRegisteredClient(*this);
        if (cdsEndeClie.isEmpty() || cdsEndeCont.state() != DataSetState::Insert)
            return;
        // Names of country and municipality are not copied: the address checks fill them.
        for (const auto& [from, to] : registeredAddress)
            cdsEndeCont.fieldByName(to).setValue(cdsEndeClie.fieldByName(from).value());
    } catch (...) {
        focusColumn(dbgPadrao, "NRINSJURCLIE");
        throw;
    }
}

void TfrmContratante::Vd_Contratante() {
    applyWorkingSequence();
    stInsc = cdsEndeCont.state() == DataSetState::Insert
                 ? cdsEndeCont.fieldByName("NRINSJURCLIE").asString()
                 : std::string(" ");
    cdsVdContratante.loadPacket(
        callServer("VdContratante", {medCdFilial.text(), edtNrOrcamento.text(),
                                     RpcArg::ref(stNrSeqOrca), RpcArg::ref(stInsc)}));
    if (cdsVdContratante.isEmpty() || cdsVdContratante.fieldByName("CDCLIENTE").asString() ==
                                          cdsLiderTurma.fieldByName("CDCLIENCONTORCA").asString())
        return;
    selectColumnQuietly(dbgPadrao, "NRINSJURCLIE");
    cdsEndeCont.fieldByName("NMFANTCLIE").clear();
    MensErro(msgPadrao.Msg("CONT_J_CAD"));
}

void TfrmContratante::cdsEndeContBeforePost(DataSet&) {
    Vd_Contratante();
    Field& inscription = cdsEndeCont.fieldByName("NRINSJURCLIE");
    if (EmptyString(inscription.asString())) {
        focusColumn(dbgPadrao, "NRINSJURCLIE");
        MensErro(msgPadrao.Msg("Insc_N_Inf"));
    }
    Vd_Cliente(true);

    if (inscriptionChangedInEdit(cdsEndeCont)) {
        std::string stIns = "C" + inscription.asString();
        const std::string stTpCliente = Ajusta_Inscricao(stIns);
        if (cdsVdCliente.isEmpty()) {
            msgPadrao.ShowMsg("Cli_n_Cad", MsgType::Information, mbOK);
            inscription.setEditMask(PictPess("I"));
            if (dbgPadrao.canFocus())
                dbgPadrao.setFocus();
            dbgPadrao.column(partycol::inscription).setReadOnly(false);
            selectColumnQuietly(dbgPadrao, "NMFANTCLIE");
            const std::string code = stTpCliente + inscription.asString();
            cdsEndeCont.fieldByName("IDTPIJURCLIE").setAsString(stTpCliente);
            cdsEndeCont.fieldByName("CDCLIENCONTORCA").setAsString(code);
            cdsEndeCont.fieldByName("CDCLIENTE").setAsString(code);
            boNovoClie = true;
        } else {
            copyRegisteredClient(*this);
        }
    }

    Field& status = cdsEndeCont.fieldByName("IDSITUCONTOREV");
    if (status.isNull())
        status.setAsString("LANCADO");
    applyInvitationPrices(*this);
    if (cdsEndeCont.fieldByName("VRRECECONTOREV").isNull())
        cdsEndeCont.fieldByName("IDVRRECENULL").setAsString("");
    for (const char* count : {"QTCONVADICADULTO", "QTCONVADICCRIANCA"})
        if (cdsEndeCont.fieldByName(count).isNull())
            cdsEndeCont.fieldByName(count).setAsFloat(0);

    if (EmptyString(cdsEndeCont.fieldByName("NMFANTCLIE").asString())) {
        focusColumn(dbgPadrao, "NMFANTCLIE");
        MensErro(msgPadrao.Msg("NOME_N_INF"));
    }
    if (EmptyString(cdsEndeCont.fieldByName("DSENDECLIORE").asString())) {
        dbeEndereco.setFocus();
        MensErro(msgPadrao.Msg("Ende_N_Inf"));
    }
    Vd_Pais(true);
    Vd_Estado(true);
    Vd_Municipio(true);
    Vd_Bairro(false);

    applyWorkingSequence();
    cdsEndeCont.fieldByName("CDFILIAL").setAsString(medCdFilial.text());
    cdsEndeCont.fieldByName("NRORCAEVENTO").setAsString(edtNrOrcamento.text());
    cdsEndeCont.fieldByName("NRSEQORCAEVE").setAsString(stNrSeqOrca);
    if (status.isNull())
        status.setAsString("LANCADO");
    if (cdsEndeCont.fieldByName("VRRECECONTOREV").isNull())
        cdsEndeCont.fieldByName("IDVRRECENULL").setAsString("");
    cdsEndeCont.fieldByName("NMRAZSOCCLIE").setValue(cdsEndeCont.fieldByName("NMFANTCLIE").value());

    // A party that may no longer change its plan keeps it as stored.
    if (planLocked(*this))
        return;
    if (rbtDiaFixo.checked() && (speDiaPagto.value() == 0 || speNrParcelas.value() == 0))
        MensErro(msgPadrao.Msg("PARC_FIX_INF"));
    if (rbtFormaVar.checked()) {
        vd_prazo(true);
        Vd_Valor();
    }
    applyPaymentModeFields(*this);
}

} // namespace ct
