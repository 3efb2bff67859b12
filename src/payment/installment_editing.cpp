// Typing installments in their grid: the party goes into edit with them, days and due date are
// kept in step, a new installment belongs to the current party, and each post completes and checks
// the row.
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "payment/installment_grid.h"
#include "platform/dataset/format.h"
#include "platform/host/dates.h"
#include "platform/host/errors.h"
#include "platform/host/round_dec.h"
#include "platform/host/text_routines.h"

#include <algorithm>

namespace ct {
namespace {

std::string selectedFieldName(const DBGrid& grid) {
    const Field* selected = grid.selectedField();
    return selected ? selected->name() : std::string();
}

// The column the user works in tells RecalcPrazo which of days and due date was typed.
void rememberColumn(TfrmContratante& form) {
    const std::string column = selectedFieldName(form.dbgFormPgto);
    if (column == "QTDIAFORMAPGCON")
        form.stOrigGlobal = "DIAS";
    else if (column == "DTVENCPARCCONT")
        form.stOrigGlobal = "DATA";
}

// A party whose installments change is itself being changed.
void putPartyIntoEdit(DataSet& parties) {
    if (parties.active())
        parties.edit();
}

// The value typed into the grid's value cell; anything but a number is refused on that cell.
double typedValue(TfrmContratante& form) {
    const std::string text = GridText(form.dbgFormPgto, "VRPARCELACONT", false);
    const std::optional<double> number = tryParseNumber(text);
    if (number)
        return *number;
    focusInstallmentColumn(form, "VRPARCELACONT");
    if (EmptyString(text))
        MensErro("O valor da parcela deve ser informado.");
    MensErro("\"" + text + "\" não é um valor válido.");
}

} // namespace

void TfrmContratante::dtsFormaPagtoStateChange() {
    if (cdsFormaPagto.editing()) {
        putPartyIntoEdit(cdsEndeCont);
        rememberColumn(*this);
    }
    // While the party is being changed, its installments' state decides whether one can be
    // deleted. (A browsing party's commands follow its own events.)
    if (cdsEndeCont.editing())
        HabilitaBotoes();
}

void TfrmContratante::dbgFormPgtoEnter() {
    dtsFormaPagtoStateChange();
    // Delete now acts on the installments.
    HabilitaBotoes();
}

void TfrmContratante::dbgFormPgtoColEnter() {
    rememberColumn(*this);
}

void TfrmContratante::dbgFormPgtoColExit() {
    if (!cdsFormaPagto.editing())
        return;
    const std::string column = selectedFieldName(dbgFormPgto);
    if (column == "QTDIAFORMAPGCON" || column == "DTVENCPARCCONT") {
        vd_prazo(false);
        stOrigGlobal.clear();
        RecalcPrazo(column == "QTDIAFORMAPGCON" ? "DIAS" : "DATA");
    } else if (column == "VRPARCELACONT") {
        const Field& value = cdsFormaPagto.fieldByName("VRPARCELACONT");
        const auto percent =
            percentOfCharged(value.asFloat(), cdsEndeCont.fieldByName("VRRECECONTOREV").asFloat());
        // An installment without a value has no share yet.
        if (!value.isNull() && percent)
            cdsFormaPagto.fieldByName("VRPEFORMAPGCON").setAsFloat(RoundDec(*percent, 2));
    }
}

void TfrmContratante::dbgFormPgtoKeyPress(char32_t& key) {
    const std::string column = selectedFieldName(dbgFormPgto);
    // Control keys (enter, escape) keep their meaning in every column.
    if (key < 32 || key == 127)
        return;
    if (column == "QTDIAFORMAPGCON" && !(key >= U'0' && key <= U'9'))
        key = 0;
    else if (column == "VRPARCELACONT")
        Vd_Virgula(dbgFormPgto, "VRPARCELACONT", key);
}

void TfrmContratante::cdsFormaPagtoNewRecord(DataSet& dataSet) {
    for (const char* key : {"CDFILIAL", "NRORCAEVENTO", "NRSEQORCAEVE", "NRENDCLIORCEVE"})
        dataSet.fieldByName(key).setValue(cdsEndeCont.fieldByName(key).value());
    focusInstallmentColumn(*this, "QTDIAFORMAPGCON");
}

void TfrmContratante::cdsFormaPagtoBeforeInsert(DataSet& dataSet) {
    cdsAuxFormaPagto.copyFrom(dataSet);
}

void TfrmContratante::cdsFormaPagtoBeforeEdit(DataSet& dataSet) {
    cdsAuxFormaPagto.copyFrom(dataSet);
    stAntigo = GridText(dbgFormPgto, "QTDIAFORMAPGCON", false);
}

void TfrmContratante::cdsFormaPagtoAfterEdit(DataSet&) {
    putPartyIntoEdit(cdsEndeCont);
}

void TfrmContratante::cdsFormaPagtoDTVENCPARCCONTSetText(Field& sender, const std::string& text) {
    std::string digits = text;
    std::erase(digits, '/');
    if (EmptyString(digits))
        sender.clear();
    else
        DateSetText(sender, text);
}

void TfrmContratante::cdsFormaPagtoBeforePost(DataSet& dataSet) {
    if (cdsEndeCont.fieldByName("IDFORMAPGCONT").asString() != "V")
        return;
    Field& value = dataSet.fieldByName("VRPARCELACONT");
    const double charged = cdsEndeCont.fieldByName("VRRECECONTOREV").asFloat();
    if (const auto percent = percentOfCharged(value.asFloat(), charged))
        dataSet.fieldByName("VRPEFORMAPGCON").setAsFloat(RoundDec(*percent, 2));
    value.setAsFloat(typedValue(*this));
    dataSet.fieldByName("DSOBSPARCCONT").setText(GridText(dbgFormPgto, "DSOBSPARCCONT", false));
    RecalcPrazo(stOrigGlobal);
    vd_prazo(true);
}

} // namespace ct
