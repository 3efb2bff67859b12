#pragma once

#include "platform/dataset/dataset_error.h"
#include "platform/dataset/field.h"
#include "platform/dataset/field_def.h"
#include "platform/dataset/value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace ct {

class DataSource;
class RowFilter;
struct Row;

enum class DataSetState { Inactive, Browse, Edit, Insert };

using DataSetEvent = std::function<void(DataSet& dataSet)>;

// Identifies a row for as long as it exists (0: none).
using Bookmark = std::uint64_t;

struct LocateOptions {
    bool caseInsensitive = false;
    bool partialKey = false; // text fields: the row's text starts with the searched text
};

// An in-memory client data set: field definitions, rows with a change log since the last merge,
// edit/insert buffer, filter, field-order index, events and the data sources that observe it.
//
// Rows are kept in their natural order; what navigation, counts and walks see is that order,
// narrowed by the filter (when on) and sorted by the index fields (when set). Moving off a row
// being edited or inserted posts it first when a field was written, and cancels it otherwise
// (an untouched new row leaves nothing). Exceptions thrown by event handlers reach the caller;
// a before-event that throws leaves the state as it was, and a before-post that throws leaves
// the row in edit or insert state with what was typed.
class DataSet {
public:
    explicit DataSet(std::string name = {});
    DataSet(std::string name, std::vector<FieldDef> fields);
    ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    const std::string& name() const { return name_; }

    // Field definitions; changed only while the set is inactive.
    void addField(FieldDef def);
    void setFieldDefs(std::vector<FieldDef> defs);
    std::vector<FieldDef> fieldDefs() const;
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    Field& field(int index);
    const Field& field(int index) const;
    Field& fieldByName(std::string_view name); // throws DataSetError for an unknown name
    const Field& fieldByName(std::string_view name) const;
    Field* findField(std::string_view name); // names compare case-insensitively
    const Field* findField(std::string_view name) const;
    Field& operator[](std::string_view name) { return fieldByName(name); }

    // State.
    DataSetState state() const { return state_; }
    bool active() const { return state_ != DataSetState::Inactive; }
    bool editing() const { return state_ == DataSetState::Edit || state_ == DataSetState::Insert; }
    // A field was written since the edit began or since the new-record event.
    bool modified() const { return modified_; }

    // Open with no rows from the field definitions (keeps nothing of a previous content).
    void createDataSet();
    // Opens an inactive set empty; does nothing on an active one.
    void open();
    // Drops rows and change log (an edit in progress is discarded); definitions stay.
    void close();
    void setActive(bool active);

    // Replaces the whole content with a data packet ({"fields":[...],"rows":[[...]]}), or closes
    // the set when `packet` is null. A set whose fields were not defined by the program takes the
    // packet's fields (new Field objects unless the shape is the same); a set with defined fields
    // requires the packet to carry each of its stored fields (by name, in any order) with a
    // compatible type, and ignores extra packet fields. A malformed packet is refused with
    // DataSetError and the set stays exactly as it was. Afterwards: browse on the first row,
    // empty change log, filter and index kept; after-open and after-scroll run.
    void loadPacket(const nlohmann::json& packet);
    // The same from JSON text.
    void loadPacketText(std::string_view text);
    // The rows as they now stand (posted rows only; whatever filter or index is on; natural
    // order; no calculated fields). Null when the set is inactive.
    nlohmann::json data() const;
    // The same as JSON text, written straight from the rows, as deltaText is.
    std::string dataText() const;
    // The pending changes since the last merge, in order of their first change.
    nlohmann::json delta() const;
    // The same as JSON text, written straight from the rows: a save of thousands of parties
    // goes out without a document of them built, copied and freed.
    std::string deltaText() const;
    // Field list of packets ("fields" member).
    nlohmann::json packetFields() const;

