#pragma once

#include "gui/form_view.h"
#include "gui/module_abi.h"
#include "gui/qt_form_host.h"
#include "gui/view_registry.h"
#include "gui_session.h"
#include "module/frm_contratante.h"
#include "module/module_entry.h"

#include <QTableView>
#include <gtest/gtest.h>

namespace ct::gui::testing {

// The module loaded into a demo session, with a form host that leaves the window shown after the
// entry returns, for the test to drive through its Qt widgets.
class ScreenWindowFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        demoSession();
        ::Initialize();
        previousHost_ = setFormHost(&host_);
    }
    static void TearDownTestSuite() {
        setFormHost(previousHost_);
        ::Finalize();
    }

    // Enters the module as the host does, with the four entry values as a variant array.
    static void enter(const char* branch, const char* budget, const char* sequence,
                      const char* origin) {
        ct_variant values[4];
        const char* texts[] = {branch, budget, sequence, origin};
        for (int i = 0; i < 4; ++i) {
            values[i].type = CT_VARIANT_STRING;
            values[i].value.string = texts[i];
        }
        ct_variant param;
        param.type = CT_VARIANT_ARRAY;
        param.value.array = {values, 0, 4};
        ::IniProc(&param);
    }

    // Finds the screen's window after an entry, makes it the active one and finds its grid.
    void takeWindow() {
        ASSERT_NE(frmContratante, nullptr);
        view = existingView(frmContratante);
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(view->isVisible());
        activate(view);
        grid = view->findChild<QTableView*>("dbgPadrao");
        ASSERT_NE(grid, nullptr);
    }

    template <class T> T* widget(const char* name) const {
        T* found = view->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    FormView* view = nullptr;
    QTableView* grid = nullptr;

private:
    static inline QtFormHost host_{false};
    static inline FormHost* previousHost_ = nullptr;
};

} // namespace ct::gui::testing
