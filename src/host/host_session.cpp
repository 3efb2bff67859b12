#include "host_session.h"

#include "platform/db/connection.h"
#include "platform/host/halvren.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/http/rpc_server.h"
#include "server/methods/method_groups.h"

#include <filesystem>
#include <stdexcept>

namespace ct::host {

void prepareDemoDatabase(server::Database& database) {
    {
        server::Database::Lease lease(database);
        if (server::schema_present(lease.sql()))
            return;
        if (!server::database_is_empty(lease.sql()))
            throw std::runtime_error("the database holds tables but not the Contratante schema");
    }
    server::install_demo(database);
}

HostSession::HostSession(const LaunchOptions& options)
    : databaseUrl_(options.db.empty() ? "sqlite:" + defaultDemoDatabasePath() : options.db) {
    if (options.server) {
        serverHost_ = options.serverHost();
        serverPort_ = options.serverPort();
    } else {
        startEmbeddedServer();
    }
    Halvren::setWebURL(serverHost_);
    Halvren::setWebPort(serverPort_);
    Halvren::setOperador(options.operatorCode);
    db::sharedConnection().open(databaseUrl_);
}

HostSession::~HostSession() {
    db::sharedConnection().close();
    if (server_)
        server_->stop();
}

void HostSession::startEmbeddedServer() {
    const server::DatabaseUrl url = server::DatabaseUrl::parse(databaseUrl_);
    if (url.engine == server::Engine::sqlite) {
        const std::filesystem::path file(databaseUrl_.substr(databaseUrl_.find(':') + 1));
        if (file.has_parent_path())
            std::filesystem::create_directories(file.parent_path());
    }
    database_ = std::make_unique<server::Database>(url, 4);
    prepareDemoDatabase(*database_);
    methods_ = std::make_unique<server::MethodRegistry>(server::all_methods());
    server_ = std::make_unique<server::RpcServer>(*database_, *methods_);
    server_->start("127.0.0.1", 0);
    serverHost_ = server_->host();
    serverPort_ = server_->port();
}

} // namespace ct::host
