// Drawing of the parties grid: the quota responsible in bold, the mark column as check boxes.
#include "module/frm_contratante.h"

namespace ct {

void TfrmContratante::dbgPadraoDrawColumnCell(DrawCellArgs& args) {
    // While the handler runs, the data set shows the row being drawn.
    if (cdsEndeCont.fieldByName("IDCONTRESPCOTAORCA").asString() == "S") {
        args.canvas.font.bold = true;
        args.canvas.fillRect(args.rect);
        dbgPadrao.defaultDrawColumnCell(args);
    }
    if (cdsEndeCont.isEmpty() || args.column.fieldName() != "IDMARCADO")
        return;
    const std::string mark = cdsEndeCont.fieldByName("IDMARCADO").asString();
    const Picture* picture = mark == "S"   ? &imgCheck.picture()
                             : mark == "N" ? &imgUncheck.picture()
                                           : nullptr;
    args.canvas.fillRect(args.rect);
    if (!picture)
        return;
    const Rect dest{args.rect.left + 1, args.rect.top, args.rect.left + 1 + picture->width,
                    args.rect.bottom};
    args.canvas.drawPicture(dest, *picture, colors::clOlive);
}

} // namespace ct
