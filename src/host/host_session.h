#pragma once

#include "host/launch_options.h"
#include "host/server_sign_in.h"

#include <memory>
#include <string>

namespace ct::server {
class Database;
class MethodRegistry;
class RpcServer;
} // namespace ct::server

namespace ct::host {

// What the host program sets up before it enters the screen, in one place for the window and
// for scripted sessions: the application server (a running one, or an embedded one on a free
// loopback port), the signed-in operator and the shared database connection of the lookups.
//
// A running server that requires sign-in is signed in to with --operator and the password in
// CONTRATANTE_PASSWORD, or with what `prompt` asks (the window's dialog), again after each
// refusal; the operator signed in becomes Halvren::Operador(). The embedded server needs none.
// Throws std::runtime_error when the server cannot be reached or sign-in fails or is given up.
class HostSession {
public:
    explicit HostSession(const LaunchOptions& options, CredentialsPrompt prompt = {});
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    const std::string& databaseUrl() const { return databaseUrl_; }
    const std::string& serverHost() const { return serverHost_; }
    int serverPort() const { return serverPort_; }
    bool embedded() const { return server_ != nullptr; }

private:
    void startEmbeddedServer(const std::string& operatorCode);
    void signInToServer(const LaunchOptions& options, const CredentialsPrompt& prompt);

    std::string databaseUrl_;
    std::string serverHost_;
    int serverPort_ = 0;
    bool signedIn_ = false;
    std::unique_ptr<server::Database> database_;
    std::unique_ptr<server::MethodRegistry> methods_;
    std::unique_ptr<server::RpcServer> server_;
};

// Sets the process's way to the server of --server (TLS, authorities); nothing without it.
void useServerAccess(const LaunchOptions& options);

// The demo database: created and loaded on first use; a database that already holds the schema
// is used as it is.
void prepareDemoDatabase(server::Database& database);

} // namespace ct::host
