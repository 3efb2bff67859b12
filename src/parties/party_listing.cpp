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

// The payment mode as the payment panel names it, and for a fixed day its plan.
std::string paymentMode(const TfrmContratante& form, const DataSet& parties) {
    const std::string mode = parties.fieldByName("IDFORMAPGCONT").asString();
    if (mode == "F")
        return form.rbtDiaFixo.text();
    if (mode == "V")
        return form.rbtFormaVar.text();
    return form.rbtAvista.text();
}

std::string fixedDayPlan(const DataSet& parties) {
    const bool next = parties.fieldByName("IDMESVENCONOREV").asString() == "PROXIMO";
    return "Dia " + FormatFloat("0", parties.fieldByName("NRDIAVENCONOREV").asFloat()) + ", " +
           FormatFloat("0", parties.fieldByName("QTPARCCONTOREV").asFloat()) +
           (next ? " parcela(s), a primeira no próximo mês" : " parcela(s), a primeira neste mês");
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
    report.columns = {{"Inscrição", 1.7},        {"Nome do Contratante", 2.4},
                      {"Convidados", 1.3, true}, {"Vr. Cobrado", 1.4, true},
                      {"Situação", 1.2},         {"Forma de Pagamento", 2.6}};

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
            line.cells.push_back(paymentMode(form, parties));
            const std::string mode = parties.fieldByName("IDFORMAPGCONT").asString();
            if (mode == "F")
                line.details = {fixedDayPlan(parties)};
            else if (mode == "V")
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
