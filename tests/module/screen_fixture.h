#pragma once

#include "module/frm_contratante.h"
#include "platform/db/connection.h"
#include "platform/host/dispatch.h"
#include "platform/host/fake_dialog_service.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ct::server {
class Database;
class MethodRegistry;
class RpcServer;
} // namespace ct::server

namespace ct::testing {

// The application server in this process on a fresh demo SQLite database of its own.
class DemoServer {
public:
    DemoServer();
    ~DemoServer();
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    int port() const;
    // "sqlite:PATH" of the demo database, for the lookups.
    const std::string& url() const { return url_; }

private:
    std::string path_;
    std::string url_;
    std::unique_ptr<server::Database> db_;
    std::unique_ptr<server::MethodRegistry> methods_;
    std::unique_ptr<server::RpcServer> rpc_;
};

// A loaded module on a fresh demo server: the host's server address, the lookup connection, a
// dialog fake and the host's error display are set up for each test and put back afterwards.
class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The host enters the module; returns the screen (shown and activated).
    TfrmContratante& enter(const std::string& branch, const std::string& budget,
                           const std::string& sequence, const std::string& origin = "PRQ20000");
    TfrmContratante& screen();

    int calls(const std::string& method) const;
    void clearCalls() { calls_.clear(); }
    std::string lastMessage() const { return dialogs.lastMessage(); }
    // The current party's field as shown.
    std::string shown(const std::string& field);

    FakeDialogService dialogs;
    std::vector<std::string> errors;

private:
    std::unique_ptr<DemoServer> server_;
    db::Connection lookups_;
    std::unique_ptr<ScopedDialogService> dialogScope_;
    ErrorDisplay previousDisplay_;
    std::map<std::string, int> calls_;
};

} // namespace ct::testing
