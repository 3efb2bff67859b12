#pragma once

#include "server/rpc/method_registry.h"

namespace ct::server {

// One registration function per group of methods (one file each under methods/).
void register_budget_methods(MethodRegistry& registry);
void register_party_read_methods(MethodRegistry& registry);
void register_party_import_methods(MethodRegistry& registry);
void register_closing_check_methods(MethodRegistry& registry);
void register_party_removal_methods(MethodRegistry& registry);
void register_party_save_methods(MethodRegistry& registry);
void register_installment_methods(MethodRegistry& registry);
void register_budget_check_methods(MethodRegistry& registry);
void register_account_methods(MethodRegistry& registry);
void register_quota_methods(MethodRegistry& registry);
void register_audit_methods(MethodRegistry& registry);

// Every method of "PRQ31000.rdmContratante".
MethodRegistry all_methods();

} // namespace ct::server
