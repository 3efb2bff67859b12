#include "host/batch_mode.h"

#include "host/headless_module.h"
#include "host/host_session.h"
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "platform/host/dialog_service.h"
#include "platform/host/dispatch.h"
#include "platform/ui/form_host.h"

#include <functional>

namespace ct::host {
namespace {

// The dialogs of a command line: messages are printed, questions answered No, files are the
// command line's, and a review goes on with the good rows after listing the others.
class ConsoleDialogs final : public DialogService {
public:
    ConsoleDialogs(const std::string& file, std::ostream& out, std::ostream& err)
        : file_(file)
        , out_(out)
        , err_(err) {}

    MsgResult message(MsgType type, const std::string& text, MsgButtons buttons) override {
        if (type == MsgType::Information) {
            out_ << text << '\n';
            return MsgResult::Ok;
        }
        err_ << "contratante: " << text << (buttons & mbNo ? " Não.\n" : "\n");
        if (type == MsgType::Error)
            ++errors;
        if (buttons & mbNo)
            return MsgResult::No;
        return buttons & mbCancel ? MsgResult::Cancel : MsgResult::Ok;
    }
    bool search(const SearchRequest&) override { return false; }
    void showProgress(int, const std::string&) override {}
    void hideProgress() override {}
    void setBusyCursor(bool) override {}

    void previewReport(const Report& shown) override { report = shown; }
    std::optional<ListSource> chooseListSource(const std::string&) override {
        return ListSource{file_, {}};
    }
    std::optional<std::string> chooseSaveFile(const SaveFileRequest&) override { return file_; }
    bool reviewRows(const RowReview& review) override {
        for (const ReviewRow& row : review.rows)
            if (!row.problem.empty())
                err_ << "linha " << row.line << ": " << row.problem << '\n';
        return true;
    }

    int errors = 0;
    std::optional<Report> report;

private:
    std::string file_;
    std::ostream& out_;
    std::ostream& err_;
};

// Enters the screen and runs the command on it; false when the budget could not be loaded or
// anything failed on the way.
bool runOnScreen(const LaunchOptions& options, ConsoleDialogs& dialogs, std::ostream& err,
                 const std::function<MenuItem&(TfrmContratante&)>& command) {
    HostSession session(options);
    ScopedDialogService dialogScope(dialogs);
    OpenFormHost formHost;
    ScopedFormHost hostScope(formHost);
    const ErrorDisplay previous = setErrorDisplay([&](const std::string& text) {
        err << "contratante: " << text << '\n';
        ++dialogs.errors;
    });
    bool ok = false;
    {
        ModuleLoaded module;
        std::vector<std::string> entry = options.entry;
        entry.resize(4);
        IniProc(nlohmann::json(entry));
        TfrmContratante* screen = frmContratante;
        if (!screen || !screen->cdsEndeCont.active() || dialogs.errors > 0) {
            err << "contratante: o orçamento " << entry[0] << "/" << entry[1] << "/" << entry[2]
                << " não pôde ser aberto\n";
        } else {
            // The only row being edited now is the new row the entry started for a budget
            // without parties; nobody typed into it.
            if (screen->cdsEndeCont.editing())
                dispatch([&] { screen->sbtCancelar.click(); });
            MenuItem& item = command(*screen);
            if (!item.enabled())
                err << "contratante: \"" << item.caption() << "\" não está disponível neste "
                    << "orçamento agora\n";
            else
                ok = dispatch([&] { item.click(); }) && dialogs.errors == 0;
        }
    }
    setErrorDisplay(previous);
    return ok;
}

} // namespace

int runListCommand(const LaunchOptions& options, std::ostream& out, std::ostream& err) {
    const bool importing = !options.importList.empty();
    ConsoleDialogs dialogs(importing ? options.importList : options.exportList, out, err);
    const bool ok =
        runOnScreen(options, dialogs, err, [importing](TfrmContratante& screen) -> MenuItem& {
            return importing ? screen.mnuImportarLista : screen.mnuExportarLista;
        });
    return ok ? 0 : 1;
}

std::optional<Report> captureListing(const LaunchOptions& options, std::ostream& err) {
    ConsoleDialogs dialogs(options.listing, err, err);
    if (!runOnScreen(options, dialogs, err,
                     [](TfrmContratante& screen) -> MenuItem& { return screen.mnuListagem; }))
        return std::nullopt;
    return dialogs.report;
}

} // namespace ct::host
