// The target items in text form: a row of the target query turned into a record, and a record
// turned into a line of the target data file and back.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "engine/Records.h"

namespace qv {

// The thirty fields of a target record in record order (the file's field order).
inline constexpr size_t kTargetFieldCount = 30;
// How many of them the target query fills (all but `result`).
inline constexpr size_t kTargetQueryColumns = 29;
std::string& TargetField(CTFObj& record, size_t index);
const std::string& TargetField(const CTFObj& record, size_t index);

// The target data file's name in the install directory.
inline constexpr char kTargetDataFileName[] = "tgtpkgdata.save";

// The column header of the target query's result.
inline constexpr char kTargetHeaderMarker[] = "ITEMNAME\tPATHFULLNAME";

// The target query for a project and a state, both quoted as string literals.
std::string TargetStatement(const std::string& project, const std::string& state);

// One row of three counts: the projects of the name, the states of the name in that project,
// the packages of the name in that project and state (project, state, project, state, project,
// state, package).
std::string TargetExistsStatement(const std::string& project, const std::string& state,
                                  const std::string& package);

// What of the target the repository lacks, as the warning that names it; empty when the
// project, the state and the package exist. `row` is the data line of TargetExistsStatement.
std::string MissingTargetMessage(const std::string& row, const std::string& project,
                                 const std::string& state, const std::string& package);

// A row of the target query: its tab-separated columns, in order, fill fields 0 to 28; an empty
// column is stored as one blank, so that no filled field is empty; columns the row lacks leave
// their fields empty and columns beyond the 29th are dropped. `result` is empty.
CTFObj TargetRowRecord(const std::string& row);

// A record's line of the target data file: each of the thirty fields followed by one comma (no
// line end). Nothing when the line would not read back as the same record: a field with a comma
// or a line break, an empty field before a filled one, a line too long for one read.
std::optional<std::string> TargetRecordLine(const CTFObj& record);

// A record line read back: the line split at commas, a run of commas counting as one separator,
// the pieces filling the fields in order; missing fields stay empty.
CTFObj TargetRecordFromLine(const std::string& line);

// True when a header value (the target project or state) reads back as itself from its own line.
bool TargetHeaderSurvives(const std::string& value);

}  // namespace qv
