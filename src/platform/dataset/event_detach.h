#pragma once

#include <utility>

namespace ct {

// Detaches an event slot (any std::function member) for the guard's lifetime and attaches the
// saved handler again when the guard ends, on every path, exceptions included.
//   EventDetach noPost(cdsEndeCont.beforePost);
template <class Slot> class EventDetach {
public:
    explicit EventDetach(Slot& slot)
        : slot_(&slot)
        , saved_(std::exchange(slot, Slot{})) {}
    ~EventDetach() { *slot_ = std::move(saved_); }
    EventDetach(const EventDetach&) = delete;
    EventDetach& operator=(const EventDetach&) = delete;

    // The handler that will be attached again.
    const Slot& saved() const { return saved_; }

private:
    Slot* slot_;
    Slot saved_;
};

} // namespace ct
