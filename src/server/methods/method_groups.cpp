#include "server/methods/method_groups.h"

namespace ct::server {

MethodRegistry all_methods() {
    MethodRegistry registry;
    register_budget_methods(registry);
    register_party_read_methods(registry);
    register_party_import_methods(registry);
    register_closing_check_methods(registry);
    register_party_removal_methods(registry);
    register_party_save_methods(registry);
    register_installment_methods(registry);
    register_budget_check_methods(registry);
    register_account_methods(registry);
    register_quota_methods(registry);
    register_audit_methods(registry);
    return registry;
}

} // namespace ct::server
