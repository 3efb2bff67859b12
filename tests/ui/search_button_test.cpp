#include "platform/dataset/data_source.h"
#include "platform/dataset/dataset.h"
#include "platform/host/dispatch.h"
#include "platform/host/fake_dialog_service.h"
#include "platform/ui/edits.h"
#include "platform/ui/form.h"
#include "platform/ui/search_button.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ct {
namespace {

struct FilterPanel : Form {
    DataSet cdsPesqEmpresa{
        "cdsPesqEmpresa",
        {FieldDef::string("CDEMPRESA", 2, "Código"), FieldDef::string("NMEMPRESA", 40, "Nome")}};
    DataSource dtsPesqEmpresa{&cdsPesqEmpresa};
    Panel panFiltro{*this, "panFiltro"};
    MaskEdit medCdFilial{panFiltro, "medCdFilial"};
    MaskEdit medCdEmpresa{panFiltro, "medCdEmpresa"};
    SearchButton btpEmpresa{panFiltro, "btpEmpresa", "Empresa"};
    std::vector<std::string> log;

    FilterPanel()
        : Form("frmFilter") {
        btpEmpresa.setAssociate(&medCdEmpresa);
        btpEmpresa.setListSource(&dtsPesqEmpresa);
        btpEmpresa.setFieldNome("NMEMPRESA");
        btpEmpresa.setEmptyError("Não há empresa cadastrada");
        btpEmpresa.onBeforePesq = [this](bool&) {
            log.push_back("before");
            cdsPesqEmpresa.createDataSet();
            cdsPesqEmpresa.appendRecord({"01", "Matriz"});
            cdsPesqEmpresa.appendRecord({"02", "Filial Sul"});
            cdsPesqEmpresa.first();
        };
        btpEmpresa.onAfterPesq = [this] {
            log.push_back("after");
            medCdEmpresa.setText(cdsPesqEmpresa.fieldByName("CDEMPRESA").asString());
        };
    }
};

TEST(SearchButtons, PickedRowReachesTheAfterHandlerAndTheAssociateGetsTheFocus) {
    FakeDialogService fake;
    ScopedDialogService scope(fake);
    FilterPanel f;
    f.setFocus(f.medCdFilial);
    fake.queuePick(2);
    EXPECT_TRUE(f.userClick(f.btpEmpresa));
    EXPECT_EQ(f.log, (std::vector<std::string>{"before", "after"}));
    EXPECT_EQ(f.medCdEmpresa.text(), "02");
    EXPECT_EQ(f.activeControl(), &f.medCdEmpresa);
    ASSERT_EQ(fake.dialogs().size(), 1u);
    EXPECT_EQ(fake.dialogs()[0].text, "Empresa");
    EXPECT_EQ(fake.dialogs()[0].pickedRow, 2);
}

TEST(SearchButtons, NoPickRunsNoAfterHandler) {
    FakeDialogService fake;
    ScopedDialogService scope(fake);
    FilterPanel f;
    f.setFocus(f.medCdFilial);
    fake.queuePick(0);
    EXPECT_FALSE(f.btpEmpresa.search());
    EXPECT_EQ(f.log, (std::vector<std::string>{"before"}));
    EXPECT_EQ(f.activeControl(), &f.medCdFilial); // a search button never takes the focus
    EXPECT_EQ(f.medCdEmpresa.text(), "");
}

TEST(SearchButtons, BeforeHandlerCanRefuseTheSearch) {
    FakeDialogService fake;
    ScopedDialogService scope(fake);
    FilterPanel f;
    f.btpEmpresa.onBeforePesq = [](bool& allow) { allow = false; };
    EXPECT_FALSE(f.btpEmpresa.search());
    EXPECT_TRUE(fake.dialogs().empty());
}

TEST(SearchButtons, DisabledButtonDoesNotSearch) {
    FakeDialogService fake;
    ScopedDialogService scope(fake);
    FilterPanel f;
    f.panFiltro.setEnabled(false);
    EXPECT_FALSE(f.userClick(f.btpEmpresa));
    EXPECT_TRUE(f.log.empty());
    EXPECT_TRUE(fake.dialogs().empty());
}

// Records what a search list is asked to show.
class RequestRecorder : public DialogService {
public:
    std::vector<SearchRequest> requests;
    int rows = -1;
    MsgResult message(MsgType, const std::string&, MsgButtons) override { return MsgResult::Ok; }
    bool search(const SearchRequest& request) override {
        requests.push_back(request);
        rows = request.list && request.list->active() ? request.list->recordCount() : -1;
        return false;
    }
    void showProgress(int, const std::string&) override {}
    void hideProgress() override {}
    void setBusyCursor(bool) override {}
};

TEST(SearchButtons, RequestCarriesTitleNameFieldAndEmptyListText) {
    RequestRecorder recorder;
    ScopedDialogService scope(recorder);
    FilterPanel f;
    DataSet qryFilial("qryFilial",
                      {FieldDef::string("CDFILIAL", 4), FieldDef::string("NMFILIAL", 30)});
    SearchButton& btnFilial = f.panFiltro.make<SearchButton>("btnFilial", "Filial");
    int opened = 0;
    // A query is opened by the provider when the search runs.
    btnFilial.setListProvider([&]() -> DataSet* {
        ++opened;
        return &qryFilial;
    });
    btnFilial.setFieldNome("NMFILIAL");
    btnFilial.setEmptyError("Não há filial cadastrada.");
    btnFilial.search();
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(recorder.requests[0].title, "Filial");
    EXPECT_EQ(recorder.requests[0].list, &qryFilial);
    EXPECT_EQ(recorder.requests[0].nameField, "NMFILIAL");
    EXPECT_EQ(recorder.requests[0].emptyText, "Não há filial cadastrada.");
    EXPECT_EQ(recorder.rows, 0); // a closed list is listed open and empty
    SearchButton& orphan = f.panFiltro.make<SearchButton>("btnOrphan");
    EXPECT_THROW(orphan.search(), UiError);
}

} // namespace
} // namespace ct
