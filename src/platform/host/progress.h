#pragma once

#include <string>

namespace ct {

// Shows the progress animation of the given kind over the main form (any form pointer; the
// dialog service decides where it appears). Showing it again replaces the one shown.
void ActiveShowAvi(const void* mainForm, int kind, const std::string& caption = {});
// Hides the animation; does nothing when none is shown, so failure paths may call it freely.
void DeactiveShowAvi();
bool ShowAviActive();

// Shows the animation for the guard's lifetime and hides it on every way out.
class ShowAviGuard {
public:
    ShowAviGuard(const void* mainForm, int kind, const std::string& caption = {}) {
        ActiveShowAvi(mainForm, kind, caption);
    }
    ~ShowAviGuard() { DeactiveShowAvi(); }
    ShowAviGuard(const ShowAviGuard&) = delete;
    ShowAviGuard& operator=(const ShowAviGuard&) = delete;
};

} // namespace ct
