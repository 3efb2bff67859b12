#pragma once

#include "server/audit/audit_key.h"
#include "server/db/sql.h"
#include "server/packet/packet.h"

#include <string>
#include <vector>

namespace ct::server {

// The budget key and party number of one party.
struct PartyKey {
    std::string branch;
    std::string budget;
    std::string seq;
    std::string party;

    SqlParams params() const;
    // The party as the audit records a change of it.
    audit::AuditKey audited() const { return {branch, budget, seq, party}; }
    bool operator==(const PartyKey&) const = default;
};

// The key of a packet row; the packet must carry the four key fields (-32602 otherwise).
PartyKey party_key_of(const Packet& packet, const PackedRow& row);
// Rows the user marked for a multi-party operation (IDMARCADO "S").
std::vector<const PackedRow*> marked_rows(const Packet& parties);
// Refuses a whole-data packet (rows) where a delta was sent, and the other way round.
void require_rows(const Packet& packet);

// Refuses an unknown budget sequence and one whose parties may no longer change (closed or
// cancelled budgets).
void require_open_budget(Sql& sql, const std::string& branch, const std::string& budget,
                         const std::string& seq);

// Refuses a company that is not one of the branch's companies.
void require_branch_company(Sql& sql, const std::string& branch, const std::string& company);

// Status, charged value, client and name of a stored party; false when it does not exist.
// `lock` keeps other writers off the party until the call ends (PostgreSQL; SQLite writers
// hold the database from the start).
struct StoredParty {
    std::string status;
    std::string client;
    std::string name;
    std::string mode;
    double charged = 0.0;
};
bool fetch_party(Sql& sql, const PartyKey& key, StoredParty& out, bool lock = false);

// The payment mode, plan and fixed-day fields of a stored party change only while it is
// "LANCADO": a party with generated accounts was billed by them, and a cancelled or refunded one
// has left the budget. Refuses the change otherwise, naming the party.
void require_plan_changeable(const StoredParty& party);

// Received from the party, net of the refunds already raised for it (never below zero).
double paid_by_party(Sql& sql, const PartyKey& key);
// True when some account of the party has received a payment.
bool has_paid_account(Sql& sql, const PartyKey& key);
// Removes the party's installments, issued contracts and unpaid accounts (paid ones stay).
void remove_party_dependents(Sql& sql, const PartyKey& key);

// Today plus some days, as stored dates are written ("2027-01-15T00:00:00").
std::string date_from_today(int days);

} // namespace ct::server
