#pragma once

#include "platform/host/dialog_service.h"

namespace ct {

// The hourglass cursor for the guard's lifetime.
class BusyCursor {
public:
    BusyCursor() { dialogs().setBusyCursor(true); }
    ~BusyCursor() { dialogs().setBusyCursor(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace ct
