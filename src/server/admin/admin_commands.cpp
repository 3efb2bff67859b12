#include "server/admin/admin_commands.h"

#include "server/admin/password_prompt.h"
#include "server/audit/audit_trail.h"
#include "server/auth/operators.h"
#include "server/core/text.h"
#include "server/db/schema.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <iostream>

namespace ct::server {
namespace {

// "100" → "0000000100", as the screen adjusts typed codes.
std::string padded(const std::string& typed, int width) {
    const std::string text = trim(typed);
    if (text.empty() || text.size() >= static_cast<std::size_t>(width) ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return text;
    }
    return std::string(static_cast<std::size_t>(width) - text.size(), '0') + text;
}

// "2027-03-12T14:05:31" → "12/03/2027 14:05:31".
std::string brazilian_time(const std::string& iso) {
    if (iso.size() < 19) {
        return iso;
    }
    return iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" + iso.substr(0, 4) + " " +
           iso.substr(11, 8);
}

} // namespace

AdminCommands::AdminCommands(CLI::App& app) {
    app.require_subcommand(0, 1);
    init_ = app.add_subcommand("init", "create the schema in an empty database (no demo data)");
    operator_ = app.add_subcommand("operator", "the operators who may sign in");
    operator_->require_subcommand(1);
    add_ = operator_->add_subcommand("add", "add an operator (password from "
                                            "CONTRATANTE_PASSWORD, or asked)");
    add_->add_option("code", code_, "operator code (1 to 10 letters or digits)")->required();
    add_->add_option("--name", name_, "the operator's name");
    password_ = operator_->add_subcommand("password", "give an operator a new password");
    password_->add_option("code", code_, "operator code")->required();
    disable_ = operator_->add_subcommand("disable", "refuse an operator from now on");
    disable_->add_option("code", code_, "operator code")->required();
    enable_ = operator_->add_subcommand("enable", "accept a disabled operator again");
    enable_->add_option("code", code_, "operator code")->required();
    list_ = operator_->add_subcommand("list", "list the operators");
    audit_ = app.add_subcommand("audit", "who changed what in a budget");
    audit_->add_option("--budget", budget_, "budget number")->required();
    audit_->add_option("--branch", branch_, "branch (default: any)");
}

bool AdminCommands::chosen() const {
    return init_->parsed() || operator_->parsed() || audit_->parsed();
}

int AdminCommands::run(const ServiceOptions& options, std::istream& in, std::ostream& out,
                       std::ostream& err) {
    try {
        Database db(DatabaseUrl::parse(options.url), 1);
        if (init_->parsed()) {
            install_schema(db);
            out << "Esquema criado em " << db.url().display << ".\n";
            return 0;
        }
        {
            Database::Lease lease(db);
            if (!schema_present(lease.sql())) {
                throw std::runtime_error("the database has no Contratante schema (create it with "
                                         "the command init): " +
                                         db.url().display);
            }
        }
        upgrade_schema(db);
        if (operator_->parsed()) {
            run_operator(db, in, out, err);
        } else {
            run_audit(db, out);
        }
        return 0;
    } catch (const std::exception& e) {
        err << "contratante-server: " << e.what() << '\n';
        return 1;
    }
}

void AdminCommands::run_operator(Database& db, std::istream& in, std::ostream& out,
                                 std::ostream& err) {
    // The password is asked before the transaction, so nobody types while the database waits.
    std::string password;
    if (add_->parsed() || password_->parsed()) {
        password = read_new_password(in, err);
    }
    Database::Lease lease(db);
    Sql& sql = lease.sql();
    Transaction tx(sql, true);
    if (add_->parsed()) {
        auth::add_operator(sql, code_, name_, password);
        out << "Operador " << auth::operator_code(code_) << " cadastrado.\n";
    } else if (password_->parsed()) {
        auth::set_operator_password(sql, code_, password);
        out << "Senha do operador " << auth::operator_code(code_) << " alterada.\n";
    } else if (disable_->parsed() || enable_->parsed()) {
        auth::set_operator_active(sql, code_, enable_->parsed());
        out << "Operador " << auth::operator_code(code_)
            << (enable_->parsed() ? " ativado.\n" : " desativado.\n");
    } else {
        for (const auth::OperatorInfo& op : auth::list_operators(sql)) {
            out << fmt::format("{:<10}  {:<10}  {}\n", op.code, op.active ? "ativo" : "desativado",
                               op.name);
        }
    }
    tx.commit();
}

void AdminCommands::run_audit(Database& db, std::ostream& out) {
    Database::Lease lease(db);
    Sql& sql = lease.sql();
    Transaction tx(sql, false);
    const auto entries = audit::budget_audit(sql, padded(branch_, 4), padded(budget_, 10));
    out << fmt::format("{:<19}  {:<10}  {:<22}  {:<6}  {:<10}  {:<3}  {}\n", "DATA", "OPERADOR",
                       "MÉTODO", "FILIAL", "ORÇAMENTO", "SEQ", "CONTRATANTE");
    for (const audit::AuditEntry& e : entries) {
        out << fmt::format("{:<19}  {:<10}  {:<22}  {:<6}  {:<10}  {:<3}  {}\n",
                           brazilian_time(e.time), e.operator_code, e.method, e.key.branch,
                           e.key.budget, e.key.seq, e.key.party);
    }
    tx.commit();
}

} // namespace ct::server
