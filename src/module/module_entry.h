#pragma once

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

namespace ct {

class TfrmContratante;
struct CallRecord;
namespace db {
class Connection;
}

// Module-level state: one copy per loaded module.
extern TfrmContratante* frmContratante; // the screen, once created; kept for reuse
extern bool boIdCriado;                 // the screen has been created
extern bool boNovoClie;                 // the party being saved carries a new client
extern std::string stAntigo;            // days of an installment before its edit began

// The host's entry point: `Param` is an array of four values (branch, budget number, sequence,
// origin screen), each read as text. Returns once the screen has been shown modally (with a
// host whose modal show returns at once, the screen stays shown). A malformed `Param` is
// reported through the host's error display and nothing is shown.
void IniProc(const nlohmann::json& Param);

// Creates the screen once per loaded module, fills the filter and the entry state and shows it.
void CriaContratante(const std::string& Filial, const std::string& NrOrcaEvento,
                     const std::string& stNrSeqOrc, const std::string& stTelaOrig);

// Module load and unload, counted: only the first Initialize and the last Finalize act. The last
// Finalize also releases the screen.
void Initialize();
void Finalize();

// The database connection of the lookups, given by the host like the server's address; the
// host's shared connection unless another is set (nullptr restores it).
void setDatabaseConnection(db::Connection* connection);
db::Connection& databaseConnection();

// Observes every server call of the screen's connection (transcripts, tests); kept for screens
// created later too. An empty observer stops observing.
void setServerCallObserver(std::function<void(const CallRecord&)> observer);

// Builds the screen and runs its creation steps (used by CriaContratante; tests build their own).
std::unique_ptr<TfrmContratante> createScreen();

} // namespace ct
