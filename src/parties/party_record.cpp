// The contracting-party record: status texts, masked inscriptions and the defaults of a new party.
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "parties/party_texts.h"
#include "platform/host/round_dec.h"

namespace ct {

void TfrmContratante::cdsAuxEndeContIDSITUCONTOREVGetText(Field& sender, std::string& text, bool) {
    text = statusDisplayText(msgPadrao, sender.dataSet().isEmpty(), sender.asString());
}

void TfrmContratante::cdsAuxEndeContIDSITUCONTOREVSetText(Field& sender, const std::string& text) {
    if (const auto code = statusCodeOf(msgPadrao, text))
        sender.setAsString(*code);
}

void TfrmContratante::cdsEndeContNRINSJURCLIEGetText(Field& sender, std::string& text, bool) {
    text = maskedInscription(sender.dataSet(), sender);
}

void TfrmContratante::cdsClienteNRINSJURCLIEGetText(Field& sender, std::string& text, bool) {
    text = maskedInscription(sender.dataSet(), sender);
}

void TfrmContratante::cdsContSubNRINSJURCLIEGetText(Field& sender, std::string& text, bool) {
    text = maskedInscription(sender.dataSet(), sender);
}

void TfrmContratante::cdsVdClienteNRINSJURCLIEGetText(Field& sender, std::string& text, bool) {
    text = maskedInscription(sender.dataSet(), sender);
}

void TfrmContratante::cdsEndeContNewRecord(DataSet& dataSet) {
    if (const auto share = uncoveredShare(nedVrReali.number(), nedTotRateado.number()))
        dataSet.fieldByName("VRRECECONTOREV").setAsFloat(*share);
    if (dbgPadrao.canFocus())
        dbgPadrao.setFocus();
    if (dbgPadrao.dataSet() == &dataSet)
        dbgPadrao.setSelectedField("NRINSJURCLIE");
}

void TfrmContratante::cdsEndeContAfterInsert(DataSet& dataSet) {
    boNovoClie = false;
    dataSet.fieldByName("IDMARCADO").setAsString("N");
    dataSet.fieldByName("IDFORMAPGCONT").setAsString("E");
    rbtAvista.setChecked(true);
}

void TfrmContratante::cdsEndeContAfterOpen(DataSet&) {
    boNovoClie = false;
}

} // namespace ct
