#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace ct::host {

// The command line of the host program.
struct LaunchOptions {
    std::optional<std::string> server; // [https://]HOST:PORT of a running application server
    std::string caFile;                // authorities that sign an https server's certificate
    std::string db;                    // shared database URL (empty: the demo database)
    std::string operatorCode;
    std::string script;
    std::string screenshot;
    std::string listing;            // PDF of the budget's listing
    std::string importList;         // class list to import
    std::string exportList;         // where the parties go as CSV
    std::vector<std::string> entry; // BRANCH BUDGET SEQUENCE ORIGIN

    std::string serverHost() const;
    int serverPort() const;
    bool serverTls() const; // --server https://...
};

// Parses and checks the command line. Returns the options, or nothing after printing help or an
// error (then `exitCode` says what the program returns).
std::optional<LaunchOptions> parseLaunchOptions(int argc, char** argv, int& exitCode);

// The configuration file read when there is one (--config or CONTRATANTE_CONFIG name another):
// the office's server, database and authorities, as "name = value" lines.
inline constexpr const char* defaultConfigFile = "/etc/contratante/contratante.conf";

// Where the demo database lives when --db is not given: the user's data folder.
std::string defaultDemoDatabasePath();

// "host:port" split and checked ("http://" or "https://" in front is left out); throws
// std::invalid_argument with a clear message.
std::pair<std::string, int> splitHostPort(const std::string& text);

} // namespace ct::host
