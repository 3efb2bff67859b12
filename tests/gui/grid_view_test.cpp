// The grid's table: cells as the grid shows them, painting through the grid's drawing, clicks and
// keys back to the grid.
#include "gui/form_view.h"
#include "gui/grid_model.h"
#include "gui/grid_view.h"
#include "gui_session.h"
#include "platform/dataset/data_source.h"
#include "platform/dataset/dataset.h"
#include "platform/ui/form.h"
#include "platform/ui/form_host.h"
#include "platform/ui/grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

namespace ct::gui {
namespace {

class StayingHost final : public FormHost {
public:
    void showModal(Form&) override {}
};

std::vector<FieldDef> fields() {
    FieldDef value = FieldDef::number("VRRECECONTOREV", "Vr. Cobrado");
    value.displayFormat = "#,##0.00";
    return {FieldDef::fixedString("IDMARCADO", 1), FieldDef::string("NMFANTCLIE", 50, "Nome"),
            value, FieldDef::fixedString("IDRESP", 1)};
}

Picture box() {
    Picture picture{16, 16, std::vector<Color>(256, colors::clOlive)};
    for (int i = 2; i < 14; ++i) {
        picture.pixels[static_cast<std::size_t>(2 * 16 + i)] = colors::clBlack;
        picture.pixels[static_cast<std::size_t>(13 * 16 + i)] = colors::clBlack;
        picture.pixels[static_cast<std::size_t>(i * 16 + 2)] = colors::clBlack;
        picture.pixels[static_cast<std::size_t>(i * 16 + 13)] = colors::clBlack;
    }
    return picture;
}

struct GridForm : Form {
    DataSet cds{"cdsPartes", fields()};
    DataSource dts{&cds};
    DBGrid dbg{*this, "dbgPartes", &dts};
    std::vector<std::string> log;

    GridForm()
        : Form("frmGrid", "Grade") {
        cds.createDataSet();
        cds.appendRecord({"S", "Ana", 1500.0, "S"});
        cds.appendRecord({"N", "Ana", 123456.78, "N"});
        cds.appendRecord({"N", "Caio", nullptr, "N"});
        cds.mergeChangeLog();
        cds.first();
        Column& mark = dbg.addColumn("IDMARCADO", "4", 17);
        mark.setReadOnly(true);
        Font symbols;
        symbols.name = "Monotype Sorts";
        mark.setTitleFont(symbols);
        dbg.addColumn("NMFANTCLIE", {}, 120).setButtonStyle(ColumnButton::Ellipsis);
        dbg.addColumn("VRRECECONTOREV", {}, 90).setAlignment(Alignment::Right);
        // The responsible row in bold, the mark column as a box picture.
        dbg.onDrawColumnCell = [this](DrawCellArgs& args) {
            if (cds.fieldByName("IDRESP").asString() == "S") {
                args.canvas.font.bold = true;
                args.canvas.fillRect(args.rect);
                dbg.defaultDrawColumnCell(args);
            }
            if (args.column.fieldName() == "IDMARCADO") {
                args.canvas.fillRect(args.rect);
                args.canvas.drawPicture(Rect{args.rect.left + 1, args.rect.top, args.rect.left + 17,
                                             args.rect.top + 16},
                                        picture, colors::clOlive);
            }
        };
        dbg.onKeyPress = [this](char32_t& key) {
            log.push_back("key " + std::string(1, static_cast<char>(key)));
            if (key >= U'a' && key <= U'z')
                key = 0; // letters refused, as the screen's numeric columns do
        };
        dbg.onTitleClick = [this](Column& column) { log.push_back("title " + column.fieldName()); };
        dbg.onEditButtonClick = [this] { log.push_back("ellipsis"); };
    }
    Picture picture = box();
};

class GridViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensureApplication();
        form.showModal();
        view = std::make_unique<FormView>(form);
        view->build();
        view->resize(500, 300);
        view->show();
        testing::activate(view.get());
        ASSERT_EQ(QApplication::activeWindow(), view.get());
        table = dynamic_cast<GridView*>(view->widgetFor(&form.dbg));
        ASSERT_NE(table, nullptr);
        form.userFocus(form.dbg);
    }
    void TearDown() override {
        view.reset();
        form.close();
    }
    QString cell(int row, int column) const {
        return table->model()->index(row, column).data().toString();
    }
    QImage cellImage(int row, int column) {
        const QImage all = table->viewport()->grab().toImage();
        return all.copy(table->visualRect(table->model()->index(row, column)));
    }
    static int darkPixels(const QImage& image) {
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 96)
                    ++dark;
        return dark;
    }

    StayingHost host;
    ScopedFormHost hostGuard{host};
    GridForm form;
    std::unique_ptr<FormView> view;
    GridView* table = nullptr;
};