    // Loads from server answers. The connection tags the answer an element was loaded from; a
    // set that nothing changed since (no edit, post, delete, change-log step, close or calculated
    // value written) can take the same answer again without reading it: reloadSame() runs what
    // loadPacket would with that packet (before-open, browse on the first row, after-open and
    // after-scroll), keeping the rows it holds.
    void noteLoadedFrom(std::string tag);
    bool unchangedSinceLoadFrom(const std::string& tag) const;
    void reloadSame();

    // Change log.
    int changeCount() const; // rows with a pending change
    bool hasChanges() const { return changeCount() > 0; }
    bool rowChanged() const; // the current row has one
    void mergeChangeLog();   // current rows become the saved base
    void cancelUpdates();    // back to the last merge (an edit in progress is cancelled first)

    // Copies the whole content of `other` (rows, calculated values and pending changes). The
    // fields must match as for loadPacket. An inactive `other` closes this set.
    void copyFrom(const DataSet& other);

    // Editing.
    void insert(); // new row before the current one
    void append(); // new row at the end
    void edit();   // on an empty set, starts an insert
    void post();   // does nothing in browse state
    void cancel(); // does nothing in browse state
    void remove(); // deletes the current row (cancels an insert)
    // Appends and posts one row with the values in field order (shorter lists leave nulls).
    void appendRecord(const std::vector<Value>& values);

    // Navigation over the visible rows.
    void first();
    void last();
    void next();
    void prior();
    int moveBy(int distance); // returns the distance moved
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    int recNo() const; // from 1; 0 when there is no current row
    void setRecNo(int recNo);
    int recordCount() const; // visible posted rows
    // No visible row and no row being inserted.
    bool isEmpty() const;
    // Moves to the first visible row whose fields ("A;B") equal `values` (one per field).
    // Text is compared to the field's value; for non-text fields it is read as that type
    // first. Returns false (and stays) when none matches.
    bool locate(std::string_view fieldNames, const std::vector<Value>& values,
                LocateOptions options = {});
    bool locate(std::string_view fieldName, const Value& value, LocateOptions options = {});
    // Like locate, without moving: the visible position (from 0) or -1.
    int find(std::string_view fieldNames, const std::vector<Value>& values,
             LocateOptions options = {}) const;
    Bookmark bookmark() const;
    bool bookmarkValid(Bookmark mark) const; // the row exists and is visible
    void gotoBookmark(Bookmark mark);        // throws DataSetError when not valid

    // Filter: "FIELD = 'X'", <>, <, >, <=, >=, AND, OR, NOT, parentheses, numbers, 'text'
    // ('' for a quote), IS NULL, IS NOT NULL. A bad text is refused and the old one kept.
    void setFilter(std::string_view text);
    const std::string& filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }
    void setFilterCaseInsensitive(bool on);
    bool filterCaseInsensitive() const { return filterCaseInsensitive_; }

    // Field-order index: field names separated by ";", ascending; "" for natural order.
    // Stays until changed; unknown names are refused.
    void setIndexFieldNames(std::string_view names);
    const std::string& indexFieldNames() const { return indexText_; }

    // Data sources are told nothing while controls are disabled (nested); enabling the last
    // level tells them the state (when it changed) and that the data changed.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disableCount_ > 0; }

    // Rows as a grid shows them: the visible rows plus the row being inserted, in place.
    int displayRowCount() const;
    int displayCurrent() const; // position of the current row among them (-1: none)

    // Event slots, detachable with EventDetach.
    DataSetEvent beforeOpen, afterOpen, beforeClose, afterClose;
    DataSetEvent beforeInsert, afterInsert, onNewRecord;
    DataSetEvent beforeEdit, afterEdit;
    DataSetEvent beforePost, afterPost;
    DataSetEvent beforeCancel, afterCancel;
    DataSetEvent beforeDelete, afterDelete;
    DataSetEvent beforeScroll, afterScroll;

    // For fields and data sources.
    Value currentValue(int fieldIndex) const;
    Value oldValueOf(int fieldIndex) const;
    void writeValue(int fieldIndex, Value value); // already converted and checked
    void attachSource(DataSource* source);
    void detachSource(DataSource* source);
    // Asks data-aware controls to hand in their pending text (runs at the start of a post).
    void updateRecord();

