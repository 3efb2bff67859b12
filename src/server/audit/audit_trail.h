#pragma once

#include "server/db/sql.h"
#include "server/rpc/method_registry.h"

#include <string>
#include <vector>

// Who changed what: every writing call that changed a row leaves rows in AUDITORIA, written in
// its own transaction so that a refused or failed call leaves none.
namespace ct::server::audit {

// The keys a call changed: the parties it noted and the one its "party" argument names, or else
// the budget its arguments (or its packet's first row) name.
std::vector<AuditKey> changed_keys(const MethodDef& def, const CallContext& ctx);

// Writes the call's rows: operator, the server's local time, method, keys. The session methods
// (sign-in and out) are not changes and leave none.
void record_call(Sql& sql, const MethodDef& def, const CallContext& ctx);

struct AuditEntry {
    std::string call; // rows of one call share it
    std::string time; // "2027-03-12T14:05:31", the server's local time
    std::string operator_code;
    std::string method;
    AuditKey key;
};

// The audit of a budget (every sequence), oldest first; an empty branch stands for any.
std::vector<AuditEntry> budget_audit(Sql& sql, const std::string& branch,
                                     const std::string& budget);

} // namespace ct::server::audit
