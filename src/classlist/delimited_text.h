#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ct::classlist {

// A file's bytes as UTF-8 text: a UTF-8 byte-order mark is dropped; bytes that are not UTF-8 are
// read as Windows Latin-1 (ISO 8859-1 with the Windows characters in 0x80-0x9F), which is how
// spreadsheets save "CSV" on Brazilian Windows desktops.
std::string decodeText(std::string_view bytes);

// The cell separator of delimited text, from its first line: a tab (text copied from a
// spreadsheet), else ";" or "," whichever appears more (";" on a tie, the Brazilian CSV), outside
// quotes; ";" when the line has none.
char detectDelimiter(std::string_view text);

// One record of delimited text and the line of the text it starts on (from 1).
struct Record {
    int line = 0;
    std::vector<std::string> cells;
};

// Splits delimited text into records: cells in double quotes may hold the separator, line
// breaks and doubled quotes; CRLF, LF and CR end lines. Records with no text in any cell are
// left out.
std::vector<Record> parseDelimited(std::string_view text, char delimiter);

// Writes rows as CSV that a spreadsheet opens as it is: UTF-8 with a byte-order mark, ";"
// between cells, CRLF line ends; cells holding ";", quotes or line breaks go in quotes.
std::string writeCsv(const std::vector<std::vector<std::string>>& rows);

} // namespace ct::classlist
