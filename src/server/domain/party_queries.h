#pragma once

#include "server/db/sql.h"

#include <nlohmann/json.hpp>
#include <string>

namespace ct::server {

// SQL condition of an open party (neither cancelled nor refunded), on the party table's alias.
std::string open_party(std::string_view alias);

// The statement texts of the two reads below (parameters :fil, :orc, :seq), built once.
const std::string& parties_query();
const std::string& totals_query();

// The parties of a budget sequence by party number, every field of party_fields(), as a
// written packet (see written_packet): for an answer, not for reading.
nlohmann::json parties_packet(Sql& sql, const std::string& branch, const std::string& budget,
                              const std::string& seq);
// One row of TOTALCONV, TOTALRATEADO, TOTALCONTRAT over the open parties of the sequence.
nlohmann::json totals_packet(Sql& sql, const std::string& branch, const std::string& budget,
                             const std::string& seq);

// The next party number of a budget ("0000000004"), from its counter raised in the caller's
// transaction; two transactions never get the same number.
std::string next_party_number(Sql& sql, const std::string& branch, const std::string& budget);

} // namespace ct::server
