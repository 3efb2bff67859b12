#include "server/db/wal_checkpointer.h"

#include "server/db/connection.h"
#include "server/db/sql.h"

#include <chrono>
#include <spdlog/spdlog.h>

namespace ct::server {
namespace {

// How often the log is looked at. Each checkpoint syncs the file, so not after every commit:
// looked at every 200 ms, the small saves that followed a big one waited on those syncs.
constexpr auto interval = std::chrono::seconds(1);

} // namespace

WalCheckpointer::WalCheckpointer(const DatabaseUrl& url)
    : session_(std::make_unique<Connection>(url)) {
    thread_ = std::thread([this] { run(); });
}

WalCheckpointer::~WalCheckpointer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void WalCheckpointer::run() {
    long long seen_version = -1;
    bool failing = false;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, interval, [this] { return stopping_; });
        if (stopping_) {
            break;
        }
        lock.unlock();
        try {
            checkpoint_if_changed(seen_version);
            failing = false;
        } catch (const std::exception& e) {
            // Tried again at the next look; meanwhile the log only grows.
            if (!failing) {
                spdlog::warn("checkpoint of the write-ahead log failed: {}", e.what());
            }
            failing = true;
        }
        lock.lock();
    }
}

void WalCheckpointer::checkpoint_if_changed(long long& seen_version) {
    Sql sql(*session_);
    // Another session's commit changes it; nothing else does.
    const long long version = as_integer(sql.scalar("PRAGMA data_version").value_or(SqlValue{}));
    if (version == seen_version) {
        return;
    }
    // busy, frames in the log, frames copied: a reader still on older frames holds some back
    // until the next look.
    const ResultSet done = sql.query("PRAGMA wal_checkpoint(PASSIVE)");
    if (!done.empty() && done.rows[0].size() == 3 &&
        as_integer(done.rows[0][1]) == as_integer(done.rows[0][2])) {
        seen_version = version;
    }
}

} // namespace ct::server