TEST_F(GridViewTest, CellsAndTitlesAreTheGrids) {
    ASSERT_EQ(table->model()->rowCount(), 3);
    ASSERT_EQ(table->model()->columnCount(), 3);
    EXPECT_EQ(cell(0, 2), "1.500,00");
    EXPECT_EQ(cell(1, 2), "123.456,78");
    EXPECT_EQ(cell(2, 2), "");
    EXPECT_EQ(cell(2, 1), "Caio");
    EXPECT_EQ(table->model()->headerData(0, Qt::Horizontal).toString(), QString(QChar(0x2714)));
    EXPECT_EQ(table->model()->headerData(1, Qt::Horizontal).toString(), "Nome");
    // As wide as the grid says, or as their titles need.
    EXPECT_GE(table->columnWidth(0), 17);
    EXPECT_EQ(table->columnWidth(1), 120);
    EXPECT_EQ(table->model()->index(0, 2).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
              Qt::AlignRight);

    // Rows added and titles changed show at once.
    form.cds.appendRecord({"N", "Duda", 10.0, "N"});
    EXPECT_EQ(table->model()->rowCount(), 4);
    EXPECT_EQ(cell(3, 2), "10,00");
    form.dbg.column(1).setTitle("Contratante");
    EXPECT_EQ(table->model()->headerData(1, Qt::Horizontal).toString(), "Contratante");
    form.dbg.column(1).setWidth(200);
    EXPECT_EQ(table->columnWidth(1), 200);
    // A closed data set shows no rows and still titles its columns by the fields' labels.
    form.cds.close();
    EXPECT_EQ(table->model()->rowCount(), 0);
    EXPECT_EQ(table->model()->headerData(2, Qt::Horizontal).toString(), "Vr. Cobrado");
}

TEST_F(GridViewTest, PaintingUsesTheGridsDrawingWithItsHandler) {
    // Same text, the first row drawn bold by the handler.
    form.cds.next(); // off the first row, so that it is not drawn as the current cell
    const int bold = darkPixels(cellImage(0, 1));
    const int plain = darkPixels(cellImage(1, 1));
    EXPECT_GT(plain, 0);
    EXPECT_GT(bold, plain + plain / 10);

    // The picture is drawn with its transparent colour replaced by the brush.
    const QImage mark = cellImage(2, 0);
    int black = 0;
    int olive = 0;
    for (int y = 0; y < mark.height(); ++y)
        for (int x = 0; x < mark.width(); ++x) {
            const QColor c = mark.pixelColor(x, y);
            black += c == QColor(0, 0, 0);
            olive += c == QColor(128, 128, 0);
        }
    EXPECT_GT(black, 20);
    EXPECT_EQ(olive, 0);
}

TEST_F(GridViewTest, ClicksOnCellsTitlesAndButtonsGoToTheGrid) {
    const QRect target = table->visualRect(table->model()->index(2, 2));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, target.center());
    EXPECT_EQ(form.cds.recNo(), 3);
    EXPECT_EQ(form.dbg.selectedIndex(), 2);
    EXPECT_EQ(table->currentIndex(), table->model()->index(2, 2));

    QHeaderView* titles = table->horizontalHeader();
    const QPoint title(titles->sectionViewportPosition(1) + titles->sectionSize(1) / 2,
                       titles->height() / 2);
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, title);
    EXPECT_EQ(form.log.back(), "title NMFANTCLIE");

    // The ellipsis of the current cell.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(table->model()->index(2, 1)).center());
    const QRect button = table->ellipsisRect(table->model()->index(2, 1));
    ASSERT_FALSE(button.isEmpty());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, button.center());
    EXPECT_EQ(form.log.back(), "ellipsis");
}

TEST_F(GridViewTest, TypingEditsTheCellThroughTheKeyHandlersAndOtherRowsStayShown) {
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(table->model()->index(0, 1)).center());
    QTest::keyClicks(table, "Bx");
    EXPECT_EQ(form.log, (std::vector<std::string>{"key B", "key x"}));
    EXPECT_EQ(form.cds.state(), DataSetState::Edit);
    EXPECT_EQ(cell(0, 1), "B");
    EXPECT_EQ(cell(1, 1), "Ana");
    EXPECT_EQ(cell(2, 1), "Caio");
    // Moving down writes the cell and shows the next row as current.
    QTest::keyClick(table, Qt::Key_Down);
    EXPECT_EQ(form.cds.recNo(), 2);
    EXPECT_EQ(cell(0, 1), "B");
    EXPECT_EQ(table->currentIndex(), table->model()->index(1, 1));
}

} // namespace
} // namespace ct::gui
