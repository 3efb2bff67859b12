#pragma once

#include "server/db/database_url.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace ct::server {

class Connection;

// Copies a SQLite database's write-ahead log into the file on a thread of its own. Left to
// SQLite, the commit that finds the log past 1,000 pages copies it before its call can answer:
// a save of 10,000 parties answered 10-18 ms later for copying its own pages, and a small save
// that crossed the mark paid for the pages of the saves before it. Here the log is checkpointed
// without waiting for readers or writers (PASSIVE) within a second of any session's commit, and
// the sessions of the pool do not checkpoint on commit. The last session to close still
// checkpoints the whole log, as SQLite does.
class WalCheckpointer {
public:
    explicit WalCheckpointer(const DatabaseUrl& url);
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

private:
    void run();
    void checkpoint_if_changed(long long& seen_version);

    std::unique_ptr<Connection> session_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace ct::server
