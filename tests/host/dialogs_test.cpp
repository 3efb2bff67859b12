#include "platform/dataset/data_source.h"
#include "platform/dataset/dataset.h"
#include "platform/host/fake_dialog_service.h"
#include "platform/host/progress.h"
#include "platform/host/search.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace ct {
namespace {

using Kind = FakeDialogService::Dialog::Kind;
using Unexpected = FakeDialogService::UnexpectedDialog;

std::unique_ptr<DataSet> clients() {
    auto ds = std::make_unique<DataSet>(
        "cdsCliente", std::vector<FieldDef>{FieldDef::string("CDCLIENTE", 21, "Código"),
                                            FieldDef::string("NMFANTCLIE", 40, "Nome")});
    ds->createDataSet();
    ds->appendRecord({"F11111111111", "ANA"});
    ds->appendRecord({"F22222222222", "BRUNO"});
    ds->appendRecord({"J33333333000133", "CASA"});
    ds->first();
    return ds;
}

TEST(FakeDialogService, OkOnlyMessagesAnswerThemselves) {
    FakeDialogService fake;
    EXPECT_EQ(fake.message(MsgType::Information, "info", mbOK), MsgResult::Ok);
    // A queued OK is used by the next OK-only message; a queued Yes waits for a question.
    fake.queueAnswer(MsgResult::Ok);
    EXPECT_EQ(fake.message(MsgType::Error, "err", mbOK), MsgResult::Ok);
    EXPECT_EQ(fake.pendingAnswers(), 0u);
    fake.queueAnswer(MsgResult::Yes);
    EXPECT_EQ(fake.message(MsgType::Warning, "warn", mbOK), MsgResult::Ok);
    EXPECT_EQ(fake.pendingAnswers(), 1u);
    EXPECT_EQ(fake.message(MsgType::Confirmation, "q?", mbYes | mbNo), MsgResult::Yes);

    const auto shown = fake.messages();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[1].type, MsgType::Error);
    EXPECT_EQ(shown[2].text, "warn");
    EXPECT_EQ(shown[3].answer, MsgResult::Yes);
    EXPECT_EQ(fake.lastMessage(), "q?");
}

TEST(FakeDialogService, QuestionWithoutAnswerFailsLoudly) {
    FakeDialogService fake;
    EXPECT_THROW(fake.message(MsgType::Confirmation, "Confirma exclusão?", mbYes | mbNo),
                 Unexpected);
    // The dialog is still recorded, with no answer.
    ASSERT_EQ(fake.messageCount(), 1u);
    EXPECT_EQ(fake.messages()[0].answer, MsgResult::None);

    fake.queueAnswer(MsgResult::Cancel);
    EXPECT_THROW(fake.message(MsgType::Confirmation, "q", mbYes | mbNo), Unexpected);
    EXPECT_EQ(fake.pendingAnswers(), 1u);
}

TEST(FakeDialogService, SearchPicksAQueuedRow) {
    FakeDialogService fake;
    auto list = clients();
    SearchRequest request{"Contratante|", list.get(), "NMFANTCLIE", "vazio"};

    fake.queuePick(3);
    EXPECT_TRUE(fake.search(request));
    EXPECT_EQ(list->recNo(), 3);
    EXPECT_EQ(list->fieldByName("NMFANTCLIE").asString(), "CASA");

    fake.queuePick(0);
    EXPECT_FALSE(fake.search(request));
    EXPECT_EQ(list->recNo(), 3);

    EXPECT_THROW(fake.search(request), Unexpected);
    fake.queuePick(4);
    EXPECT_THROW(fake.search(request), Unexpected);
    EXPECT_EQ(list->recNo(), 3);

    std::size_t searches = 0;
    for (const auto& d : fake.dialogs())
        if (d.kind == Kind::Search) {
            ++searches;
            EXPECT_EQ(d.text, "Contratante|");
        }
    EXPECT_EQ(searches, 4u);
    EXPECT_EQ(fake.dialogs()[0].pickedRow, 3);
}

TEST(Search, PesquisarListsTheSourcesDataSet) {
    FakeDialogService fake;
    ScopedDialogService scope(fake);
    auto list = clients();
    DataSource source(list.get());

    fake.queuePick(2);
    EXPECT_TRUE(Pesquisar(source, "Contratante|Clientes", false, true));
    EXPECT_EQ(list->fieldByName("CDCLIENTE").asString(), "F22222222222");
    EXPECT_EQ(fake.dialogs().back().text, "Contratante|Clientes");

    fake.queuePick(0);
    EXPECT_FALSE(Pesquisar(source, "x", true, false));

    DataSource empty;
    EXPECT_FALSE(Pesquisar(empty, "x", false, true));
    EXPECT_EQ(fake.pendingPicks(), 0u);
}

TEST(Search, ProcuraSearchesTheDataSet) {
    FakeDialogService fake;
    ScopedDialogService scope(fake);
    auto list = clients();
    fake.queuePick(2);
    EXPECT_TRUE(Procura(*list));
    EXPECT_EQ(list->recNo(), 2);
    fake.queuePick(0);
    EXPECT_FALSE(Procura(*list));
}

TEST(Progress, ShownAndHiddenThroughTheService) {
    FakeDialogService fake;
    ScopedDialogService scope(fake);
    int form = 0;

    ActiveShowAvi(&form, 6);
    EXPECT_TRUE(fake.progressShown());
    EXPECT_TRUE(ShowAviActive());
    DeactiveShowAvi();
    EXPECT_FALSE(fake.progressShown());
    DeactiveShowAvi(); // nothing shown: nothing to hide

    ActiveShowAvi(&form, 1, "Atualizando parcelas.");
    DeactiveShowAvi();

    const auto& log = fake.dialogs();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].kind, Kind::ShowProgress);
    EXPECT_EQ(log[0].progressKind, 6);
    EXPECT_EQ(log[1].kind, Kind::HideProgress);
    EXPECT_EQ(log[2].progressKind, 1);
    EXPECT_EQ(log[2].text, "Atualizando parcelas.");
    EXPECT_EQ(log[3].kind, Kind::HideProgress);
}

TEST(Progress, GuardHidesOnFailure) {
    FakeDialogService fake;
    ScopedDialogService scope(fake);
    try {
        ShowAviGuard guard(nullptr, 1);
        EXPECT_TRUE(fake.progressShown());
        throw std::runtime_error("server down");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(fake.progressShown());
    EXPECT_FALSE(ShowAviActive());
}

TEST(Search, FirstSearchAfterTheFlagStartsAfresh) {
    // Records whether each search was asked to start afresh.
    struct Recorder : DialogService {
        std::vector<bool> fresh;
        MsgResult message(MsgType, const std::string&, MsgButtons) override {
            return MsgResult::Ok;
        }
        bool search(const SearchRequest& request) override {
            fresh.push_back(request.fresh);
            return false;
        }
        void showProgress(int, const std::string&) override {}
        void hideProgress() override {}
        void setBusyCursor(bool) override {}
    } recorder;
    ScopedDialogService scope(recorder);
    auto list = clients();
    DataSource source(list.get());

    boPrimVez = true;
    Pesquisar(source, "a", false, true);
    Procura(*list);
    boPrimVez = true;
    Procura(*list);
    EXPECT_EQ(recorder.fresh, (std::vector<bool>{true, false, true}));
    EXPECT_FALSE(boPrimVez);
}

} // namespace
} // namespace ct
