#include "platform/host/dispatch.h"
#include "platform/host/silent_abort.h"
#include "platform/ui/buttons.h"
#include "platform/ui/edits.h"
#include "platform/ui/form.h"
#include "platform/ui/menu.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ct {
namespace {

// A form with two panels of edits, a toolbar button and a menu item; every enter and exit
// handler writes to the log.
struct FocusForm : Form {
    Panel panA{*this, "panA"};
    Edit edtA1{panA, "edtA1"};
    Edit edtA2{panA, "edtA2"};
    Panel panB{*this, "panB"};
    Edit edtB1{panB, "edtB1"};
    SpeedButton sbtGo{*this, "sbtGo"};
    Button btnPush{*this, "btnPush"};
    CheckBox chkFlag{*this, "chkFlag"};
    MenuItem mnuTop{*this, "mnuTop"};
    MenuItem mnuRun{mnuTop, "mnuRun", "&Run", "Ctrl+R"};
    std::vector<std::string> log;

    FocusForm()
        : Form("frmFocus") {
        for (Control* c :
             std::vector<Control*>{&panA, &edtA1, &edtA2, &panB, &edtB1, &btnPush, &chkFlag}) {
            c->onEnter = [this, c] { log.push_back("enter " + c->name()); };
            c->onExit = [this, c] { log.push_back("exit " + c->name()); };
        }
    }
};

class SilenceErrors : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = setErrorDisplay([this](const std::string& text) { shown.push_back(text); });
    }
    void TearDown() override { setErrorDisplay(previous_); }
    std::vector<std::string> shown;

private:
    ErrorDisplay previous_;
};

using FocusTest = SilenceErrors;

TEST_F(FocusTest, MoveRunsExitsInnermostFirstThenEntersOutermostFirst) {
    FocusForm f;
    ASSERT_TRUE(f.setFocus(f.edtA1));
    EXPECT_EQ(f.log, (std::vector<std::string>{"enter panA", "enter edtA1"}));
    f.log.clear();
    ASSERT_TRUE(f.setFocus(f.edtB1));
    EXPECT_EQ(f.log,
              (std::vector<std::string>{"exit edtA1", "exit panA", "enter panB", "enter edtB1"}));
    EXPECT_EQ(f.activeControl(), &f.edtB1);
    f.log.clear();
    // Within one container only the controls change.
    ASSERT_TRUE(f.setFocus(f.edtB1));
    EXPECT_TRUE(f.log.empty());
}

TEST_F(FocusTest, ActiveControlIsTheTargetWhileHandlersRun) {
    FocusForm f;
    f.setFocus(f.edtA1);
    Control* seenInExit = nullptr;
    Control* seenInEnter = nullptr;
    f.panA.onExit = [&] { seenInExit = f.activeControl(); };
    f.edtB1.onEnter = [&] { seenInEnter = f.activeControl(); };
    f.setFocus(f.edtB1);
    EXPECT_EQ(seenInExit, &f.edtB1);
    EXPECT_EQ(seenInEnter, &f.edtB1);
}

TEST_F(FocusTest, FailingExitAbandonsTheMove) {
    FocusForm f;
    f.setFocus(f.edtA1);
    f.panA.onExit = [&] {
        f.log.push_back("exit panA");
        throw SilentAbort();
    };
    f.log.clear();
    EXPECT_FALSE(f.userFocus(f.edtB1));
    EXPECT_EQ(f.activeControl(), &f.edtA1);
    EXPECT_EQ(f.log, (std::vector<std::string>{"exit edtA1", "exit panA"}));
    EXPECT_TRUE(shown.empty()); // the silent abort shows nothing

    // A program's move lets the exception through.
    EXPECT_THROW(f.setFocus(f.edtB1), SilentAbort);
    EXPECT_EQ(f.activeControl(), &f.edtA1);

    // Other errors go to the error display.
    f.panA.onExit = [] { throw std::runtime_error("Filial deve ser informada."); };
    EXPECT_FALSE(f.userFocus(f.edtB1));
    EXPECT_EQ(shown, (std::vector<std::string>{"Filial deve ser informada."}));
    EXPECT_EQ(f.activeControl(), &f.edtA1);
}

