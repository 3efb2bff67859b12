// Generating a party's installments: n equal shares of the charged value, k × P days from today,
// the cents left over on the last one.
#include "module/frm_contratante.h"
#include "money/shares.h"
#include "parties/party_columns.h"
#include "payment/installment_grid.h"
#include "payment/plan_saving.h"
#include "platform/dataset/event_detach.h"
#include "platform/host/errors.h"
#include "platform/host/round_dec.h"
#include "platform/ui/flag_scope.h"

#include <cmath>

namespace ct {
namespace {

// More than this is no payment plan but a typing slip.
constexpr double maxInstallments = 999;

// Set while the generation runs again after deleting the stored plan.
bool regenerating = false;

bool wholeNumber(double number) {
    return std::isfinite(number) && std::floor(number) == number;
}

// The count asked for; none for a fractional or absurdly large one. A count of 0 or less
// generates no row.
std::optional<int> generationCount(double number) {
    if (!wholeNumber(number) || number > maxInstallments)
        return std::nullopt;
    return number > 0 ? static_cast<int>(number) : 0;
}

} // namespace

void TfrmContratante::sbtGeraParcClick() {
    try {
        // A negative count would delete the stored plan and generate nothing: refused like 0.
        const std::optional<int> count = generationCount(nedQtParcela.number());
        if (!count || *count == 0)
            MensErro(msgPadrao.Msg("QT_PARC_INV"));
        InsereParcelas();
    } catch (...) {
        focusColumn(dbgPadrao, "VRRECECONTOREV");
        throw;
    }
}

void TfrmContratante::InsereParcelas() {
    const std::optional<int> count = generationCount(nedQtParcela.number());
    if (!count)
        MensErro(msgPadrao.Msg("QT_PARC_INV"));
    if (!cdsFormaPagto.active())
        cdsFormaPagto.open();

    if (cdsFormaPagto.recordCount() > 0 && !regenerating) {
        // The stored plan goes at once; it is kept until the party is saved or its edit ends.
        const std::vector<std::string> key = currentPartyKey(*this);
        const std::vector<RpcArg> args(key.begin(), key.end());
        DataSet previous(cdsFormaPagto.name());
        previous.copyFrom(cdsFormaPagto);
        callServer("DeletaParcelas", args);
        // A party the server has not numbered yet has no stored plan to give back.
        if (!key.back().empty())
            planBeforeRegeneration.keep(key, previous);
        cdsFormaPagto.loadPacket(callServer("GetFormaPtgo", args));
        FlagScope again(regenerating);
        InsereParcelas();
        return;
    }

    // Generated rows are checked as a whole by the party's save, not one by one.
    EventDetach<DataSetEvent> unchecked(cdsFormaPagto.beforePost);
    if (cdsFormaPagto.recordCount() > 0) {
        // The server still had rows after the deletion: they go once more.
        const std::vector<std::string> key = currentPartyKey(*this);
        cdsFormaPagto.cancel();
        callServer("DeletaParcelas", std::vector<RpcArg>(key.begin(), key.end()));
    }
    const double charged = cdsEndeCont.fieldByName("VRRECECONTOREV").asFloat();
    const std::vector<double> shares = money::equalShares(charged, *count);
    const double exRateio = shares.empty() ? 0 : shares.front(); // RoundDec(C / n, 2)
    const double step = nedPrazo.number();
    const DateTime today = DateTime::today();
    double exSoma = 0;
    double exNrDias = step;
    for (int k = 0; k < *count; ++k) {
        // Appended so that the rows read in the order they fall due.
        if (cdsFormaPagto.state() == DataSetState::Browse)
            cdsFormaPagto.append();
        Field& days = cdsFormaPagto.fieldByName("QTDIAFORMAPGCON");
        days.setAsFloat(days.asFloat() + exNrDias);
        cdsFormaPagto.fieldByName("DTVENCPARCCONT")
            .setAsDateTime(today.addDays(static_cast<std::int64_t>(days.asFloat())));
        cdsFormaPagto.fieldByName("VRPARCELACONT").setAsFloat(exRateio);
        if (const auto percent = percentOfCharged(exRateio, charged))
            cdsFormaPagto.fieldByName("VRPEFORMAPGCON").setAsFloat(*percent);
        cdsFormaPagto.fieldByName("DSOBSPARCCONT").setText(edtObservacao.text());
        cdsFormaPagto.post();
        exSoma = RoundDec(exSoma, 2) + RoundDec(exRateio, 2);
        exNrDias = step + exNrDias;
    }

    // The last installment takes the cents the equal shares leave over or take too many.
    exSoma = RoundDec(exSoma, 2);
    if (shares.empty() || exSoma == RoundDec(charged, 2))
        return;
    cdsFormaPagto.last();
    cdsFormaPagto.edit();
    cdsFormaPagto.fieldByName("VRPARCELACONT").setAsFloat(shares.back());
    if (const auto percent = percentOfCharged(shares.back(), charged))
        cdsFormaPagto.fieldByName("VRPEFORMAPGCON").setAsFloat(RoundDec(*percent, 2));
    cdsFormaPagto.post();
}

} // namespace ct
