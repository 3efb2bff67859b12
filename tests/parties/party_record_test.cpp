// The party record on a screen built without a server: status texts, masked inscriptions, the
// defaults of a new party and the declaration of the record and its grid.
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "parties/party_texts.h"
#include "platform/dataset/event_detach.h"
#include "platform/host/fake_dialog_service.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace ct {
namespace {

using nlohmann::json;

// A packet for `set` whose rows give values by field name (null elsewhere).
json packetOf(const DataSet& set, const std::vector<std::map<std::string, json>>& rows) {
    json packet;
    packet["fields"] = set.packetFields();
    packet["rows"] = json::array();
    for (const auto& values : rows) {
        json row = json::array();
        for (const json& field : packet["fields"]) {
            const std::string name = field["name"].get<std::string>();
            auto it = values.find(name);
            // Stored parties carry their payment mode; without one the screen would ask the
            // server for the party's installments.
            if (it == values.end() && name == "IDFORMAPGCONT")
                row.push_back("E");
            else
                row.push_back(it == values.end() ? json() : it->second);
        }
        packet["rows"].push_back(row);
    }
    return packet;
}

class PartyRecord : public ::testing::Test {
protected:
    FakeDialogService dialogs;
    ScopedDialogService scope{dialogs};
    TfrmContratante form;

    void loadParties(const std::vector<std::map<std::string, json>>& rows) {
        form.cdsEndeCont.loadPacket(packetOf(form.cdsEndeCont, rows));
    }
    std::string statusShown() {
        return form.cdsEndeCont.fieldByName("IDSITUCONTOREV").displayText();
    }
};

TEST_F(PartyRecord, StatusTextsFromCodes) {
    loadParties({});
    EXPECT_EQ(statusShown(), "");
    EXPECT_EQ(form.cdsEndeCont.fieldByName("IDSITUCONTOREV").text(), "");

    loadParties({{{"IDSITUCONTOREV", nullptr}},
                 {{"IDSITUCONTOREV", "   "}},
                 {{"IDSITUCONTOREV", "LANCADO"}},
                 {{"IDSITUCONTOREV", "CNTGERADA"}},
                 {{"IDSITUCONTOREV", "CANCELADO"}},
                 {{"IDSITUCONTOREV", "DEVOLVIDO"}}});
    const std::vector<std::string> expected = {"Lançado",      "Lançado",   "Lançado",
                                               "Conta Gerada", "Cancelada", "Devolvido"};
    for (int row = 1; row <= 6; ++row) {
        form.cdsEndeCont.setRecNo(row);
        EXPECT_EQ(statusShown(), expected[static_cast<std::size_t>(row - 1)]) << "row " << row;
        EXPECT_EQ(form.cdsEndeCont.fieldByName("IDSITUCONTOREV").text(),
                  expected[static_cast<std::size_t>(row - 1)]);
    }
    // The grid shows every row through the same conversion.
    form.cdsEndeCont.first();
    EXPECT_EQ(form.dbgPadrao.cellText(5, 5), "Cancelada");
    EXPECT_EQ(form.dbgPadrao.cellText(2, 5), "Lançado");
}

TEST_F(PartyRecord, StatusCodesFromTexts) {
    loadParties({{{"IDSITUCONTOREV", "LANCADO"}}});
    Field& status = form.cdsEndeCont.fieldByName("IDSITUCONTOREV");
    form.cdsEndeCont.edit();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Conta Gerada", "CNTGERADA"},
        {"Cancelada", "CANCELADO"},
        {"Devolvido", "DEVOLVIDO"},
        {"Lançado", "LANCADO"},
    };
    for (const auto& [text, code] : cases) {
        status.setText(text);
        EXPECT_EQ(status.asString(), code) << text;
    }
    // Only an exact text counts; anything else leaves the code as it was.
    for (const char* other : {"lançado", "Cancelado", "", "CANCELADO"}) {
        status.setText(other);
        EXPECT_EQ(status.asString(), "LANCADO") << other;
    }
}

TEST_F(PartyRecord, StatusTextOfACodeTheCatalogueLacksIsTheCodeItself) {
    EXPECT_EQ(statusDisplayText(form.msgPadrao, false, "SUSPENSO"), "SUSPENSO");
    EXPECT_EQ(statusDisplayText(form.msgPadrao, true, "CANCELADO"), "");
    EXPECT_FALSE(statusCodeOf(form.msgPadrao, "SUSPENSO").has_value());
}

TEST_F(PartyRecord, InscriptionsAreShownWithTheMaskOfTheirPersonType) {
    const std::vector<std::map<std::string, json>> rows = {
        {{"NRINSJURCLIE", "52998224725"}, {"IDTPIJURCLIE", "F"}},
        {{"NRINSJURCLIE", "11222333000181"}, {"IDTPIJURCLIE", "J"}},
        {{"NRINSJURCLIE", nullptr}, {"IDTPIJURCLIE", "F"}},
    };
    for (DataSet* set :
         {&form.cdsEndeCont, &form.cdsCliente, &form.cdsContSub, &form.cdsVdCliente}) {
        SCOPED_TRACE(set->name());
        set->loadPacket(packetOf(*set, rows));
        Field& inscription = set->fieldByName("NRINSJURCLIE");
        EXPECT_EQ(inscription.displayText(), "529.982.247-25");
        EXPECT_EQ(inscription.text(), "529.982.247-25");
        // Stored unmasked.
        EXPECT_EQ(inscription.asString(), "52998224725");
        set->next();
        EXPECT_EQ(inscription.displayText(), "11.222.333/0001-81");
        set->next();
        EXPECT_EQ(inscription.displayText(), "");
    }
}

