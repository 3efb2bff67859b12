#include "server/packet/packet_reader.h"

#include <fmt/format.h>
#include <iterator>

namespace ct::server {
namespace {

using Fault = PacketDraft::Fault;

enum Member : unsigned { fields_member = 1, rows_member = 2, delta_member = 4 };

Member member_of(std::string_view key) {
    if (key == "fields") {
        return fields_member;
    }
    if (key == "rows") {
        return rows_member;
    }
    return key == "delta" ? delta_member : Member{};
}

} // namespace

void PacketDraft::note(Fault what, std::string detail) {
    if (fault == Fault::none) {
        fault = what;
        fault_detail = std::move(detail);
    }
}

PacketDraftReader::PacketDraftReader(PacketDraft& out, List inside)
    : out_(out)
    , frames_{inside == List::rows ? Frame::rows : Frame::delta} {}

std::optional<PacketDraftReader::List> PacketDraftReader::list() const {
    if (frames_.size() != 1) {
        return std::nullopt;
    }
    if (frames_.back() == Frame::rows) {
        return List::rows;
    }
    return frames_.back() == Frame::delta ? std::optional(List::delta) : std::nullopt;
}

void append_elements(PacketDraft& whole, PacketDraft&& part) {
    if (whole.fault != PacketDraft::Fault::none) {
        return;
    }
    if (part.fault != PacketDraft::Fault::none) {
        whole.note(part.fault, std::move(part.fault_detail));
        return;
    }
    whole.rows.insert(whole.rows.end(), std::make_move_iterator(part.rows.begin()),
                      std::make_move_iterator(part.rows.end()));
    whole.delta.insert(whole.delta.end(), std::make_move_iterator(part.delta.begin()),
                       std::make_move_iterator(part.delta.end()));
}

void PacketDraftReader::key(std::string_view name) {
    key_.assign(name);
    const Frame frame = top();
    if (frame == Frame::packet) {
        const Member m = member_of(name);
        if (m != Member{}) {
            if (seen_ & m) {
                out_.note(Fault::member_twice, std::string(name));
            }
            seen_ |= m;
        }
    } else if (frame == Frame::change) {
        bool& seen = name == "op" ? has_op_ : name == "old" ? has_old_ : has_new_;
        if (name == "op" || name == "old" || name == "new") {
            if (seen) {
                out_.note(Fault::member_twice, std::string(name));
            }
            seen = true;
        }
    }
}

// A field that is no object, or one too many: refused by the check, never kept whole.
void PacketDraftReader::add_odd_field() {
    if (out_.fields.size() >= max_packet_fields) {
        out_.note(Fault::too_many_fields);
        return;
    }
    PacketDraft::FieldDraft odd;
    odd.object = false;
    out_.fields.push_back(std::move(odd));
}

void PacketDraftReader::member_scalar(const Cell&) {
    switch (member_of(key_)) {
    case fields_member:
        out_.has_fields = true;
        out_.note(Fault::fields_not_list);
        break;
    case rows_member:
        out_.has_rows = true;
        out_.note(Fault::rows_not_list);
        break;
    case delta_member:
        out_.has_delta = true;
        out_.note(Fault::delta_not_list);
        break;
    default:
        break;
    }
}

void PacketDraftReader::field_scalar(const Cell& value) {
    if (key_ == "name") {
        field_.named = value.is_string();
        field_.name = value.is_string() ? std::string(value.text()) : std::string();
    } else if (key_ == "type") {
        field_.typed = value.is_string();
        field_.type = value.is_string() ? std::string(value.text()) : std::string();
    } else if (key_ == "size") {
        field_.sized = value.is_integer();
        field_.size = value.is_integer() ? value.integer() : 0;
    }
}

void PacketDraftReader::change_scalar(const Cell& value) {
    if (key_ == "op") {
        op_text_ = value.is_string();
        op_ = value.is_string() ? std::string(value.text().substr(0, 40)) : std::string();
    } else if (key_ == "old" || key_ == "new") {
        out_.note(Fault::row_shape);
    }
}

void PacketDraftReader::scalar(const Cell& value) {
    switch (top()) {
    case Frame::packet:
        member_scalar(value);
        return;
    case Frame::fields:
        add_odd_field();
        return;
    case Frame::field:
        field_scalar(value);
        return;
    case Frame::rows:
        out_.note(Fault::row_shape);
        return;
    case Frame::row:
    case Frame::change_row:
        if (row_.size() < max_packet_fields) {
            row_.add(value);
        } else {
            row_overflow_ = true;
        }
        return;
    case Frame::delta:
        out_.note(Fault::change_shape, "cada alteração precisa de \"op\"");
        return;
    case Frame::change:
        change_scalar(value);
        return;
    case Frame::skip:
        return;
    }
}

void PacketDraftReader::open_member(bool object) {
    const Member m = member_of(key_);
    if (m == fields_member) {
        out_.has_fields = true;
    } else if (m == rows_member) {
        out_.has_rows = true;
    } else if (m == delta_member) {
        out_.has_delta = true;
    }
    if (m == Member{} || object) {
        if (m == fields_member) {
            out_.note(Fault::fields_not_list);
        } else if (m == rows_member) {
            out_.note(Fault::rows_not_list);
        } else if (m == delta_member) {
            out_.note(Fault::delta_not_list);
        }
        frames_.push_back(Frame::skip);
        return;
    }
    frames_.push_back(m == fields_member ? Frame::fields
                      : m == rows_member ? Frame::rows
                                         : Frame::delta);
}

void PacketDraftReader::open(bool object) {
    switch (top()) {
    case Frame::packet:
        open_member(object);
        return;
    case Frame::fields:
        if (!object || out_.fields.size() >= max_packet_fields) {
            add_odd_field();
            frames_.push_back(Frame::skip);
            return;
        }
        field_ = PacketDraft::FieldDraft();
        frames_.push_back(Frame::field);
        return;
    case Frame::field:
        // A name, type or size that is a list or an object: the field is refused.
        if (key_ == "name") {
            field_.named = false;
        } else if (key_ == "type") {
            field_.typed = false;
        } else if (key_ == "size") {
            field_.sized = false;
        }
        frames_.push_back(Frame::skip);
        return;
    case Frame::rows:
        if (object) {
            out_.note(Fault::row_shape);
            frames_.push_back(Frame::skip);
            return;
        }
        row_overflow_ = false;
        frames_.push_back(Frame::row);
        return;
    case Frame::row:
    case Frame::change_row:
        // A list or an object where a value belongs: kept as a value no field holds.
        if (row_.size() < max_packet_fields) {
            row_.add(Cell::of_other());
        } else {
            row_overflow_ = true;
        }
        frames_.push_back(Frame::skip);
        return;
    case Frame::delta:
        if (!object) {
            out_.note(Fault::change_shape, "cada alteração precisa de \"op\"");
            frames_.push_back(Frame::skip);
            return;
        }
        change_ = DeltaChange();
        op_.clear();
        op_text_ = has_op_ = has_old_ = has_new_ = false;
        frames_.push_back(Frame::change);
        return;
    case Frame::change:
        if ((key_ == "old" || key_ == "new") && !object) {
            change_is_new_ = key_ == "new";
            row_overflow_ = false;
            frames_.push_back(Frame::change_row);
            return;
        }
        if (key_ == "old" || key_ == "new") {
            out_.note(Fault::row_shape);
        } else if (key_ == "op") {
            op_text_ = false;
        }
        frames_.push_back(Frame::skip);
        return;
    case Frame::skip:
        frames_.push_back(Frame::skip);
        return;
    }
}

void PacketDraftReader::end_row() {
    if (row_overflow_) {
        out_.note(Fault::row_shape);
    }
    PackedRow row = row_.take();
    if (out_.fault != Fault::none) {
        return; // refused anyway: nothing more is kept
    }
    if (top() == Frame::row) {
        out_.rows.push_back(std::move(row));
    } else if (change_is_new_) {
        change_.new_row = std::move(row);
    } else {
        change_.old_row = std::move(row);
    }
}

void PacketDraftReader::end_change() {
    if (!has_op_ || !op_text_) {
        out_.note(Fault::change_shape, "cada alteração precisa de \"op\"");
        return;
    }
    if (op_ == "insert") {
        change_.op = DeltaChange::Op::insert;
    } else if (op_ == "modify") {
        change_.op = DeltaChange::Op::modify;
    } else if (op_ == "delete") {
        change_.op = DeltaChange::Op::remove;
    } else {
        out_.note(Fault::change_shape,
                  fmt::format("alteração desconhecida \"{}\"", op_.substr(0, 20)));
        return;
    }
    const bool needs_old = change_.op != DeltaChange::Op::insert;
    const bool needs_new = change_.op != DeltaChange::Op::remove;
    if (needs_old != has_old_ || needs_new != has_new_) {
        out_.note(Fault::change_shape,
                  fmt::format("uma alteração \"{}\" traz {}", op_,
                              change_.op == DeltaChange::Op::insert   ? "só \"new\""
                              : change_.op == DeltaChange::Op::modify ? "\"old\" e \"new\""
                                                                      : "só \"old\""));
        return;
    }
    if (out_.fault == Fault::none) {
        out_.delta.push_back(std::move(change_));
    }
}

bool PacketDraftReader::close() {
    if (frames_.empty()) {
        return true; // the packet object itself
    }
    const Frame frame = frames_.back();
    if (frame == Frame::row || frame == Frame::change_row) {
        end_row();
    }
    frames_.pop_back();
    if (frame == Frame::field) {
        out_.fields.push_back(std::move(field_));
    } else if (frame == Frame::change) {
        end_change();
    }
    return false;
}

} // namespace ct::server
