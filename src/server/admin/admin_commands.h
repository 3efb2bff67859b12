#pragma once

#include "server/service.h"

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace ct::server {

// The administration commands of contratante-server, run on its database instead of serving:
//   init                                  the schema in an empty database (no demo data)
//   operator add CODE [--name NAME]       password from CONTRATANTE_PASSWORD, or asked
//   operator password CODE                a new password (ends the operator's sessions)
//   operator disable CODE | enable CODE   disabling ends the operator's sessions
//   operator list
//   audit --budget N [--branch B]         who changed what in a budget, oldest first
class AdminCommands {
public:
    explicit AdminCommands(CLI::App& app);

    // Whether the command line named one of them (after parsing).
    bool chosen() const;
    // Runs it: 0 done, 1 refused or failed (the reason on `err`).
    int run(const ServiceOptions& options, std::istream& in, std::ostream& out, std::ostream& err);

private:
    void run_operator(Database& db, std::istream& in, std::ostream& out, std::ostream& err);
    void run_audit(Database& db, std::ostream& out);

    CLI::App* init_ = nullptr;
    CLI::App* operator_ = nullptr;
    CLI::App* add_ = nullptr;
    CLI::App* password_ = nullptr;
    CLI::App* disable_ = nullptr;
    CLI::App* enable_ = nullptr;
    CLI::App* list_ = nullptr;
    CLI::App* audit_ = nullptr;
    std::string code_;
    std::string name_;
    std::string branch_;
    std::string budget_;
};

} // namespace ct::server
