// Keys in the parties grid: what each numeric column lets through, and Space on the mark column.
#include "module/frm_contratante.h"
#include "platform/host/round_dec.h"

namespace ct {
namespace {

constexpr char32_t backspace = 8;
constexpr char32_t tab = 9;
constexpr char32_t enter = 13;
constexpr char32_t escape = 27;

// Digits and the keys that edit the cell. The characters "%", "&", "'" and "(" share their codes
// with the arrow keys, which never arrive here as characters: they are refused like any other.
bool inDigitSet(char32_t key) {
    return key == backspace || key == tab || key == enter || (key >= U'0' && key <= U'9');
}

bool inSignedDigitSet(char32_t key) {
    return inDigitSet(key) || key == U'-';
}

void refuseUnless(char32_t& key, bool accepted) {
    if (!accepted)
        key = 0;
}

} // namespace

void TfrmContratante::dbgPadraoKeyPress(char32_t& key) {
    TfrmPadraoGrid::dbgPadraoKeyPress(key);
    // Escape cancels the cell or the row; it is the grid's command, not a typed character.
    if (key == 0 || key == escape)
        return;
    const Field* selected = dbgPadrao.selectedField();
    if (!selected)
        return;
    const std::string& column = selected->name();
    const double realised = RoundDec(nedVrReali.number(), 2);

    if (column == "NRINSJURCLIE" || column == "QTEXTCONVOREV" || column == "QTCONVADICCRIANCA" ||
        column == "QTCONVADICADULTO") {
        refuseUnless(key, inDigitSet(key));
    } else if (column == "QTCONVCONTOREV") {
        // A budget without a realised value leaves the invitations free.
        if (realised < 0)
            refuseUnless(key, inSignedDigitSet(key));
        else if (realised > 0)
            refuseUnless(key, inDigitSet(key));
    } else if (column == "VRRECECONTOREV") {
        if (realised > 0) {
            refuseUnless(key, key != U'+' && key != U'-');
            if (key != 0)
                Vd_Virgula(dbgPadrao, "VRRECECONTOREV", key);
        } else if (realised < 0) {
            refuseUnless(key, key != U'+');
            if (key != 0)
                Vd_Virgula(dbgPadrao, "VRRECECONTOREV", key);
        } else {
            key = 0; // nothing to charge
        }
    } else if (column == "VREXTCONVOREV") {
        Vd_Virgula(dbgPadrao, "VREXTCONVOREV", key);
    }

    // No exponent notation in money.
    if ((column == "VRRECECONTOREV" || column == "VREXTCONVOREV") && (key == U'e' || key == U'E'))
        key = 0;
}

void TfrmContratante::dbgPadraoKeyDown(int& key, ShiftState shift) {
    TfrmPadraoGrid::dbgPadraoKeyDown(key, shift);
    const Field* selected = dbgPadrao.selectedField();
    if (key != keySpace || !selected || selected->name() != "IDMARCADO")
        return;
    // The space has done its work as a click; it is not typed into the mark.
    key = keyNone;
    if (shift.ctrl)
        dbgPadraoTitleClick(dbgPadrao.column(0));
    else if (Column* current = dbgPadrao.selectedColumn())
        dbgPadraoCellClick(*current);
}

} // namespace ct