TEST_F(FocusTest, FocusRequestedByAFailingHandlerWins) {
    FocusForm f;
    f.setFocus(f.edtA2);
    // A check that focuses the offending field and then fails.
    f.panA.onExit = [&] {
        f.setFocus(f.edtA1);
        throw SilentAbort();
    };
    f.log.clear();
    EXPECT_FALSE(f.userFocus(f.edtB1));
    EXPECT_EQ(f.activeControl(), &f.edtA1);
    // The request ran to its end inside the handler: only edtA1 was entered, panB never.
    EXPECT_EQ(f.log, (std::vector<std::string>{"exit edtA2", "enter edtA1"}));
}

TEST_F(FocusTest, FocusRequestedByASucceedingHandlerWins) {
    FocusForm f;
    f.setFocus(f.edtA1);
    f.edtA1.onExit = [&] {
        f.log.push_back("exit edtA1");
        f.setFocus(f.btnPush);
    };
    f.log.clear();
    EXPECT_FALSE(f.userFocus(f.edtB1));
    EXPECT_EQ(f.activeControl(), &f.btnPush);
    EXPECT_EQ(f.log, (std::vector<std::string>{"exit edtA1", "exit panA", "enter btnPush"}));
}

TEST_F(FocusTest, LastOfSeveralRequestsWins) {
    FocusForm f;
    f.setFocus(f.edtA1);
    f.panA.onExit = [&] {
        f.setFocus(f.edtA2);
        f.setFocus(f.btnPush);
        throw SilentAbort();
    };
    EXPECT_FALSE(f.userFocus(f.edtB1));
    EXPECT_EQ(f.activeControl(), &f.btnPush);
}

TEST_F(FocusTest, RequestForTheTargetOfTheMoveUnderWayChangesNothing) {
    FocusForm f;
    f.setFocus(f.edtA1);
    int panBEnters = 0;
    f.panB.onEnter = [&] { ++panBEnters; };
    f.panA.onExit = [&] { f.setFocus(f.edtB1); };
    EXPECT_TRUE(f.userFocus(f.edtB1));
    EXPECT_EQ(f.activeControl(), &f.edtB1);
    EXPECT_EQ(panBEnters, 1);
}

TEST_F(FocusTest, FailingEnterKeepsTheFocusOnTheTarget) {
    FocusForm f;
    f.setFocus(f.edtA1);
    f.edtB1.onEnter = [] { throw SilentAbort(); };
    EXPECT_FALSE(f.userFocus(f.edtB1));
    EXPECT_EQ(f.activeControl(), &f.edtB1);
}

TEST_F(FocusTest, DisabledOrHiddenControlsCannotTakeFocus) {
    FocusForm f;
    f.setFocus(f.edtA1);
    f.edtB1.setEnabled(false);
    EXPECT_FALSE(f.setFocus(f.edtB1));
    f.edtB1.setEnabled(true);
    f.panB.setEnabled(false);
    EXPECT_FALSE(f.edtB1.canFocus());
    EXPECT_FALSE(f.setFocus(f.edtB1));
    f.panB.setEnabled(true);
    f.panB.setVisible(false);
    EXPECT_FALSE(f.setFocus(f.edtB1));
    EXPECT_EQ(f.activeControl(), &f.edtA1);
    // Toolbar buttons and menu items never hold it.
    EXPECT_FALSE(f.setFocus(f.sbtGo));
    EXPECT_FALSE(f.setFocus(f.mnuRun));
}

TEST_F(FocusTest, ClicksTakeFocusOnlyForFocusableKinds) {
    FocusForm f;
    f.setFocus(f.edtA1);
    int goClicks = 0;
    int pushClicks = 0;
    f.sbtGo.onClick = [&] {
        ++goClicks;
        EXPECT_EQ(f.activeControl(), &f.edtA1); // the toolbar leaves the active control alone
    };
    f.btnPush.onClick = [&] { ++pushClicks; };
    EXPECT_TRUE(f.userClick(f.sbtGo));
    EXPECT_EQ(goClicks, 1);
    EXPECT_EQ(f.activeControl(), &f.edtA1);

    EXPECT_TRUE(f.userClick(f.chkFlag));
    EXPECT_EQ(f.activeControl(), &f.chkFlag);
    EXPECT_TRUE(f.chkFlag.checked());

    EXPECT_TRUE(f.userClick(f.btnPush));
    EXPECT_EQ(pushClicks, 1);
    EXPECT_EQ(f.activeControl(), &f.btnPush);
}

