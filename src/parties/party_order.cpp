// Ordering the parties: every column of the grid but the marks orders them ("Ordenar" and a
// click on a column's title); the order lasts until the screen closes.
#include "module/frm_contratante.h"
#include "platform/ui/text_compare.h"

namespace ct {

bool TfrmContratante::canOrderBy(const Column& column) const {
    return TfrmPadraoGrid::canOrderBy(column) && !textEqualNoCase(column.fieldName(), "IDMARCADO");
}

} // namespace ct
