// The delete command: the current installment when the installments grid has the focus, otherwise
// the marked parties, which the server deletes with their issued contracts once the user agrees.
#include "module/frm_contratante.h"
#include "parties/party_marks.h"
#include "platform/host/errors.h"
#include "platform/host/progress.h"
#include "platform/host/text_routines.h"

#include <stdexcept>

namespace ct {
namespace {

// The contract check answers with text: empty, or the parties with issued contracts.
std::string contractsText(const nlohmann::json& answer) {
    if (answer.is_null())
        return {};
    if (!answer.is_string())
        throw std::runtime_error(
            "Resposta inesperada do servidor em GetExistContrato: um texto era esperado.");
    return answer.get<std::string>();
}

} // namespace

void TfrmContratante::sbtExcluirClick() {
    if (activeControl() == &dbgFormPgto) {
        // The deletion is written at once; another installment the user has not saved would go
        // with it, beyond the reach of "Cancelar".
        if (cdsFormaPagto.changeCount() > (cdsFormaPagto.rowChanged() ? 1 : 0))
            MensErro("Antes de excluir uma parcela, grave ou cancele a parcela em edição.");
        if (msgPadrao.ShowMsg("ExclPgto", MsgType::Confirmation, mbYes | mbNo) != MsgResult::Yes)
            return;
        // Read by the installment sum check; the server moves the value to the last installment.
        stOp = "DEL";
        cdsFormaPagto.remove();
        return;
    }

    if (inCountMarcado == 0)
        MensErro(msgPadrao.Msg("CONT_N_SEL"));
    const char* question = inCountMarcado == 1 ? "Desj_Excl_Item" : "Desj_Excl_Itens";
    // The marks are read from the rows: a party saved since the marking has merged them.
    if (msgPadrao.ShowMsg(question, MsgType::Confirmation, mbYes | mbNo) == MsgResult::Yes &&
        countMarkedParties(cdsEndeCont) > 0) {
        try {
            ActiveShowAvi(this, 1);
            // An error of the check ends the command: it is never read as "no contracts".
            const std::string stExistContrat = contractsText(netContratante.callUnchecked(
                "GetExistContrato", {RpcArg::jsonText(cdsEndeCont.dataText())}));
            const bool several = stExistContrat.find(',') != std::string::npos;
            bool boDelete = EmptyString(stExistContrat);
            if (!boDelete) {
                const std::string text =
                    msgPadrao.Msg(several ? "CONTRAT_EMITIDOS" : "CONTRAT_EMITIDO", stExistContrat);
                boDelete =
                    dialogs().message(MsgType::Confirmation, text, mbYes | mbNo) == MsgResult::Yes;
            }
            // On No the animation stays until the reload below, which hides it.
            if (boDelete) {
                const nlohmann::json arResult =
                    callServer("SetDelCont", {cdsEndeCont.data(), medCdEmpresa.text()});
                const nlohmann::json& parties = resultElement(arResult, 0, "SetDelCont");
                const nlohmann::json& totals = resultElement(arResult, 1, "SetDelCont");
                cdsEndeCont.loadPacket(parties);
                cdsTotalRateado.loadPacket(totals);
                showBudgetTotals();
                cdsEndeCont.mergeChangeLog();
                DeactiveShowAvi();
                inCountMarcado = 0;
            }
        } catch (...) {
            DeactiveShowAvi();
            throw;
        }
    }
    sbtVerificarClick();
}

} // namespace ct
