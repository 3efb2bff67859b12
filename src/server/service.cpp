#include "server/service.h"

#include "server/auth/gate.h"
#include "server/db/schema.h"
#include "server/http/exposure.h"
#include "server/methods/method_groups.h"
#include "server/rpc/request_log.h"

#include <spdlog/spdlog.h>
#include <stdexcept>

namespace ct::server {

Service::Service(const ServiceOptions& options)
    : options_(options) {
    check_exposure(options.host, options.access, options.http);
    const DatabaseUrl url = DatabaseUrl::parse(options.url);
    db_ = std::make_unique<Database>(url, options.sessions);
    bool empty = false;
    bool has_schema = false;
    {
        Database::Lease lease(*db_);
        empty = database_is_empty(lease.sql());
        has_schema = schema_present(lease.sql());
    }
    if (options.demo == DemoData::required || (options.demo == DemoData::if_empty && empty)) {
        install_demo(*db_);
        spdlog::info("demo data loaded into {}", url.display);
    } else if (!has_schema) {
        throw std::runtime_error("the database has no Contratante schema (create it with the "
                                 "command init, or start once with --demo on an empty "
                                 "database): " +
                                 url.display);
    } else {
        upgrade_schema(*db_);
    }
    RequestLog::prepare(*db_);
    methods_ = std::make_unique<MethodRegistry>(all_methods());
    auth::register_session_methods(*methods_, options.access);
    server_ =
        std::make_unique<RpcServer>(*db_, *methods_, options.http, options.access, options.limits);
}

Service::~Service() {
    stop();
}

void Service::start() {
    server_->start(options_.host, options_.port);
}

void Service::stop() {
    if (server_) {
        server_->stop();
    }
}

} // namespace ct::server
