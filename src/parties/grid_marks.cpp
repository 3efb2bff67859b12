// Marking parties in the grid: a click on a party's mark toggles it, a click on the mark column's
// title marks or unmarks them all.
#include "module/frm_contratante.h"
#include "parties/command_state.h"
#include "parties/party_marks.h"
#include "platform/ui/text_compare.h"

namespace ct {
namespace {

bool onMarkColumn(const DBGrid& grid) {
    const Field* selected = grid.selectedField();
    return selected && selected->name() == "IDMARCADO";
}

} // namespace

void TfrmContratante::dbgPadraoCellClick(Column&) {
    if (onMarkColumn(dbgPadrao)) {
        MarkingGuard marking(*this);
        try {
            // A party being edited keeps its mark; an empty list has no party to mark.
            if (!cdsEndeCont.editing() && !cdsEndeCont.isEmpty() && onMarkColumn(dbgPadrao))
                setPartyMark(*this, !partyMarked(cdsEndeCont));
        } catch (...) {
            dtsPadraoStateChange();
            throw;
        }
    }
    HabilitaBotoes();
}

void TfrmContratante::dbgPadraoTitleClick(Column& column) {
    // The title of any other column orders the parties by it.
    if (!textEqualNoCase(column.fieldName(), "IDMARCADO")) {
        orderByColumn(column);
        return;
    }
    // Marking all moves through every row: a party being inserted or edited is confirmed or
    // cancelled by the user first, never posted past its checks nor dropped here.
    if (!cdsEndeCont.active() || cdsEndeCont.editing())
        return;
    const Bookmark before = cdsEndeCont.bookmark();
    {
        MarkingGuard marking(*this);
        LocateOptions noCase;
        noCase.caseInsensitive = true;
        const bool anyMarked = cdsEndeCont.find("IDMARCADO", {Value("S")}, noCase) >= 0;
        cdsEndeCont.first();
        while (!cdsEndeCont.eof()) {
            setPartyMark(*this, !anyMarked);
            cdsEndeCont.next();
        }
    }
    // The walk ends on the last party; the screen shows that party's plan and columns.
    if (cdsEndeCont.bookmark() != before)
        cdsEndeContAfterScroll(cdsEndeCont);
    enableCancellation(*this);
}

} // namespace ct
