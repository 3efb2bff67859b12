#pragma once

#include "gui/module_abi.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace ct::gui {

// The entry values of IniProc's variant as texts, or a message saying what is wrong with it.
struct EntryValues {
    std::optional<nlohmann::json> values; // an array of four strings
    std::string error;
};
EntryValues readEntryValues(const ct_variant* param);

} // namespace ct::gui
