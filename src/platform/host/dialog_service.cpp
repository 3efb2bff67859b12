#include "dialog_service.h"

namespace ct {
namespace {

// Answers No/OK to everything and picks nothing.
class RefusingDialogService final : public DialogService {
public:
    MsgResult message(MsgType, const std::string&, MsgButtons buttons) override {
        if (buttons & mbNo)
            return MsgResult::No;
        if (buttons & mbCancel)
            return MsgResult::Cancel;
        return MsgResult::Ok;
    }
    bool search(const SearchRequest&) override { return false; }
    void showProgress(int, const std::string&) override {}
    void hideProgress() override {}
    void setBusyCursor(bool) override {}
};

RefusingDialogService fallbackService;
DialogService* current = nullptr;

} // namespace

DialogService& dialogs() {
    return current ? *current : fallbackService;
}

DialogService* setDialogService(DialogService* service) {
    DialogService* previous = current;
    current = service;
    return previous;
}

} // namespace ct
