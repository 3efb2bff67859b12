// Generating a plan on a screen built without a server: the rows the generation writes, and the
// quantities it refuses before touching anything.
#include "module/frm_contratante.h"
#include "money/shares.h"
#include "platform/dataset/event_detach.h"
#include "platform/host/dispatch.h"
#include "platform/host/fake_dialog_service.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

using nlohmann::json;

class InstallmentGeneration : public ::testing::Test {
protected:
    FakeDialogService dialogs;
    ScopedDialogService scope{dialogs};
    TfrmContratante form;

    // Mariana's party of the demo budget charged `charged`, in the variable mode, with the given
    // plan shown (none stored on a server).
    void showParty(double charged, const std::vector<int>& storedDays = {}) {
        const std::map<std::string, json> values{
            {"CDFILIAL", "0001"},       {"NRORCAEVENTO", "0000000100"},
            {"NRSEQORCAEVE", "00"},     {"NRENDCLIORCEVE", "0000000003"},
            {"IDFORMAPGCONT", "E"},     {"IDSITUCONTOREV", "LANCADO"},
            {"VRRECECONTOREV", charged}};
        json row = json::array();
        for (const json& field : form.cdsEndeCont.packetFields()) {
            const auto it = values.find(field["name"].get<std::string>());
            row.push_back(it == values.end() ? json() : it->second);
        }
        form.cdsEndeCont.loadPacket({{"fields", form.cdsEndeCont.packetFields()}, {"rows", {row}}});
        EventDetach<Control::Handler> quiet(form.rbtFormaVar.onClick);
        form.rbtFormaVar.setChecked(true);
        form.cdsFormaPagto.createDataSet();
        EventDetach<DataSetEvent> unchecked(form.cdsFormaPagto.beforePost);
        for (int days : storedDays)
            form.cdsFormaPagto.appendRecord({"0001", "0000000100", "00", "0000000003", days});
        form.cdsFormaPagto.mergeChangeLog();
    }

    std::vector<double> column(const char* name) {
        std::vector<double> values;
        DataSet& rows = form.cdsFormaPagto;
        for (rows.first(); !rows.eof(); rows.next())
            values.push_back(rows.fieldByName(name).asFloat());
        return values;
    }
};

TEST_F(InstallmentGeneration, EqualSharesFallDueEveryStepWithTheCentsOnTheLast) {
    struct Case {
        double charged;
        int count;
        int step;
        std::vector<double> values;
        std::vector<double> days;
        std::vector<double> percents; // the last rounded to the cent, the others as they come
    };
    const std::vector<Case> cases{
        {100.00, 3, 30, {33.33, 33.33, 33.34}, {30, 60, 90}, {33.33, 33.33, 33.34}},
        {200.00, 3, 30, {66.67, 66.67, 66.66}, {30, 60, 90}, {33.335, 33.335, 33.33}},
        {100.00, 4, 15, {25.00, 25.00, 25.00, 25.00}, {15, 30, 45, 60}, {25, 25, 25, 25}},
    };
    const DateTime today = DateTime::today();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.charged) + " / " + std::to_string(c.count));
        showParty(c.charged);
        form.nedQtParcela.setNumber(c.count);
        form.nedPrazo.setNumber(c.step);
        form.edtObservacao.setText("Mensal");
        ASSERT_TRUE(dispatch([&] { form.sbtGeraParcClick(); })) << dialogs.lastMessage();

        // One rule for the screen and the server: the values are the equal shares.
        EXPECT_EQ(column("VRPARCELACONT"), money::equalShares(c.charged, c.count));
        EXPECT_EQ(column("VRPARCELACONT"), c.values);
        EXPECT_EQ(column("QTDIAFORMAPGCON"), c.days);
        const std::vector<double> percents = column("VRPEFORMAPGCON");
        ASSERT_EQ(percents.size(), c.percents.size());
        for (std::size_t i = 0; i < percents.size(); ++i)
            EXPECT_NEAR(percents[i], c.percents[i], 1e-9) << "row " << i + 1;
        DataSet& rows = form.cdsFormaPagto;
        for (rows.first(); !rows.eof(); rows.next()) {
            const int days = static_cast<int>(rows.fieldByName("QTDIAFORMAPGCON").asInteger());
            EXPECT_EQ(rows.fieldByName("DTVENCPARCCONT").asDateTime(), today.addDays(days));
            EXPECT_EQ(rows.fieldByName("DSOBSPARCCONT").asString(), "Mensal");
            EXPECT_EQ(rows.fieldByName("NRENDCLIORCEVE").asString(), "0000000003");
        }
        EXPECT_EQ(rows.changeCount(), c.count) << "pending until the party is saved";
        EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Edit);
    }
}

TEST_F(InstallmentGeneration, OnlyAWholePositiveCountGeneratesAndNothingIsDeletedBefore) {
    struct Case {
        double count;
        int rows; // after the click; the stored plan has two
    };
    // A plan without a server can only survive a refused count: deleting it would fail.
    for (const Case& c : std::vector<Case>{{0, 2}, {-2, 2}, {2.5, 2}, {1000, 2}}) {
        SCOPED_TRACE(c.count);
        showParty(100.00, {30, 60});
        dialogs.clear();
        form.nedQtParcela.setNumber(c.count);
        form.nedPrazo.setNumber(30);
        EXPECT_FALSE(dispatch([&] { form.sbtGeraParcClick(); }));
        EXPECT_EQ(dialogs.lastMessage(), "Quantidade inválida de parcelas.");
        EXPECT_EQ(dialogs.messageCount(), 1u);
        EXPECT_EQ(form.cdsFormaPagto.recordCount(), c.rows);
        EXPECT_FALSE(form.cdsFormaPagto.hasChanges());
        EXPECT_EQ(form.dbgPadrao.selectedField()->name(), "VRRECECONTOREV");
    }
}

} // namespace
} // namespace ct