TEST_F(PartyRecord, ANewPartyIsChargedWhatNoPartyCarriesYet) {
    loadParties({{{"NRENDCLIORCEVE", "0000000001"}, {"VRRECECONTOREV", 600.0}}});
    form.nedVrReali.setNumber(1000);
    // A cancelled insert reloads the parties from the server; this screen has none.
    EventDetach<DataSetEvent> noReload(form.cdsEndeCont.afterCancel);
    struct Case {
        double charged;
        const char* shown;
    };
    for (const Case& c : {Case{600, "400,00"}, Case{0, "1.000,00"}, Case{999.99, "0,01"},
                          Case{1000, ""}, Case{1200, ""}, Case{999.995, ""}}) {
        form.nedTotRateado.setNumber(c.charged);
        form.cdsEndeCont.append();
        EXPECT_EQ(form.cdsEndeCont.fieldByName("VRRECECONTOREV").displayText(), c.shown)
            << "charged " << c.charged;
        form.cdsEndeCont.cancel();
    }
    EXPECT_EQ(uncoveredShare(1000.004, 599.996), std::optional<double>(400.0));
}

TEST_F(PartyRecord, ANewPartyStartsUnmarkedWithoutAPaymentPlan) {
    loadParties({});
    {
        // A variable plan shown, without the mode's own reactions (on an empty budget they start a
        // party themselves).
        EventDetach<Control::Handler> quiet(form.rbtFormaVar.onClick);
        form.rbtFormaVar.setChecked(true);
        form.cdsFormaPagto.createDataSet();
    }
    boNovoClie = true;
    form.cdsEndeCont.append();
    EXPECT_EQ(form.cdsEndeCont.state(), DataSetState::Insert);
    EXPECT_EQ(form.cdsEndeCont.fieldByName("IDMARCADO").asString(), "N");
    EXPECT_EQ(form.cdsEndeCont.fieldByName("IDFORMAPGCONT").asString(), "E");
    EXPECT_TRUE(form.rbtAvista.checked());
    EXPECT_FALSE(form.rbtFormaVar.checked());
    EXPECT_FALSE(boNovoClie);
    EXPECT_EQ(form.dbgPadrao.selectedField()->name(), "NRINSJURCLIE");
    EXPECT_EQ(form.activeControl(), &form.dbgPadrao);
}

TEST_F(PartyRecord, OpeningThePartiesClearsTheNewClientFlag) {
    boNovoClie = true;
    loadParties({{{"NMFANTCLIE", "Ana"}}});
    EXPECT_FALSE(boNovoClie);
}

