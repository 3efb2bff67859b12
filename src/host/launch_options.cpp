#include "launch_options.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace ct::host {
namespace {

std::string loginName() {
    for (const char* name : {"CONTRATANTE_OPERATOR", "USER", "LOGNAME"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return "OPERADOR";
}

constexpr std::string_view tlsScheme = "https://";
constexpr std::string_view plainScheme = "http://";

} // namespace

std::pair<std::string, int> splitHostPort(const std::string& given) {
    std::string text = given;
    for (std::string_view scheme : {tlsScheme, plainScheme})
        if (text.starts_with(scheme))
            text = text.substr(scheme.size());
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size())
        throw std::invalid_argument("--server expects HOST:PORT, got \"" + text + "\"");
    const std::string host = text.substr(0, colon);
    const std::string portText = text.substr(colon + 1);
    std::size_t used = 0;
    int port = 0;
    try {
        port = std::stoi(portText, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != portText.size() || port < 1 || port > 65535)
        throw std::invalid_argument("--server has an invalid port: \"" + portText + "\"");
    return {host, port};
}

std::string LaunchOptions::serverHost() const {
    return server ? splitHostPort(*server).first : "";
}

int LaunchOptions::serverPort() const {
    return server ? splitHostPort(*server).second : 0;
}

bool LaunchOptions::serverTls() const {
    return server && server->starts_with(tlsScheme);
}

std::string defaultDemoDatabasePath() {
    std::filesystem::path base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        base = data;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else
        base = std::filesystem::temp_directory_path();
    return (base / "contratante" / "demo.db").string();
}

std::optional<LaunchOptions> parseLaunchOptions(int argc, char** argv, int& exitCode) {
    LaunchOptions options;
    options.operatorCode = loginName();
    std::string server;
    CLI::App app{"Contratante: the contracting parties of an event budget"};
    const char* configFile = std::getenv("CONTRATANTE_CONFIG");
    app.set_config("--config", configFile && *configFile ? configFile : defaultConfigFile,
                   "configuration file (name = value lines)");
    app.add_option("--server", server,
                   "HOST:PORT of a running application server (https://HOST:PORT for TLS)");
    app.add_option("--ca-file", options.caFile,
                   "authorities that sign the server's certificate (default: the system's)")
        ->check(CLI::ExistingFile);
    app.add_option("--db", options.db,
                   "shared database URL (sqlite:PATH or postgresql://user@host:port/dbname)");
    app.add_option("--operator", options.operatorCode, "code of the signed-in user");
    app.add_option("--script", options.script, "run a scripted session without a window")
        ->check(CLI::ExistingFile);
    app.add_option("--screenshot", options.screenshot,
                   "show the screen, save a PNG of it and exit");
    app.add_option("--listing", options.listing,
                   "write the budget's listing as PDF and exit (BRANCH BUDGET SEQUENCE)");
    app.add_option("--import-list", options.importList,
                   "import a class list (CSV) into the budget and exit")
        ->check(CLI::ExistingFile);
    app.add_option("--export-list", options.exportList,
                   "write the budget's parties as CSV and exit");
    app.add_option("entry", options.entry, "BRANCH BUDGET SEQUENCE ORIGIN")->expected(0, 4);
    try {
        app.parse(argc, argv);
        if (!server.empty()) {
            splitHostPort(server);
            options.server = server;
            if (options.db.empty())
                throw CLI::ValidationError("--db",
                                           "is required with --server: the lookups read the "
                                           "shared database directly");
        }
        const int modes = !options.script.empty() + !options.screenshot.empty() +
                          !options.listing.empty() + !options.importList.empty() +
                          !options.exportList.empty();
        if (modes > 1)
            throw CLI::ValidationError("--script, --screenshot, --listing, --import-list and "
                                       "--export-list",
                                       "choose one of them");
        if (!options.listing.empty()) {
            if (options.entry.size() != 3 && options.entry.size() != 4)
                throw CLI::ValidationError("entry", "--listing takes BRANCH BUDGET SEQUENCE");
        } else if (options.script.empty() && options.entry.size() != 4 &&
                   !(modes == 0 && options.entry.empty())) {
            // The window alone asks for them.
            throw CLI::ValidationError("entry",
                                       "give BRANCH BUDGET SEQUENCE ORIGIN, or --script FILE");
        }
        if (!options.script.empty() && !options.entry.empty())
            throw CLI::ValidationError("entry",
                                       "a scripted session takes its entry values from its "
                                       "start lines");
    } catch (const CLI::ParseError& e) {
        exitCode = app.exit(e);
        return std::nullopt;
    } catch (const std::invalid_argument& e) {
        exitCode = app.exit(CLI::ValidationError("--server", e.what()));
        return std::nullopt;
    }
    return options;
}

} // namespace ct::host
