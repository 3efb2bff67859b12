#pragma once

#include "platform/dataset/dataset.h"
#include "platform/net/rpc_arg.h"
#include "platform/ui/base_grid_form.h"
#include "platform/ui/buttons.h"
#include "platform/ui/edits.h"

#include <vector>

namespace ct {

class TfrmContratante;

// The refund account dialog (unit Cli_prq31001): a fine and a refund value for the party selected
// on the screen; confirming sends the refund, with the fine added, to the server.
class TfrmContaDevolucao : public TfrmRotiGeral {
public:
    // Reads branch, budget and the selected party from `screen` and calls through its connection.
    explicit TfrmContaDevolucao(TfrmContratante& screen);
    ~TfrmContaDevolucao() override;

    DataSet cdsVrConta;
    Label lblVrPago;
    NumberEdit nedVrPago;
    Label lblMulta;
    NumberEdit nedMulta;
    Label lblVrDevolucao;
    NumberEdit nedVrDevolucao;
    // The value sent on confirmation: the refund with its fine.
    double dbValor = 0;

    void FormCreate() override;
    void sbtConfirmaClick() override;

private:
    // Branch, budget number, sequence and party number of the party selected on the screen.
    std::vector<RpcArg> selectedParty() const;
    // "Valor Pago" shows what the server last answered as received.
    void showPaid();

    TfrmContratante& screen_;
};

// True when the answer of GetVrConta says the party has received nothing: no row, or 0.
bool nothingReceived(const DataSet& cdsVrConta);

// The dialog of the last use of the refund command; nullptr before the first.
extern TfrmContaDevolucao* frmContaDevolucao;

// Creates a new dialog over the screen `frmContratante` and shows it modally; returns its modal
// result. A host whose modal show returns at once leaves it shown, to be driven and closed.
int CriaValorDevolucao();

// Frees the dialog of the last use (module unload).
void releaseContaDevolucao();

} // namespace ct
