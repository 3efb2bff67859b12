// How a party's installments reach the server with it.
#include "payment/plan_saving.h"

#include "module/frm_contratante.h"
#include "platform/dataset/event_detach.h"

namespace ct {

std::vector<std::string> currentPartyKey(TfrmContratante& form) {
    const DataSet& party = form.cdsEndeCont;
    return {form.medCdFilial.text(), form.edtNrOrcamento.text(),
            party.fieldByName("NRSEQORCAEVE").asString(),
            party.fieldByName("NRENDCLIORCEVE").asString()};
}

std::string insertedPartyNumber(const nlohmann::json& totals) {
    DataSet answer("SetEndeCont");
    answer.loadPacket(totals);
    const Field* number = answer.findField("NRENDCLIORCEVE");
    return number && !answer.isEmpty() ? number->asString() : std::string();
}

void stampPartyNumber(TfrmContratante& form, const std::string& number) {
    DataSet& installments = form.cdsFormaPagto;
    if (number.empty() || !installments.active() || installments.editing())
        return;
    // Writing the key is no user edit: neither checks nor snapshots run, and the grids stay as
    // they are.
    EventDetach<DataSetEvent> noSnapshot(installments.beforeEdit);
    EventDetach<DataSetEvent> noPartyEdit(installments.afterEdit);
    EventDetach<DataSetEvent> noChecks(installments.beforePost);
    ControlsDisabled quiet(installments);
    const Bookmark current = installments.bookmark();
    for (installments.first(); !installments.eof(); installments.next()) {
        if (!installments.fieldByName("NRENDCLIORCEVE").asString().empty())
            continue;
        installments.edit();
        for (const char* key : {"CDFILIAL", "NRORCAEVENTO", "NRSEQORCAEVE"})
            installments.fieldByName(key).setValue(form.cdsEndeCont.fieldByName(key).value());
        installments.fieldByName("NRENDCLIORCEVE").setAsString(number);
        installments.post();
    }
    if (installments.bookmarkValid(current))
        installments.gotoBookmark(current);
}

} // namespace ct
