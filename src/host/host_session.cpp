#include "host_session.h"

#include "platform/db/connection.h"
#include "platform/host/halvren.h"
#include "platform/net/net_connection.h"
#include "platform/net/server_access.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/http/rpc_server.h"
#include "server/methods/method_groups.h"

#include <cstdlib>
#include <filesystem>
#include <future>
#include <stdexcept>

namespace ct::host {
namespace {

bool isPostgresUrl(const std::string& url) {
    return url.starts_with("postgresql://") || url.starts_with("postgres://");
}

} // namespace

void prepareDemoDatabase(server::Database& database) {
    {
        server::Database::Lease lease(database);
        const bool present = server::schema_present(lease.sql());
        if (!present && !server::database_is_empty(lease.sql()))
            throw std::runtime_error("the database holds tables but not the Contratante schema");
        if (!present) {
            server::install_demo(database);
            return;
        }
    }
    server::upgrade_schema(database); // a demo database made by an earlier version
}

void useServerAccess(const LaunchOptions& options) {
    if (options.server)
        setServerAccess({options.serverTls(), options.caFile, {}});
}

HostSession::HostSession(const LaunchOptions& options, CredentialsPrompt prompt)
    : databaseUrl_(options.db.empty() ? "sqlite:" + defaultDemoDatabasePath() : options.db) {
    Halvren::setOperador(options.operatorCode);
    // The lookups' PostgreSQL session opens while the server starts or is signed in to (each
    // costs milliseconds of the screen's opening). A SQLite file is opened read-only, so only
    // once the embedded server has made it.
    std::future<void> lookups;
    if (isPostgresUrl(databaseUrl_))
        lookups = std::async(std::launch::async,
                             [url = databaseUrl_] { db::sharedConnection().open(url); });
    try {
        if (options.server) {
            serverHost_ = options.serverHost();
            serverPort_ = options.serverPort();
            useServerAccess(options);
            signInToServer(options, prompt);
        } else {
            startEmbeddedServer(options.operatorCode);
        }
    } catch (...) {
        if (lookups.valid())
            lookups.wait();
        db::sharedConnection().close();
        throw;
    }
    Halvren::setWebURL(serverHost_);
    Halvren::setWebPort(serverPort_);
    if (lookups.valid())
        lookups.get();
    else
        db::sharedConnection().open(databaseUrl_);
}

HostSession::~HostSession() {
    db::sharedConnection().close();
    if (signedIn_) {
        signOut(serverHost_, serverPort_);
        setSessionToken({});
    }
    if (server_)
        server_->stop();
}

void HostSession::signInToServer(const LaunchOptions& options, const CredentialsPrompt& prompt) {
    const ServerHealth health = probeServer(serverHost_, serverPort_);
    if (!health.reachable)
        throw std::runtime_error("the application server at " + *options.server +
                                 " cannot be reached (" + health.problem + ")");
    if (!health.signInRequired)
        return;
    Credentials credentials{options.operatorCode, {}};
    if (const char* password = std::getenv("CONTRATANTE_PASSWORD"); password && *password)
        credentials.password = password;
    std::string problem;
    while (true) {
        if (credentials.password.empty() || !problem.empty()) {
            if (!prompt)
                throw std::runtime_error(
                    problem.empty() ? "the application server at " + *options.server +
                                          " requires sign-in: give --operator CODE and the "
                                          "password in CONTRATANTE_PASSWORD"
                                    : problem);
            auto typed = prompt(credentials.code, problem);
            if (!typed)
                throw std::runtime_error("sign-in given up");
            credentials = std::move(*typed);
        }
        try {
            const SignedOperator who = signIn(serverHost_, serverPort_, credentials);
            setSessionToken(who.token);
            Halvren::setOperador(who.code);
            signedIn_ = true;
            return;
        } catch (const std::runtime_error& e) {
            problem = e.what();
        }
    }
}

void HostSession::startEmbeddedServer(const std::string& operatorCode) {
    const server::DatabaseUrl url = server::DatabaseUrl::parse(databaseUrl_);
    if (url.engine == server::Engine::sqlite) {
        const std::filesystem::path file(databaseUrl_.substr(databaseUrl_.find(':') + 1));
        if (file.has_parent_path())
            std::filesystem::create_directories(file.parent_path());
    }
    // On SQLite the embedded server works on this process's cores: a call sent ahead would only
    // compete with the one under way.
    setCallsAhead(url.engine != server::Engine::sqlite);
    database_ = std::make_unique<server::Database>(url, 4);
    prepareDemoDatabase(*database_);
    methods_ = std::make_unique<server::MethodRegistry>(server::all_methods());
    // The user's own file: no sign-in, changes recorded under the program's operator.
    server::auth::AccessPolicy access;
    access.local_operator = operatorCode;
    server_ = std::make_unique<server::RpcServer>(*database_, *methods_, server::HttpOptions{},
                                                  std::move(access));
    server_->start("127.0.0.1", 0);
    serverHost_ = server_->host();
    serverPort_ = server_->port();
}

} // namespace ct::host