private:
    friend class ShowRow;
    friend class PacketLoader;
    enum class Notice { State, DataSet, Scroll, Field, UpdateRecord, Active };

    void checkActive(const char* operation) const;
    void checkInactive(const char* operation) const;
    void checkBrowseMode();
    void setState(DataSetState state);
    void notify(Notice notice, Field* field = nullptr);
    void beginInsert(bool atEnd);
    void discardEdit();
    void rebuildView();
    bool rowVisible(const Row& row) const;
    bool rowLess(const Row* a, const Row* b) const;
    void placeInView(Row* row);
    void moveTo(int position, bool runEvents);
    void adoptContent(std::vector<FieldDef> defs, std::vector<std::unique_ptr<Row>> rows,
                      std::uint64_t nextSeq);
    std::vector<int> resolveFields(std::string_view names) const;
    Row* currentRow() const;
    void fireOpened();
    void commitEdit();
    void commitInsert();
    void afterViewChange(Row* keep, bool toFirst);
    void setFieldsFrom(const std::vector<FieldDef>& defs, bool persistent);
    std::vector<int> storedFields() const;
    std::shared_ptr<const RowFilter> compileFilter(std::string_view text) const;
    static void run(const DataSetEvent& event, DataSet& self);

    std::string name_;
    std::vector<std::unique_ptr<Field>> fields_;
    DataSetState state_ = DataSetState::Inactive;

    std::vector<std::unique_ptr<Row>> rows_; // natural order, deleted rows kept until merge
    std::vector<Row*> view_;                 // visible rows in index order
    int current_ = -1;                       // position in view_
    bool bof_ = true;
    bool eof_ = true;

    std::unique_ptr<Row> buffer_;     // the row being edited or inserted
    std::vector<Value> bufferValues_; // its values while it is edited
    std::vector<Value> editStart_;
    int insertPos_ = -1; // where the inserted row shows in view_
    bool insertAtEnd_ = false;
    Row* insertBefore_ = nullptr;   // natural-order neighbour of the inserted row
    bool persistentFields_ = false; // defined by the program, not taken from a packet
    bool modified_ = false;

    std::uint64_t nextId_ = 1;
    std::uint64_t nextSeq_ = 1;
    std::uint64_t version_ = 0; // moves with every change of the rows
    std::uint64_t loadedVersion_ = 0;
    std::string loadedFrom_; // tag of the answer the rows were last loaded from

    std::string filterText_;
    std::shared_ptr<const RowFilter> filter_;
    bool filtered_ = false;
    bool filterCaseInsensitive_ = false;
    std::string indexText_;
    std::vector<int> indexFields_;

    int shown_ = -1; // display row that field reads show instead of the current one
    int disableCount_ = 0;
    DataSetState disabledState_ = DataSetState::Inactive;
    std::vector<DataSource*> sources_;
};

// While the guard lives, field reads (values and texts) show the display row at `position`
// instead of the current row, without moving and without events: how a grid draws its rows and
// how get-text handlers see "the row being shown". Writes still go to the current row.
class ShowRow {
public:
    ShowRow(DataSet& dataSet, int position);
    ~ShowRow();
    ShowRow(const ShowRow&) = delete;
    ShowRow& operator=(const ShowRow&) = delete;

private:
    DataSet& dataSet_;
    int previous_;
};

// Disables the controls of a data set for the guard's lifetime.
class ControlsDisabled {
public:
    explicit ControlsDisabled(DataSet& dataSet)
        : dataSet_(dataSet) {
        dataSet_.disableControls();
    }
    ~ControlsDisabled() { dataSet_.enableControls(); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    DataSet& dataSet_;
};

} // namespace ct
