// Checks on the installments of the current party: the days of one installment, and the sum of
// all of them against the value charged to the party.
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "platform/dataset/dataset_error.h"
#include "platform/host/errors.h"
#include "platform/host/round_dec.h"
#include "platform/host/text_routines.h"

#include <charconv>

namespace ct {
namespace {

void focusInstallmentColumn(TfrmContratante& form, std::string_view fieldName) {
    if (form.dbgFormPgto.canFocus())
        form.dbgFormPgto.setFocus();
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