TEST_F(FocusTest, ClickIsDroppedWhenTheFocusCannotLeave) {
    FocusForm f;
    f.setFocus(f.edtA1);
    f.edtA1.onExit = [] { throw SilentAbort(); };
    EXPECT_FALSE(f.userClick(f.chkFlag));
    EXPECT_FALSE(f.chkFlag.checked());
    EXPECT_EQ(f.activeControl(), &f.edtA1);
}

TEST_F(FocusTest, DisabledClickDoesNothingButProgramClickRuns) {
    FocusForm f;
    int clicks = 0;
    f.sbtGo.onClick = [&] { ++clicks; };
    f.sbtGo.setEnabled(false);
    EXPECT_FALSE(f.userClick(f.sbtGo));
    EXPECT_EQ(clicks, 0);
    f.sbtGo.click();
    EXPECT_EQ(clicks, 1);
    // Inside a disabled container too.
    Panel& bar = f.make<Panel>("panBar");
    SpeedButton& inner = bar.make<SpeedButton>("sbtInner");
    int innerClicks = 0;
    inner.onClick = [&] { ++innerClicks; };
    bar.setEnabled(false);
    EXPECT_FALSE(f.userClick(inner));
    EXPECT_FALSE(inner.enabledInChain());
    EXPECT_EQ(innerClicks, 0);
}

TEST_F(FocusTest, TabMovesInCreationOrderSkippingDisabled) {
    FocusForm f;
    f.setFocus(f.edtA1);
    f.edtA2.setEnabled(false);
    EXPECT_TRUE(f.userKey(keyTab));
    EXPECT_EQ(f.activeControl(), &f.edtB1);
    EXPECT_TRUE(f.userKey(keyTab, ShiftState{true, false, false}));
    EXPECT_EQ(f.activeControl(), &f.edtA1);
}

TEST_F(FocusTest, ShortcutsReachOnlyEnabledMenuItems) {
    FocusForm f;
    int runs = 0;
    f.mnuRun.onClick = [&] { ++runs; };
    EXPECT_EQ(f.mnuRun.shortcut().text(), "Ctrl+R");
    EXPECT_TRUE(f.userKey('R', ShiftState{false, true, false}));
    EXPECT_EQ(runs, 1);
    f.mnuRun.setEnabled(false);
    EXPECT_FALSE(f.userShortcut(*Shortcut::parse("ctrl+r")));
    f.mnuRun.setEnabled(true);
    f.mnuTop.setEnabled(false); // the item's menu disables it too
    EXPECT_EQ(f.findShortcut(*Shortcut::parse("Ctrl+R")), nullptr);
    EXPECT_EQ(runs, 1);
    EXPECT_THROW(f.mnuRun.setShortcut("Ctrl+"), UiError);
    EXPECT_FALSE(Shortcut::parse("Hyper+X").has_value());
    EXPECT_EQ(Shortcut::parse("Shift+F5")->text(), "Shift+F5");
}

TEST_F(FocusTest, ControlsAreFoundByName) {
    FocusForm f;
    EXPECT_EQ(f.find("edtB1"), &f.edtB1);
    EXPECT_EQ(f.find("EDTB1"), &f.edtB1); // names as the suite writes them, any case
    EXPECT_EQ(f.find("frmFocus"), &f);
    EXPECT_EQ(f.find("nothing"), nullptr);
    EXPECT_THROW(f.get("nothing"), UiError);
    EXPECT_EQ(&f.get<Edit>("edtA2"), &f.edtA2);
    EXPECT_THROW(f.get<Edit>("panA"), UiError);
    EXPECT_THROW(Edit(f.panB, "edtA1"), UiError); // names are unique in a form
    {
        Edit& temp = f.panB.make<Edit>("edtTemp");
        EXPECT_EQ(f.find("edtTemp"), &temp);
    }
    EXPECT_EQ(f.edtB1.form(), &f);
    EXPECT_TRUE(f.panB.contains(f.edtB1));
    EXPECT_FALSE(f.panA.contains(f.edtB1));
}

