#include "screen_fixture.h"

#include "module/module_entry.h"
#include "platform/host/dispatch.h"
#include "platform/host/halvren.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/http/rpc_server.h"
#include "server/methods/method_groups.h"

#include <atomic>
#include <filesystem>
#include <spdlog/spdlog.h>
#include <unistd.h>

namespace ct::testing {

namespace {

std::string freshDatabasePath() {
    static std::atomic<int> counter{0};
    const auto name =
        "ct_screen_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + ".db";
    return (std::filesystem::temp_directory_path() / name).string();
}

} // namespace

DemoServer::DemoServer()
    : path_(freshDatabasePath())
    , url_("sqlite:" + path_) {
    db_ = std::make_unique<server::Database>(server::DatabaseUrl::parse(url_), 4);
    server::install_demo(*db_);
    methods_ = std::make_unique<server::MethodRegistry>(server::all_methods());
    rpc_ = std::make_unique<server::RpcServer>(*db_, *methods_);
    rpc_->start("127.0.0.1", 0);
}

DemoServer::~DemoServer() {
    rpc_->stop();
    rpc_.reset();
    db_.reset();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        std::error_code ignored;
        std::filesystem::remove(path_ + suffix, ignored);
    }
}

int DemoServer::port() const {
    return rpc_->port();
}

void ScreenTest::SetUp() {
    // The server's per-call log lines would drown the test output.
    spdlog::set_level(spdlog::level::warn);
    server_ = std::make_unique<DemoServer>();
    Halvren::setWebURL("127.0.0.1");
    Halvren::setWebPort(server_->port());
    lookups_.open(server_->url());
    setDatabaseConnection(&lookups_);
    dialogScope_ = std::make_unique<ScopedDialogService>(dialogs);
    previousDisplay_ = setErrorDisplay([this](const std::string& text) { errors.push_back(text); });
    setServerCallObserver([this](const CallRecord& call) { ++calls_[call.method]; });
    Initialize();
}

void ScreenTest::TearDown() {
    Finalize();
    setServerCallObserver({});
    setErrorDisplay(previousDisplay_);
    dialogScope_.reset();
    setDatabaseConnection(nullptr);
    lookups_.close();
    server_.reset();
}

TfrmContratante& ScreenTest::enter(const std::string& branch, const std::string& budget,
                                   const std::string& sequence, const std::string& origin) {
    IniProc(nlohmann::json::array({branch, budget, sequence, origin}));
    return screen();
}

TfrmContratante& ScreenTest::screen() {
    if (!frmContratante)
        throw std::logic_error("the screen was not created");
    return *frmContratante;
}

int ScreenTest::calls(const std::string& method) const {
    auto it = calls_.find(method);
    return it == calls_.end() ? 0 : it->second;
}

std::string ScreenTest::shown(const std::string& field) {
    return screen().cdsEndeCont.fieldByName(field).displayText();
}

} // namespace ct::testing
