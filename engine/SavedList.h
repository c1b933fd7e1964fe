// The list file format shared by the saved result list and CSV exports: a header line of column
// titles, then one line per row; every field is followed by "," and every line ends with CR LF.
// A cell holding a comma or a double quote is written between double quotes, its inner quotes
// doubled, as spreadsheets write and read such cells; every other cell is written as it is.
#pragma once

#include <string>
#include <vector>

#include "engine/Records.h"

namespace qv {

// The saved list's file name in the install directory.
inline constexpr char kSavedListFileName[] = "toplist.save";
// The longest cell text written.
inline constexpr size_t kListCellMaxChars = 255;
// Characters per read of a list file.
inline constexpr size_t kListReadSize = 4095;
// The fields of a saved list's data line that become a record (the 14th, the row number, is not
// read back).
inline constexpr int kSavedListFields = 14;

// The header line: each title followed by ",", then CR LF.
std::string ListHeaderLine(const std::vector<std::string>& titles);
// A data line: each cell cut to 255 characters, with its carriage returns and line feeds
// removed, written as one blank when that leaves it empty, quoted when it holds a comma or a
// double quote, followed by ","; then CR LF.
std::string ListDataLine(const std::vector<std::string>& cells);

// A first line that makes a list file count as empty: the query tool's error or zero-results
// text instead of a header. Later lines are never taken for such a line: the list is written by
// this program, and an item may be named so.
bool EndsListReading(const std::string& line);
// The pieces of a data line: split at commas, a run of commas counting as one separator and
// leading or trailing commas giving no piece. A piece that begins with a double quote and has
// its closing quote right before a comma or the line's end is taken whole, without the quotes and
// with doubled inner quotes read as one; any other piece ends at the next comma, as it always did.
std::vector<std::string> SplitListLine(const std::string& line);
// The record a data line of the saved list stands for: fields 1 to 13 in the result list's
// column order, field 6 (the outcome) without its leading blanks, missing fields empty. The
// other fields keep the blank that an empty cell was written as.
CFObj SavedListRecord(const std::string& line);

}  // namespace qv
