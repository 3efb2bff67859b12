#pragma once

#include <functional>
#include <optional>
#include <string>

namespace ct::host {

// What the program learns from a running server's GET /health.
struct ServerHealth {
    bool reachable = false;
    bool signInRequired = false;
    std::string problem; // why it could not be reached
};
// Uses the process's server access (TLS and authorities).
ServerHealth probeServer(const std::string& host, int port);

struct Credentials {
    std::string code;
    std::string password;
};
// Asks the user who signs in, showing why the last try was refused ("" the first time), with
// the code typed last. Nothing: the user gave up.
using CredentialsPrompt =
    std::function<std::optional<Credentials>(const std::string& code, const std::string& problem)>;

struct SignedOperator {
    std::string token;
    std::string code;
    std::string name;
};

// Opens a session on the server (its method Entrar). Throws std::runtime_error with the
// server's refusal, in Portuguese, or the transport's.
SignedOperator signIn(const std::string& host, int port, const Credentials& credentials);
// Ends the process's session on the server; a failure is of no consequence.
void signOut(const std::string& host, int port);

} // namespace ct::host
