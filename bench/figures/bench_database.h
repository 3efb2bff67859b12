#pragma once

#include "server/db/database_url.h"

#include <string>

namespace ct::bench {

// A database of one engine for the figures: the demo data, a budget of 10,000 parties and one of
// 200 parties whose payment plans are stored. A temporary SQLite file, or a schema of its own in
// the PostgreSQL database given; removed on destruction.
class BenchDatabase {
public:
    static constexpr const char* branch = "0001";
    static constexpr const char* big_budget = "0000009700"; // 10,000 parties
    static constexpr const char* mid_budget = "0000009800"; // 200 parties, plans in installments
    static constexpr const char* demo_budget = "0000000100";
    static constexpr int big_parties = 10000;
    static constexpr int mid_parties = 200;

    // pg_url: the PostgreSQL database to hold the schema (ignored for SQLite).
    BenchDatabase(server::Engine engine, const std::string& pg_url);
    ~BenchDatabase();
    BenchDatabase(const BenchDatabase&) = delete;
    BenchDatabase& operator=(const BenchDatabase&) = delete;

    server::Engine engine() const { return engine_; }
    const std::string& url() const { return url_; }
    std::string engine_name() const;
    // Clears what the last figure left behind (PostgreSQL's tables and indexes grown by the dead
    // rows of thirty updates of 10,000 parties, SQLite's write-ahead log), so that a figure
    // measures the same in the whole run as alone, whatever ran before it.
    void settle();

private:
    void fill();

    server::Engine engine_;
    std::string url_;
    std::string path_;   // SQLite
    std::string base_;   // PostgreSQL
    std::string schema_; // PostgreSQL
};

} // namespace ct::bench
