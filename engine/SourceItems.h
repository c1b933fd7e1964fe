// The items of the source packages: the statement that loads a package's items, one result row
// turned into a record, and the rule that decides which version of an item stays when several
// packages hold it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/Records.h"

namespace qv {

// The latest version of every item of one package: source project, source state, package.
extern const char* const kSourcePackageItemsFormat;

// Splits a result row at tab characters; a run of tabs is one separator and tabs at either end
// give no field. At most maxFields fields; the rest of the row is ignored.
std::vector<std::string> SplitAtTabRuns(std::string_view row, size_t maxFields);

// Splits a result row at every tab character: n tabs give n + 1 fields, empty ones included. At
// most maxFields fields; the rest of the row is ignored.
std::vector<std::string> SplitAtTabs(std::string_view row, size_t maxFields);

// The record of one row of the source statement: its eleven tab-separated columns in order
// (empty ones kept in their places, missing ones empty), the package that was loaded, an empty
// result.
CFObj SourceRecordFromRow(std::string_view row, const std::string& packageName);

// True when `candidate` is greater than `stored` compared byte by byte as unsigned values, a
// text that begins the other being the smaller. So "1.9.0" is greater than "1.10.0".
bool MappedVersionGreater(std::string_view candidate, std::string_view stored);

// Stores the record under its itemObjId unless the map already holds a record there whose
// mapped version is not smaller (equal texts keep the record stored first). True when stored.
bool KeepGreaterMappedVersion(CMapStrToFObj& items, const CFObj& record);

}  // namespace qv