TEST_F(PartyRecord, ThePartyRecordHasItsFieldsInDeclaredOrder) {
    const std::vector<std::string> names = {"CDCLIENTE",          "CDFILIAL",
                                            "NRORCAEVENTO",       "NRSEQORCAEVE",
                                            "NRINSJURCLIE",       "IDTPIJURCLIE",
                                            "NMFANTCLIE",         "QTCONVCONTOREV",
                                            "IDSITUCONTOREV",     "CDPAIS",
                                            "QTCONVADICCRIANCA",  "QTCONVADICADULTO",
                                            "IDCONTRESPCOTAORCA", "NMPAIS",
                                            "SGESTADO",           "NMESTADO",
                                            "CDMUNICIPIO",        "NMMUNICIPIO",
                                            "CDBAIRRO",           "CDCLICONTSUBORE",
                                            "VRRECECONTOREV",     "CDCLIENCONTORCA",
                                            "NRENDCLIORCEVE",     "DSENDECLIORE",
                                            "DSCOENDCLORE",       "NRTELECLIORE",
                                            "NRRAMACLIORE",       "NRTELECLIOR1",
                                            "NRRAMACLIOR1",       "NMCONTCLIORE",
                                            "NRCEPCLIEORE",       "NRTELERESOR1",
                                            "NRCELCLIORE1",       "DSEMAILCLOR1",
                                            "DSEMAILCLOR2",       "NRFAXCLIEORE",
                                            "NMRAZSOCCLIE",       "NMFANTSUB",
                                            "NMBAIRRO",           "IDCAMPONULL",
                                            "IDQTPARCNULL",       "IDQTCONVNULL",
                                            "IDVRRECENULL",       "QTEXTCONVOREV",
                                            "IDMARCADO",          "VREXTCONVOREV",
                                            "IDFORMAPGCONT",      "NRDIAVENCONOREV",
                                            "QTPARCCONTOREV",     "IDMESVENCONOREV",
                                            "VRTOTCONVADU",       "VRTOTCONVCRI",
                                            "IDSITUORCEVE",       "IDORCAFILHODISTRATO"};
    DataSet& set = form.cdsEndeCont;
    ASSERT_EQ(set.fieldCount(), 54);
    std::set<std::string> visible;
    for (int i = 0; i < set.fieldCount(); ++i) {
        EXPECT_EQ(set.field(i).name(), names[static_cast<std::size_t>(i)]);
        if (!set.field(i).hidden())
            visible.insert(set.field(i).name());
    }
    EXPECT_EQ(visible, (std::set<std::string>{"NRINSJURCLIE", "NMFANTCLIE", "QTCONVCONTOREV",
                                              "VRRECECONTOREV", "QTEXTCONVOREV", "VREXTCONVOREV",
                                              "VRTOTCONVADU", "VRTOTCONVCRI"}));

    EXPECT_EQ(set["NRINSJURCLIE"].size(), 20);
    EXPECT_EQ(set["NRINSJURCLIE"].label(), "Inscrição");
    EXPECT_EQ(set["NMFANTCLIE"].displayWidth(), 50);
    EXPECT_EQ(set["IDSITUCONTOREV"].displayWidth(), 13);
    EXPECT_EQ(set["IDSITUCONTOREV"].label(), "Situação");
    EXPECT_EQ(set["CDMUNICIPIO"].displayWidth(), 4);
    EXPECT_EQ(set["IDCONTRESPCOTAORCA"].type(), FieldType::FixedString);
    EXPECT_EQ(set["IDMARCADO"].type(), FieldType::FixedString);
    EXPECT_EQ(set["QTEXTCONVOREV"].maxValue(), std::optional<double>(9999));
    EXPECT_EQ(set["VRRECECONTOREV"].displayFormat(), "#,##0.00");
    EXPECT_EQ(set["VRRECECONTOREV"].editFormat(), "0.00");
    EXPECT_EQ(set["VREXTCONVOREV"].displayFormat(), "#,##0.00");
    for (const char* calculated : {"VRTOTCONVADU", "VRTOTCONVCRI"}) {
        EXPECT_TRUE(set[calculated].calculated()) << calculated;
        EXPECT_TRUE(set[calculated].readOnly()) << calculated;
    }
    EXPECT_EQ(set["VRTOTCONVADU"].label(), "Tot.Conv.Adu.");
    EXPECT_EQ(set["VRTOTCONVCRI"].label(), "Tot.Conv.Cri");
    // The calculated values never travel.
    for (const json& field : set.packetFields())
        EXPECT_NE(field["name"], "VRTOTCONVADU");
}

TEST_F(PartyRecord, TheGridShowsTenColumns) {
    DBGrid& grid = form.dbgPadrao;
    const std::vector<std::string> fields = {
        "IDMARCADO",      "NRINSJURCLIE",   "NMFANTCLIE",       "QTCONVCONTOREV",
        "VRRECECONTOREV", "IDSITUCONTOREV", "QTCONVADICADULTO", "QTCONVADICCRIANCA",
        "QTEXTCONVOREV",  "VREXTCONVOREV"};
    ASSERT_EQ(grid.columnCount(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(grid.column(i).fieldName(), fields[static_cast<std::size_t>(i)]);
    EXPECT_EQ(grid.column(0).width(), 17);
    EXPECT_EQ(grid.column(0).title(), "4");
    EXPECT_EQ(grid.column(0).titleFont().name, "Monotype Sorts");
    EXPECT_EQ(grid.column(1).width(), 109);
    EXPECT_EQ(grid.column(1).buttonStyle(), ColumnButton::Ellipsis);
    EXPECT_EQ(grid.column(2).width(), 261);
    EXPECT_EQ(grid.column(4).titleAlignment(), Alignment::Right);
    EXPECT_EQ(grid.column(5).width(), 79);
    for (int readOnly : {0, 2, 5})
        EXPECT_TRUE(grid.column(readOnly).readOnly()) << readOnly;
    for (int writable : {1, 3, 4, 6, 7, 8, 9})
        EXPECT_FALSE(grid.column(writable).readOnly()) << writable;
    for (int other : {2, 3, 4, 5})
        EXPECT_EQ(grid.column(other).buttonStyle(), ColumnButton::None) << other;
    EXPECT_EQ(grid.dataSet(), &form.cdsEndeCont);
    EXPECT_FALSE(grid.options().indicator);
    EXPECT_TRUE(grid.options().cancelOnExit);
}

TEST_F(PartyRecord, TheTotalBoxesShowTheirFormats) {
    form.cdsTotalRateado.loadPacket(
        packetOf(form.cdsTotalRateado,
                 {{{"TOTALCONV", 120.0}, {"TOTALRATEADO", 10500.5}, {"TOTALCONTRAT", 3.0}}}));
    form.showBudgetTotals();
    EXPECT_EQ(form.nedQtContratantes.text(), "3");
    EXPECT_EQ(form.nedTotConv.text(), "120");
    EXPECT_EQ(form.nedTotRateado.text(), "10.500,50");
}

} // namespace
} // namespace ct
