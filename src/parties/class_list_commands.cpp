// Class lists in and out: "Importar Lista" brings the rows of a spreadsheet in as new parties, in
// one save, after the user has seen what each row will become; "Exportar Lista" writes the
// parties as a spreadsheet.
#include "classlist/class_list.h"
#include "classlist/delimited_text.h"
#include "classlist/import_plan.h"
#include "module/frm_contratante.h"
#include "parties/record_fields.h"
#include "parties/registered_address.h"
#include "platform/host/dialog_service.h"
#include "platform/host/errors.h"
#include "platform/host/progress.h"

#include <fstream>
#include <map>
#include <sstream>

namespace ct {
namespace {

using classlist::ImportPlan;
using classlist::Inscription;
using classlist::PlannedParty;
using classlist::RegisteredClient;

std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        MensErro("Não foi possível ler o arquivo " + path + ".");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The checks of a typed party, asked of the application server: the registered client of the
// inscription (GetClie) and the two duplicate checks (GetClienteJaCad, VdContratante).
class ServerLookups final : public classlist::ImportLookups {
public:
    explicit ServerLookups(TfrmContratante& form)
        : form_(form) {}

    std::optional<RegisteredClient> registeredClient(const Inscription& inscription) override {
        std::string personType = inscription.personType;
        const nlohmann::json answer =
            form_.callServer("GetClie", {inscription.digits, RpcArg::ref(personType)});
        DataSet client("cdsImportaCliente", foundClientFields());
        const nlohmann::json& clientPacket = resultElement(answer, 0, "GetClie");
        if (clientPacket.is_null())
            return std::nullopt;
        client.loadPacket(clientPacket);
        if (client.isEmpty())
            return std::nullopt;
        if (const nlohmann::json& address = resultElement(answer, 1, "GetClie"); !address.is_null())
            addresses_[inscription.digits] = address;
        return RegisteredClient{client.fieldByName("CDCLIENTE").asString(),
                                client.fieldByName("IDTPIJURCLIE").asString(),
                                client.fieldByName("NRINSJURCLIE").asString(),
                                client.fieldByName("NMFANTCLIE").asString()};
    }

    bool alreadyParty(const Inscription& inscription, const std::string& clientCode) override {
        DataSet usingClient("cdsImportaJaCad", partiesUsingClientFields());
        // A new row's sequence is empty until it is saved: the check spans the budget.
        usingClient.loadPacket(form_.callServer(
            "GetClienteJaCad",
            {form_.medCdFilial.text(), form_.edtNrOrcamento.text(), clientCode, std::string()}));
        if (!usingClient.isEmpty())
            return true;
        form_.applyWorkingSequence();
        std::string sequence = form_.stNrSeqOrca;
        std::string digits = inscription.digits;
        DataSet party("cdsImportaContratante", foundPartyFields());
        party.loadPacket(form_.callServer("VdContratante",
                                          {form_.medCdFilial.text(), form_.edtNrOrcamento.text(),
                                           RpcArg::ref(sequence), RpcArg::ref(digits)}));
        // The quota responsible may appear as a party of its budget.
        return !party.isEmpty() &&
               party.fieldByName("CDCLIENTE").asString() !=
                   form_.cdsLiderTurma.fieldByName("CDCLIENCONTORCA").asString();
    }

