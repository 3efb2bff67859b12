// The listing of the budget's parties (Imprimir, Listagem and the --listing command line).
#include "parties/party_listing.h"

#include "module/frm_contratante.h"
#include "platform/dataset/format.h"
#include "platform/host/dialog_service.h"
#include "platform/host/formatting.h"
#include "platform/host/halvren.h"

namespace ct {
namespace {

std::string codeAndName(const std::string& code, const std::string& name) {
    return name.empty() ? code : code + " - " + name;
}

std::string paymentMode(const DataSet& parties) {
    const std::string mode = parties.fieldByName("IDFORMAPGCONT").asString();
    if (mode == "F") {
        const bool next = parties.fieldByName("IDMESVENCONOREV").asString() == "PROXIMO";
        return "Dia " + FormatFloat("0", parties.fieldByName("NRDIAVENCONOREV").asFloat()) + ", " +
               FormatFloat("0", parties.fieldByName("QTPARCCONTOREV").asFloat()) +
               (next ? " parcela(s) a partir do próximo mês" : " parcela(s) a partir deste mês");
    }
    if (mode == "V")
        return "Parcelas variáveis";
    return "Sem forma de pagamento";
}

// The installments of a party in mode "V", one text each.
std::vector<std::string> installments(TfrmContratante& form, const DataSet& parties) {
    DataSet list("cdsListaParcelas", form.cdsFormaPagto.fieldDefs());
    list.loadPacket(
        form.callServer("GetFormaPtgo", {form.medCdFilial.text(), form.edtNrOrcamento.text(),
                                         parties.fieldByName("NRSEQORCAEVE").asString(),
                                         parties.fieldByName("NRENDCLIORCEVE").asString()}));
    std::vector<std::string> lines;
    int number = 0;
    for (list.first(); !list.eof(); list.next()) {
        const Field& due = list.fieldByName("DTVENCPARCCONT");
        lines.push_back("Parcela " + std::to_string(++number) + ": vencimento " +
                        (due.isNull() ? std::string("-") : formatDate(due.asDateTime())) + " (" +
                        FormatFloat("0", list.fieldByName("QTDIAFORMAPGCON").asFloat()) +
                        " dias), " +
                        FormatFloat("#,##0.00", list.fieldByName("VRPARCELACONT").asFloat()));
    }
    return lines;
}

} // namespace

Report partyListing(TfrmContratante& form) {
    Report report;
    report.title = "Listagem de Contratantes";
    report.fileName = "contratantes-" + form.medCdFilial.text() + "-" + form.edtNrOrcamento.text() +
                      "-" + form.stNrSeqOrca + ".pdf";
    report.header = {
        {"Filial", codeAndName(form.medCdFilial.text(), form.edtNmFilial.text())},
        {"Empresa", codeAndName(form.medCdEmpresa.text(), form.edtNmEmpresa.text())},
        {"Orçamento", form.edtNrOrcamento.text()},
        {"Sequência", form.stNrSeqOrca},
        {"Valor Realizado", FormatFloat("#,##0.00", form.nedVrReali.number())},
    };
    report.columns = {{"Inscrição", 1.5},        {"Nome do Contratante", 3},
                      {"Convidados", 0.9, true}, {"Vr. Cobrado", 1.1, true},
                      {"Situação", 1.1},         {"Forma de Pagamento", 2.2}};

    DataSet& parties = form.cdsEndeCont;
    if (parties.active()) {
        const int inserting =
            parties.state() == DataSetState::Insert ? parties.displayCurrent() : -1;
        for (int row = 0; row < parties.displayRowCount(); ++row) {
            if (row == inserting)
                continue;
            ShowRow shown(parties, row);
            ReportLine line;
            for (const char* name : {"NRINSJURCLIE", "NMFANTCLIE", "QTCONVCONTOREV",
                                     "VRRECECONTOREV", "IDSITUCONTOREV"})
                line.cells.push_back(parties.fieldByName(name).displayText());
            line.cells.push_back(paymentMode(parties));
            if (parties.fieldByName("IDFORMAPGCONT").asString() == "V")
                line.details = installments(form, parties);
            report.lines.push_back(std::move(line));
        }
    }

    report.totals = {
        {form.lblQtContratantes.text(), FormatFloat("0", form.nedQtContratantes.number())},
        {form.lblTotConv.text(), FormatFloat("#,##0", form.nedTotConv.number())},
        {form.lblTotRateado.text(), FormatFloat("#,##0.00", form.nedTotRateado.number())},
    };
    report.footer = "Emitido em " + formatDateTimePattern(DateTime::now(), "dd/mm/yyyy hh:nn") +
                    " por " + Halvren::Operador();
    return report;
}

void TfrmContratante::sbtImprimirClick() {
    mnuListagemClick();
}

void TfrmContratante::mnuListagemClick() {
    if (cdsEndeCont.active())
        dialogs().previewReport(partyListing(*this));
}

} // namespace ct