TEST_F(FocusTest, ObserversHearFocusAndPropertyChanges) {
    FocusForm f;
    std::vector<Property> formChanges;
    std::vector<Property> editChanges;
    ObserverScope formWatch(f, [&](Control&, Property p) { formChanges.push_back(p); });
    {
        ObserverScope editWatch(f.edtA1, [&](Control&, Property p) { editChanges.push_back(p); });
        f.setFocus(f.edtA1);
        f.edtA1.setText("X");
        f.edtA1.setText("X"); // no change, no notice
        f.edtA1.setEnabled(false);
        f.edtA1.setReadOnly(true);
        f.edtA1.setVisible(false);
    }
    f.edtA1.setText("after"); // the scope detached the observer
    EXPECT_EQ(formChanges, (std::vector<Property>{Property::Focus}));
    EXPECT_EQ(editChanges, (std::vector<Property>{Property::Text, Property::Enabled,
                                                  Property::ReadOnly, Property::Visible}));
}

// ----- activation and closing -----

struct CountingForm : Form {
    int activations = 0;
    explicit CountingForm(std::string name)
        : Form(std::move(name)) {
        onActivate = [this] { ++activations; };
    }
};

TEST_F(FocusTest, ActivationOnShowAndWhenAChildFormCloses) {
    CountingForm screen("frmScreen");
    CountingForm dialog("frmDialog");
    screen.showModal(); // the default host returns at once, leaving the form open
    EXPECT_EQ(screen.activations, 1);
    EXPECT_TRUE(screen.isActive());
    dialog.showModal();
    EXPECT_EQ(dialog.activations, 1);
    EXPECT_FALSE(screen.isActive());
    EXPECT_EQ(screen.activations, 1);
    EXPECT_TRUE(dialog.close());
    EXPECT_EQ(screen.activations, 2);
    EXPECT_TRUE(screen.isActive());
    EXPECT_EQ(dialog.modalResult(), mrCancel);
    EXPECT_TRUE(screen.close());
    EXPECT_FALSE(screen.isShowing());
    EXPECT_THROW(
        {
            screen.showModal();
            screen.showModal();
        },
        UiError);
    screen.close();
}

TEST_F(FocusTest, FailingActivationEndsQuietlyAndTheFormStaysShown) {
    Form screen("frmScreen");
    screen.onActivate = [] { throw SilentAbort(); };
    screen.showModal();
    EXPECT_TRUE(screen.isShowing());
    EXPECT_FALSE(screen.activate());
    screen.close();
}

TEST_F(FocusTest, CloseQueryAndCloseActionCanKeepTheFormOpen) {
    Form screen("frmScreen");
    bool allow = false;
    screen.onCloseQuery = [&](bool& canClose) { canClose = allow; };
    screen.showModal();
    EXPECT_FALSE(screen.close());
    EXPECT_TRUE(screen.isShowing());
    allow = true;
    screen.onClose = [](CloseAction& action) { action = CloseAction::None; };
    EXPECT_FALSE(screen.close());
    screen.onClose = nullptr;
    screen.setModalResult(1);
    EXPECT_FALSE(screen.isShowing());
    EXPECT_EQ(screen.modalResult(), 1);
}

class BlockingHost : public FormHost {
public:
    std::vector<std::string> shown;
    void showModal(Form& form) override {
        shown.push_back(form.name());
        // What the user does while the window is up, then the window closes.
        form.close();
    }
};

TEST_F(FocusTest, ModalShowGoesThroughTheHost) {
    BlockingHost host;
    ScopedFormHost scope(host);
    CountingForm screen("frmScreen");
    screen.showModal();
    EXPECT_EQ(host.shown, (std::vector<std::string>{"frmScreen"}));
    EXPECT_EQ(screen.activations, 1);
    EXPECT_FALSE(screen.isShowing());
}

} // namespace
} // namespace ct
