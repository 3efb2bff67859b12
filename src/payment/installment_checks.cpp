// Checks on the installments of the current party: the days of one installment, its days and due
// date kept in step, and the sum of all of them against the value charged to the party.
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "payment/installment_grid.h"
#include "platform/dataset/dataset_error.h"
#include "platform/dataset/event_detach.h"
#include "platform/dataset/format.h"
#include "platform/host/errors.h"
#include "platform/host/round_dec.h"

#include <charconv>

namespace ct {

void focusInstallmentColumn(TfrmContratante& form, std::string_view fieldName) {
    if (form.dbgFormPgto.canFocus())
        form.dbgFormPgto.setFocus();
    EventDetach<Control::Handler> quiet(form.dbgFormPgto.onColExit);
    form.dbgFormPgto.setSelectedIndex(IndiceCol(form.dbgFormPgto, fieldName));
}

std::int64_t wholeDays(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    std::int64_t days = 0;
    if (first != std::string::npos) {
        const char* begin = text.data() + first;
        const char* end = text.data() + last + 1;
        const auto [stop, error] = std::from_chars(begin, end, days);
        if (error == std::errc() && stop == end)
            return days;
    }
    MensErro("\"" + text + "\" não é um número inteiro de dias.");
}

std::optional<double> percentOfCharged(double value, double charged) {
    if (RoundDec(charged, 2) == 0)
        return std::nullopt;
    return value * 100 / charged;
}

namespace {

// Whether the snapshot taken before the insert or edit began already has these days.
bool daysTaken(const DataSet& snapshot, const std::string& days) {
    if (!snapshot.active())
        return false;
    LocateOptions options;
    options.caseInsensitive = true;
    try {
        return snapshot.find("QTDIAFORMAPGCON", {Value(days)}, options) >= 0;
    } catch (const DataSetError&) {
        return false;
    }
}

} // namespace

void TfrmContratante::vd_prazo(bool boTestaVazio) {
    const std::string stPrazo = GridText(dbgFormPgto, "QTDIAFORMAPGCON", false);
    Field& days = cdsFormaPagto.fieldByName("QTDIAFORMAPGCON");
    if (cdsFormaPagto.editing() && !stPrazo.empty())
        days.setAsInteger(wholeDays(stPrazo));
    try {
        if (stPrazo.empty()) {
            if (!boTestaVazio)
                return;
            MensErro(msgPadrao.Msg("Prazo_n_inf"));
        }
        if (!(days.asFloat() > 0))
            MensErro(msgPadrao.Msg("Prazo_menor"));
        if (cdsFormaPagto.state() == DataSetState::Insert && daysTaken(cdsAuxFormaPagto, stPrazo))
            MensErro(msgPadrao.Msg("Prazo_JCAD"));
        if (cdsFormaPagto.state() == DataSetState::Edit && !(days.value() == days.oldValue()) &&
            daysTaken(cdsAuxFormaPagto, stPrazo) && stPrazo != stAntigo)
            MensErro(msgPadrao.Msg("Prazo_JCAD"));
    } catch (...) {
        focusInstallmentColumn(*this, "QTDIAFORMAPGCON");
        throw;
    }
}

void TfrmContratante::RecalcPrazo(std::string stOrig) {
    if (!stOrigGlobal.empty())
        stOrig = stOrigGlobal;
    const DateTime today = DateTime::today();
    Field& due = cdsFormaPagto.fieldByName("DTVENCPARCCONT");
    if (stOrig == "DIAS") {
        const std::string stPrazo = GridText(dbgFormPgto, "QTDIAFORMAPGCON", false);
        if (!stPrazo.empty())
            due.setAsDateTime(today.addDays(wholeDays(stPrazo)));
    } else if (stOrig == "DATA") {
        const std::string stPrazo = GridText(dbgFormPgto, "DTVENCPARCCONT", false);
        if (stPrazo.empty())
            return;
        try {
            if (today > due.asDateTime().date())
                MensErro(msgPadrao.Msg("VENC_INV_CONT"));
            const std::optional<DateTime> typed = tryParseDate(stPrazo);
            if (!typed)
                MensErro("'" + stPrazo + "' não é uma data válida.");
            due.setAsDateTime(*typed);
            cdsFormaPagto.fieldByName("QTDIAFORMAPGCON").setAsInteger(today.daysUntil(*typed));
            vd_prazo(false);
        } catch (...) {
            focusInstallmentColumn(*this, "DTVENCPARCCONT");
            throw;
        }
    }
}

void TfrmContratante::Vd_Valor() {
    stAuxData =
        cdsFormaPagto.active() ? cdsFormaPagto.fieldByName("DTVENCPARCCONT").text() : std::string();
    double exSoma = 0;
    if (cdsFormaPagto.active()) {
        for (cdsFormaPagto.first(); !cdsFormaPagto.eof(); cdsFormaPagto.next())
            exSoma = RoundDec(exSoma, 2) +
                     RoundDec(cdsFormaPagto.fieldByName("VRPARCELACONT").asFloat(), 2);
    }
    const double charged = cdsEndeCont.fieldByName("VRRECECONTOREV").asFloat();
    if (RoundDec(exSoma, 2) == RoundDec(charged, 2))
        return;
    focusInstallmentColumn(*this, "VRPARCELACONT");
    if (stOp.empty() && !stAuxData.empty()) {
        // Back on the installment that was current when the check began.
        LocateOptions options;
        options.caseInsensitive = true;
        try {
            cdsFormaPagto.locate("DTVENCPARCCONT", Value(stAuxData), options);
        } catch (const DataSetError&) {
        }
    }
    stOp.clear();
    MensErro(msgPadrao.Msg("VALOR_INV_CONT"));
}

} // namespace ct
