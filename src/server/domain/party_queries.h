#pragma once

#include "server/db/sql.h"

#include <nlohmann/json.hpp>
#include <string>

namespace ct::server {

// SQL condition of an open party (neither cancelled nor refunded), on the party table's alias.
std::string open_party(std::string_view alias);

// The statement texts of the reads below (parameters :fil, :orc, :seq), built once. The third
// is the first with the totals of the second on the first row (their parameters :tfil, :torc,
// :tseq, and :ffil, :forc, :fseq for finding that row).
const std::string& parties_query();
const std::string& totals_query();
const std::string& parties_and_totals_query();

// The parties of a budget sequence by party number, every field of party_fields(), as a
// written packet (see written_packet): for an answer, not for reading.
nlohmann::json parties_packet(Sql& sql, const std::string& branch, const std::string& budget,
                              const std::string& seq);
// One row of TOTALCONV, TOTALRATEADO, TOTALCONTRAT over the open parties of the sequence.
nlohmann::json totals_packet(Sql& sql, const std::string& branch, const std::string& budget,
                             const std::string& seq);
// Both packets, [parties, totals]; on PostgreSQL read with one statement, one round trip.
nlohmann::json parties_with_totals(Sql& sql, const std::string& branch, const std::string& budget,
                                   const std::string& seq);

// Party numbers of a budget handed out in one transaction: the counter read (and on PostgreSQL
// locked) once, above any number already stored, numbers given from memory, the counter written
// once by finish(). Two transactions never get the same number; a delta of thousands of new
// parties costs two reads and one write, not a read of the whole budget per party.
class PartyNumbers {
public:
    PartyNumbers(Sql& sql, std::string branch, std::string budget);
    std::string next(); // "0000000004"
    // Stores the last number given; before the transaction commits.
    void finish();

private:
    Sql& sql_;
    std::string branch_;
    std::string budget_;
    long long last_ = -1; // -1: the counter not read yet
    bool given_ = false;
};

// The next party number of a budget, for a call that inserts one party.
std::string next_party_number(Sql& sql, const std::string& branch, const std::string& budget);

} // namespace ct::server
