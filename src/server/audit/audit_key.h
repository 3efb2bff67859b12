#pragma once

#include <string>

namespace ct::server::audit {

// A key a writing call changed: a budget (with its sequence when the call concerns one) and,
// for a change of one party, its number. Empty parts are not concerned.
struct AuditKey {
    std::string branch;
    std::string budget;
    std::string seq;
    std::string party;

    bool operator==(const AuditKey&) const = default;
};

} // namespace ct::server::audit
