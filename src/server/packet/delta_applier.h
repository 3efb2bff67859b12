#pragma once

#include "server/db/sql.h"
#include "server/packet/packet.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace ct::server {

enum class ColumnKind { text, money, number, integer, datetime };

struct StoredColumn {
    std::string name;
    ColumnKind kind = ColumnKind::text;
    bool key = false;
    // How a refusal names a number of this column ("do contratante"); the name otherwise.
    std::string label = {};
};

// Which packet fields a table stores; every other field of a packet is read, never stored.
struct TableMapping {
    std::string table;
    std::string label; // "O contratante", used in refusals
    std::vector<StoredColumn> columns;

    const StoredColumn* find(std::string_view name) const;
};

// Stored column values of one row, in column order.
struct RowValues {
    std::vector<std::pair<std::string, SqlValue>> values;

    const SqlValue* find(std::string_view column) const;
    void set(const std::string& column, SqlValue value);
    std::string text(std::string_view column) const;
};

struct DeltaOutcome {
    std::vector<RowValues> inserted; // keys of the rows written, after before_insert
    int modified = 0;
    int unchanged = 0; // modifies whose stored row already held the new values
    int deleted = 0;
};

// Applies a delta to one table inside the caller's transaction. A modify or delete is checked
// against the stored row (its key, and the stored columns it changes): a row that another user
// changed refuses the whole delta. A modify checks its old values in its own UPDATE, and the
// stored row is read only when that misses; the rows of other changes are read in batches ahead
// of them, so hooks must not change rows of the mapped table themselves.
class DeltaApplier {
public:
    DeltaApplier(Sql& sql, const TableMapping& mapping)
        : sql_(sql)
        , mapping_(mapping) {}

    // Runs before each insert; fills generated keys and defaults.
    std::function<void(RowValues&)> before_insert;
    // Runs before each delete with the stored row's key; removes dependent rows.
    std::function<void(const RowValues&)> before_delete;
    // Runs after each modify that wrote something, with the old key and the new values.
    std::function<void(const RowValues& old_key, const RowValues& written)> after_modify;

    DeltaOutcome apply(const Packet& delta);

    // Stored value of a packet value for a column: money rounded to the cent, numbers within
    // what the column holds (a refusal in Portuguese otherwise).
    static SqlValue to_stored(const Cell& value, const StoredColumn& column);
    // Equality as the stale-row check sees it: money to the cent, null equal to empty text.
    static bool same(const SqlValue& a, const SqlValue& b, ColumnKind kind);

private:
    struct Plan;
    using StoredRow = std::vector<SqlValue>; // the mapping's columns, in its order

    RowValues stored_values(const Plan& plan, const PackedRow& row) const;
    RowValues key_of(const RowValues& row) const;
    RowValues key_of(const Plan& plan, const PackedRow& row) const;
    void check_values(const Plan& plan, const PackedRow& row) const;
    void read_ahead(Plan& plan, const Packet& delta, std::size_t begin, std::size_t end);
    std::optional<StoredRow> stored_row(Plan& plan, const RowValues& key);
    void insert(Plan& plan, RowValues& row);
    void remove(Plan& plan, const RowValues& key);
    // The stored columns a modify changes, with their old and new stored values.
    struct ColumnChange {
        std::size_t column;
        SqlValue old_value;
        SqlValue new_value;
    };
    // The present columns (bit i for plan.present[i]) whose packet cells differ in a modify;
    // none when there are more than it holds.
    using ColumnSet = std::uint64_t;
    std::optional<ColumnSet> differing(const Plan& plan, const DeltaChange& change) const;
    std::vector<ColumnChange> changes_of(const Plan& plan, const DeltaChange& change,
                                         std::optional<ColumnSet> differ) const;
    bool modify(Plan& plan, std::vector<ColumnChange> changes, const RowValues& key,
                const StoredRow& stored);
    // A modify of stored columns written by an UPDATE that checks the old values itself (on
    // PostgreSQL when its batch is written); false when the change must be read and checked
    // instead (any other change, or a row the SQLite UPDATE missed).
    bool written_unread(Plan& plan, const DeltaChange& change, const RowValues& key,
                        std::optional<ColumnSet> differ);
    // What a modify or delete's packet rows alone tell, worked out ahead on another core for a
    // big delta: its old values passed the check, and which columns it changes.
    struct Prepared {
        std::optional<ColumnSet> differ;
    };
    std::optional<Prepared> prepare(const Plan& plan, const DeltaChange& change) const;
    void apply_change(Plan& plan, const DeltaChange& change, std::optional<Prepared> prepared);
    [[noreturn]] void refuse_gone(const RowValues& key) const;
    // PostgreSQL: modifies wait, and those of the same changed columns are written by one
    // statement, before anything else reads or writes the table and at the end of the delta.
    struct PendingUpdate {
        std::string columns; // the changed columns and whether guarded, as the statement's key
        std::vector<ColumnChange> changes;
        RowValues key;
        bool guarded = false; // written only where the stored row holds the old values
    };
    static std::string columns_key(const std::vector<ColumnChange>& changes, bool guarded);
    void defer(Plan& plan, PendingUpdate update);
    void recheck(Plan& plan, const PendingUpdate& update);
    void write_pending(Plan& plan);
    std::vector<const PendingUpdate*> write_together(Plan& plan,
                                                     const std::vector<const PendingUpdate*>& rows);
    std::string holds(const StoredColumn& column, const std::string& target,
                      const std::string& value) const;
    void check_keys(const Packet& delta) const;
    std::string describe(const RowValues& key) const;

    Sql& sql_;
    const TableMapping& mapping_;
    std::unordered_map<std::string, StoredRow> read_; // rows read ahead, by key text
    std::vector<PendingUpdate> pending_;
    std::unordered_set<std::string> pending_keys_; // key texts of pending_
    DeltaOutcome outcome_;                         // of the delta being applied
};

} // namespace ct::server
