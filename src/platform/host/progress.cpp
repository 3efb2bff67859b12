#include "platform/host/progress.h"

#include "platform/host/dialog_service.h"

namespace ct {
namespace {

bool shown = false;

} // namespace

void ActiveShowAvi(const void* /*mainForm*/, int kind, const std::string& caption) {
    dialogs().showProgress(kind, caption);
    shown = true;
}

void DeactiveShowAvi() {
    if (!shown)
        return;
    shown = false;
    dialogs().hideProgress();
}

bool ShowAviActive() {
    return shown;
}

} // namespace ct
