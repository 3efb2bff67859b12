// The parties grid as drawn on the demo budget: the quota responsible in bold, marks as boxes.
#include "platform/dataset/event_detach.h"
#include "screen_fixture.h"

namespace ct::testing {
namespace {

// Remembers what a cell's drawing did.
class RecordingCanvas : public Canvas {
public:
    bool boldText = false;
    std::vector<std::string> texts;
    const Picture* picture = nullptr;
    Rect pictureRect;
    std::optional<Color> transparent;

    void fillRect(const Rect&) override {}
    void textRect(const Rect&, const std::string& text, Alignment) override {
        texts.push_back(text);
        boldText = boldText || font.bold;
    }
    void drawPicture(const Rect& dest, const Picture& drawn, std::optional<Color> clear) override {
        picture = &drawn;
        pictureRect = dest;
        transparent = clear;
    }
};

class GridDrawing : public ScreenTest {
protected:
    RecordingCanvas draw(TfrmContratante& form, int row, const char* field) {
        RecordingCanvas canvas;
        const int col = form.dbgPadrao.findColumn(field);
        EXPECT_GE(col, 0);
        EXPECT_TRUE(form.dbgPadrao.drawCell(row, col, canvas, Rect{10, 20, 27, 38}));
        return canvas;
    }
};

TEST_F(GridDrawing, TheQuotaResponsibleIsBoldInEveryColumn) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    ASSERT_EQ(form.cdsEndeCont.recordCount(), 3);
    int responsible = 0;
    for (int row = 1; row <= 3; ++row) {
        form.cdsEndeCont.setRecNo(row);
        const bool isResponsible = form.cdsEndeCont["IDCONTRESPCOTAORCA"].asString() == "S";
        responsible += isResponsible ? 1 : 0;
        for (const char* field : {"NMFANTCLIE", "VRRECECONTOREV"})
            EXPECT_EQ(draw(form, row, field).boldText, isResponsible) << row << " " << field;
    }
    EXPECT_EQ(responsible, 1);
}

TEST_F(GridDrawing, MarksAreDrawnAsBoxesAtTheCellsLeftEdge) {
    TfrmContratante& form = enter("0001", "0000000100", "00");
    RecordingCanvas unmarked = draw(form, 2, "IDMARCADO");
    ASSERT_EQ(unmarked.picture, &form.imgUncheck.picture());
    EXPECT_EQ(unmarked.pictureRect, (Rect{11, 20, 11 + form.imgUncheck.picture().width, 38}));
    EXPECT_EQ(unmarked.transparent, std::optional<Color>(colors::clOlive));

    // A mark posted locally shows the checked box; a value other than S or N shows none.
    form.cdsEndeCont.setRecNo(2);
    {
        EventDetach noPost(form.cdsEndeCont.beforePost);
        EventDetach noSave(form.cdsEndeCont.afterPost);
        form.cdsEndeCont.edit();
        form.cdsEndeCont["IDMARCADO"].setAsString("S");
        form.cdsEndeCont.post();
        EXPECT_EQ(draw(form, 2, "IDMARCADO").picture, &form.imgCheck.picture());
        form.cdsEndeCont.edit();
        form.cdsEndeCont["IDMARCADO"].setAsString("X");
        form.cdsEndeCont.post();
        EXPECT_EQ(draw(form, 2, "IDMARCADO").picture, nullptr);
    }
    // Other columns carry no picture.
    EXPECT_EQ(draw(form, 2, "NMFANTCLIE").picture, nullptr);
}

} // namespace
} // namespace ct::testing
