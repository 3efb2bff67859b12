#pragma once

#include "server/db/sql.h"

#include <nlohmann/json.hpp>

namespace ct::server {

// A value as it travels inside a JSON array that a statement unpacks (json_array_elements on
// PostgreSQL): null, text, or a number written as the shortest text that reads back as the same
// double.
nlohmann::json json_of(const SqlValue& value);

} // namespace ct::server
