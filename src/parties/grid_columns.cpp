// The parties grid's columns: which can be typed into for the current party, and the checks made
// when the user leaves the inscription or the charged-value column.
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "parties/party_columns.h"
#include "platform/host/round_dec.h"
#include "platform/host/silent_abort.h"
#include "platform/host/text_routines.h"

#include <utility>

namespace ct {
namespace {

// The grid whose column is being moved by a check rather than by the user.
const DBGrid* quietGrid = nullptr;

void setColumnsReadOnly(DBGrid& grid, std::initializer_list<int> columns, bool readOnly) {
    for (int index : columns)
        if (index < grid.columnCount())
            grid.column(index).setReadOnly(readOnly);
}

bool sameMoney(const Value& a, const Value& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return RoundDec(a.asDouble(), 2) == RoundDec(b.asDouble(), 2);
}

} // namespace

void selectColumnQuietly(DBGrid& grid, std::string_view fieldName) {
    const DBGrid* previous = std::exchange(quietGrid, &grid);
    struct Restore {
        const DBGrid* previous;
        ~Restore() { quietGrid = previous; }
    } restore{previous};
    grid.setSelectedField(fieldName);
}

void focusColumn(DBGrid& grid, std::string_view fieldName) {
    if (grid.canFocus())
        grid.setFocus();
    selectColumnQuietly(grid, fieldName);
}

void TfrmContratante::HabColunas() {
    const std::string status =
        cdsEndeCont.active() ? cdsEndeCont.fieldByName("IDSITUCONTOREV").asString() : std::string();
    setColumnsReadOnly(dbgPadrao, {partycol::extraInvitations, partycol::extraValue},
                       status != "CNTGERADA");
    const bool open = status == "LANCADO" || cdsEndeCont.state() == DataSetState::Insert;
    setColumnsReadOnly(dbgPadrao,
                       {partycol::mark, partycol::inscription, partycol::invitations,
                        partycol::charged, partycol::adultInvitations, partycol::childInvitations},
                       !open);
    // The name and status columns keep whatever was last set on them.
}

void TfrmContratante::dbgPadraoColExit() {
    if (!cdsEndeCont.editing() || quietGrid == &dbgPadrao)
        return;
    const Field* leaving = dbgPadrao.selectedField();
    const std::string column = leaving ? leaving->name() : std::string();

    if (column == "NRINSJURCLIE") {
        Vd_Cliente(false);
        Vd_Contratante();
        if (cdsEndeCont.editing()) {
            Field& inscription = cdsEndeCont.fieldByName("NRINSJURCLIE");
            std::string stIns = "C" + inscription.asString();
            const std::string stTpCliente = Ajusta_Inscricao(stIns);
            if (cdsVdCliente.isEmpty() && !EmptyString(inscription.asString())) {
                msgPadrao.ShowMsg("Cli_n_Cad", MsgType::Information, mbOK);
                inscription.setEditMask(PictPess("I"));
                dbgPadrao.setFocus();
                // The new client's name is typed here; the charged value waits for the save.
                setColumnsReadOnly(dbgPadrao,
                                   {partycol::inscription, partycol::name, partycol::invitations,
                                    partycol::extraInvitations, partycol::extraValue},
                                   false);
                setColumnsReadOnly(dbgPadrao, {partycol::charged, partycol::status}, true);
                dbgPadrao.setSelectedField("NMFANTCLIE");
                cdsEndeCont.fieldByName("NMFANTCLIE").clear();
                const std::string code = stTpCliente + inscription.asString();
                cdsEndeCont.fieldByName("IDTPIJURCLIE").setAsString(stTpCliente);
                cdsEndeCont.fieldByName("CDCLIENCONTORCA").setAsString(code);
                cdsEndeCont.fieldByName("CDCLIENTE").setAsString(code);
                boNovoClie = true;
            }
        }
    }

    if (column == "VRRECECONTOREV") {
        const Field& charged = cdsEndeCont.fieldByName("VRRECECONTOREV");
        if (!charged.isNull() && !sameMoney(charged.value(), charged.oldValue()) &&
            rbtFormaVar.checked() && !cdsFormaPagto.isEmpty()) {
            dialogs().message(
                MsgType::Warning,
                msgPadrao.Msg("PARC_ATU", cdsEndeCont.fieldByName("NMFANTCLIE").asString()), mbOK);
            if (dbgFormPgto.canFocus())
                dbgFormPgto.setFocus();
            dbgFormPgto.setSelectedField("VRPARCELACONT");
            throw SilentAbort();
        }
    }

    dbgPadrao.setFocus();
}

} // namespace ct
