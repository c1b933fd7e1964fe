// The repository schema: the SCM tables that the analysis statements read, and the tools' own
// tables (file contents per version data object, user credentials, repository facts).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/common/Repository.h"

namespace qv::tools {

// Tables of the tools' own.
inline constexpr const char* kFileDataTable = "TKFILEDATA";
inline constexpr const char* kCredentialsTable = "TKCREDENTIALS";
inline constexpr const char* kMetaTable = "TKMETA";

// The statements that create every table (SQLite's dialect), and the secondary indexes as pairs
// of name and "TABLE (COLUMNS)".
const char* SchemaSql();
std::vector<std::pair<std::string, std::string>> IndexDefinitions();

// The SCM tables, in creation order.
const std::vector<std::string>& ScmTableNames();

// Creates every table (and, with `withIndexes`, the secondary indexes) in an empty repository.
// Fails when the repository already holds the tables.
bool CreateSchema(Db& db, bool withIndexes, std::string& error);

// Creates or drops the secondary indexes the analysis statements rely on (idempotent).
bool CreateIndexes(Db& db, std::string& error);
bool DropIndexes(Db& db, std::string& error);

// True when the repository holds every SCM table and the tools' own tables.
bool HasSchema(Db& db);

}  // namespace qv::tools