    // The registered address of a client found above (null when it has none).
    const nlohmann::json* address(const std::string& digits) const {
        const auto it = addresses_.find(digits);
        return it == addresses_.end() ? nullptr : &it->second;
    }

private:
    TfrmContratante& form_;
    std::map<std::string, nlohmann::json> addresses_;
};

void setText(DataSet& row, const char* field, const std::string& text) {
    if (!text.empty())
        row.fieldByName(field).setAsString(text);
}

// One new party, completed as the checks before a post complete a typed one: budget key, status,
// client identity, the registered address (or the branch's country, state and municipality for a
// new client), no payment plan and no charged value yet (the apportionment shares the budget out).
void addParty(TfrmContratante& form, const PlannedParty& planned, const ServerLookups& lookups,
              const DataSet& branch, DataSet& parties, DataSet& clients) {
    const std::string code = planned.clientCode();
    parties.append();
    setText(parties, "CDFILIAL", form.medCdFilial.text());
    setText(parties, "NRORCAEVENTO", form.edtNrOrcamento.text());
    setText(parties, "NRSEQORCAEVE", form.stNrSeqOrca);
    setText(parties, "NRINSJURCLIE", planned.inscription.digits);
    setText(parties, "IDTPIJURCLIE",
            planned.client ? planned.client->personType : planned.inscription.personType);
    setText(parties, "CDCLIENCONTORCA", code);
    setText(parties, "CDCLIENTE", code);
    setText(parties, "NMFANTCLIE", planned.name());
    setText(parties, "NMRAZSOCCLIE", planned.name());
    if (const nlohmann::json* address = lookups.address(planned.inscription.digits)) {
        DataSet registered("cdsImportaEndeClie", clientAddressFields());
        registered.loadPacket(*address);
        if (!registered.isEmpty())
            for (const auto& [from, to] : registeredAddress)
                parties.fieldByName(to).setValue(registered.fieldByName(from).value());
    } else if (!planned.client && !branch.isEmpty()) {
        for (const char* name : {"CDPAIS", "SGESTADO", "CDMUNICIPIO"})
            parties.fieldByName(name).setValue(branch.fieldByName(name).value());
    }
    setText(parties, "DSEMAILCLOR1", planned.entry.email);
    setText(parties, "NRTELECLIORE", planned.entry.phone);
    parties.fieldByName("QTCONVADICADULTO").setAsFloat(planned.adults);
    parties.fieldByName("QTCONVADICCRIANCA").setAsFloat(planned.children);
    parties.fieldByName("IDSITUCONTOREV").setAsString("LANCADO");
    parties.fieldByName("IDMARCADO").setAsString("N");
    parties.fieldByName("IDVRRECENULL").setAsString("");
    parties.fieldByName("IDFORMAPGCONT").setAsString("E");
    parties.fieldByName("QTPARCCONTOREV").setAsFloat(0);
    parties.fieldByName("NRDIAVENCONOREV").setAsFloat(0);
    parties.fieldByName("IDMESVENCONOREV").setAsString("ATUAL");
    parties.post();

    if (planned.client)
        return;
    clients.append();
    setText(clients, "CDCLIENTE", code);
    setText(clients, "NRINSJURCLIE", planned.inscription.digits);
    setText(clients, "IDTPIJURCLIE", planned.inscription.personType);
    setText(clients, "NMFANTCLIE", planned.name());
    setText(clients, "NMRAZSOCCLIE", planned.name());
    for (const char* name : {"CDPAIS", "SGESTADO", "CDMUNICIPIO"})
        clients.fieldByName(name).setValue(parties.fieldByName(name).value());
    setText(clients, "DSEMAILCLIE", planned.entry.email);
    setText(clients, "NRTELECLIE", planned.entry.phone);
    clients.post();
}

std::string integerText(const Field& field) {
    return field.isNull() ? std::string() : std::to_string(static_cast<long long>(field.asFloat()));
}

} // namespace

void TfrmContratante::mnuImportarListaClick() {
    if (!cdsEndeCont.active() || cdsEndeCont.editing() || !sbtIncluir.enabled())
        return;
    const std::optional<ListSource> source = dialogs().chooseListSource("Importar Lista");
    if (!source)
        return;
    std::vector<classlist::ClassListEntry> entries;
    try {
        entries = classlist::readClassList(source->path.empty() ? source->text
                                                                : readFileBytes(source->path));
    } catch (const classlist::ClassListError& e) {
        MensErro(e.what());
    }

    applyWorkingSequence();
    ServerLookups lookups(*this);
    ImportPlan plan;
    DataSet branch("cdsImportaFilial", cdsEndeFili.fieldDefs());
    {
        ShowAviGuard progress(this, 6, "Conferindo a lista...");
        plan = classlist::planImport(entries, lookups);
        branch.loadPacket(callServer("GetEndeFili", {medCdFilial.text()}));
    }
    if (!dialogs().reviewRows(classlist::importReview(plan)))
        return;
    if (plan.acceptedCount() == 0)
        MensErro("Nenhuma linha da lista pode ser incluída.");

    // Every party and every new client goes in one save: all of them, or none.
    DataSet parties("cdsImportaCont", partyFields());
    DataSet clients("cdsImportaNovoClie", newClientFields());
    parties.createDataSet();
    clients.createDataSet();
    for (const PlannedParty& row : plan.rows)
        if (row.accepted())
            addParty(*this, row, lookups, branch, parties, clients);
    nlohmann::json newClients = clients.hasChanges() ? clients.delta() : nlohmann::json();
    {
        ShowAviGuard progress(this, 1);
        cdsTotalRateado.loadPacket(callServer(
            "SetEndeCont", {RpcArg::jsonText(parties.deltaText()), RpcArg::ref(newClients),
                            medCdFilial.text(), edtNrOrcamento.text(), stNrSeqOrca}));
        showBudgetTotals();
    }
    sbtVerificarClick();
    const int count = plan.acceptedCount();
    dialogs().message(MsgType::Information,
                      count == 1 ? std::string("1 contratante incluído.")
                                 : std::to_string(count) + " contratantes incluídos.",
                      mbOK);
}

void TfrmContratante::mnuExportarListaClick() {
    if (!cdsEndeCont.active())
        return;
    applyWorkingSequence();
    SaveFileRequest request;
    request.title = "Exportar Lista";
    request.suggestedName = "contratantes-" + medCdFilial.text() + "-" + edtNrOrcamento.text() +
                            "-" + stNrSeqOrca + ".csv";
    request.filter = "Planilha CSV (*.csv)";
    const std::optional<std::string> path = dialogs().chooseSaveFile(request);
    if (!path)
        return;

    std::vector<std::vector<std::string>> rows(1);
    rows[0].assign(classlist::classListTitles.begin(), classlist::classListTitles.end());
    for (const char* title : {"Convidados", "Vr. Cobrado", "Situação"})
        rows[0].push_back(title);
    const int inserting =
        cdsEndeCont.state() == DataSetState::Insert ? cdsEndeCont.displayCurrent() : -1;
    for (int row = 0; row < cdsEndeCont.displayRowCount(); ++row) {
        if (row == inserting)
            continue;
        ShowRow shown(cdsEndeCont, row);
        auto text = [this](const char* name) {
            return cdsEndeCont.fieldByName(name).displayText();
        };
        rows.push_back({text("NRINSJURCLIE"), text("NMFANTCLIE"), text("DSEMAILCLOR1"),
                        text("NRTELECLIORE"),
                        integerText(cdsEndeCont.fieldByName("QTCONVADICADULTO")),
                        integerText(cdsEndeCont.fieldByName("QTCONVADICCRIANCA")),
                        text("QTCONVCONTOREV"), text("VRRECECONTOREV"), text("IDSITUCONTOREV")});
    }
    std::ofstream out(*path, std::ios::binary | std::ios::trunc);
    out << classlist::writeCsv(rows);
    out.close();
    if (!out)
        MensErro("Não foi possível gravar o arquivo " + *path + ".");
    const std::size_t count = rows.size() - 1;
    dialogs().message(MsgType::Information,
                      count == 1 ? std::string("1 contratante exportado.")
                                 : std::to_string(count) + " contratantes exportados.",
                      mbOK);
}

} // namespace ct
