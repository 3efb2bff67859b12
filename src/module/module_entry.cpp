#include "module/module_entry.h"

#include "module/frm_contratante.h"
#include "operations/refund_dialog.h"
#include "platform/db/connection.h"
#include "platform/host/busy_cursor.h"
#include "platform/host/dispatch.h"

#include <memory>

namespace ct {

TfrmContratante* frmContratante = nullptr;
bool boIdCriado = false;
bool boNovoClie = false;
std::string stAntigo;

namespace {

std::unique_ptr<TfrmContratante> screen;
int initCount = 0;
db::Connection* lookupConnection = nullptr;
std::function<void(const CallRecord&)> callObserver;

std::string entryText(const nlohmann::json& value) {
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_null())
        return {};
    if (value.is_number_integer())
        return std::to_string(value.get<long long>());
    return value.dump();
}

void releaseScreen() {
    frmContratante = nullptr;
    screen.reset();
    boIdCriado = false;
}

} // namespace

void setDatabaseConnection(db::Connection* connection) {
    lookupConnection = connection;
}

db::Connection& databaseConnection() {
    return lookupConnection ? *lookupConnection : db::sharedConnection();
}

void Initialize() {
    if (initCount++ > 0)
        return;
    boIdCriado = false;
}

void Finalize() {
    if (initCount == 0 || --initCount > 0)
        return;
    stAntigo.clear();
    releaseContaDevolucao();
    releaseScreen();
}

void setServerCallObserver(std::function<void(const CallRecord&)> observer) {
    callObserver = std::move(observer);
    if (frmContratante)
        frmContratante->netContratante.setCallObserver(callObserver);
}

std::unique_ptr<TfrmContratante> createScreen() {
    auto created = std::make_unique<TfrmContratante>();
    created->netContratante.setCallObserver(callObserver);
    created->FormCreate();
    return created;
}

void IniProc(const nlohmann::json& Param) {
    if (!Param.is_array() || Param.size() != 4) {
        showError("Parâmetros de entrada inválidos: esperados filial, orçamento, sequência e "
                  "tela de origem.");
        return;
    }
    // The host's call must come back whatever happens inside; failures were shown already.
    dispatch([&Param] {
        CriaContratante(entryText(Param[0]), entryText(Param[1]), entryText(Param[2]),
                        entryText(Param[3]));
    });
}

void CriaContratante(const std::string& Filial, const std::string& NrOrcaEvento,
                     const std::string& stNrSeqOrc, const std::string& stTelaOrig) {
    {
        BusyCursor hourglass;
        if (!boIdCriado) {
            screen = createScreen();
            frmContratante = screen.get();
            boIdCriado = true;
        }
    }
    TfrmContratante& form = *frmContratante;
    // A host that left the screen shown gets it back closed before the new entry.
    if (form.isShowing())
        form.close();
    // A later entry starts afresh, as the first one does: no parties of the previous budget, a
    // filter panel that a budget locked in an earlier entry no longer locks, and the connection
    // that the last close closed open again.
    form.cdsEndeCont.close();
    SetChildEnabled(form.panFiltro, true);
    form.useLookupConnection();
    if (!form.netContratante.connected())
        form.netContratante.open();

    // The branch first: its change handler clears the budget field.
    form.medCdFilial.setText(Filial);
    form.edtNrOrcamento.setText(NrOrcaEvento);
    form.stNrOrca = NrOrcaEvento;
    form.stNrSeq = stNrSeqOrc;
    form.stTelaOrig = stTelaOrig;
    form.showModal();
}

} // namespace ct
