#pragma once

#include "server/packet/packet.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ct::server {

// Fields a packet may declare, and so values a row may hold.
inline constexpr std::size_t max_packet_fields = 500;

// Reads one packet object from JSON events straight into its draft: rows packed as they come,
// never a document. Given the events from just after the packet's opening brace to its closing
// one (the caller counts depth and elements); whatever the draft cannot hold is skipped and
// noted as a fault.
class PacketDraftReader {
public:
    explicit PacketDraftReader(PacketDraft& out)
        : out_(out) {}

    // A packet's lists of rows and of changes: a reader of one list's elements only (from just
    // after an element's start to just before the list's closing bracket) starts inside it.
    enum class List : std::uint8_t { rows, delta };
    PacketDraftReader(PacketDraft& out, List inside);
    // The list whose elements come next, if any.
    std::optional<List> list() const;

    void key(std::string_view name);
    // null, true/false, numbers and texts (a text cell views the caller's string).
    void scalar(const Cell& value);
    void open(bool object);
    // Closes a container; true when it was the packet object itself.
    bool close();

private:
    enum class Frame : std::uint8_t {
        packet,
        fields,
        field,
        rows,
        row,
        delta,
        change,
        change_row,
        skip
    };

    Frame top() const { return frames_.empty() ? Frame::packet : frames_.back(); }
    void add_odd_field();
    void member_scalar(const Cell& value);
    void field_scalar(const Cell& value);
    void change_scalar(const Cell& value);
    void open_member(bool object);
    void end_row();
    void end_change();

    PacketDraft& out_;
    std::vector<Frame> frames_; // below the packet object
    std::string key_;           // the member being read in the innermost object
    PacketDraft::FieldDraft field_;
    DeltaChange change_;
    std::string op_;
    bool op_text_ = false;
    bool has_op_ = false;
    bool has_old_ = false;
    bool has_new_ = false;
    bool change_is_new_ = false; // which row of the change is being read
    PackedRow::Builder row_;
    bool row_overflow_ = false;
    unsigned seen_ = 0; // packet members met (fields, rows, delta)
};

// Appends elements read on their own (by a reader of one list) to the packet read so far, as if
// read in it: the first fault met stands.
void append_elements(PacketDraft& whole, PacketDraft&& part);

} // namespace ct::server
