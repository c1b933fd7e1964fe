// ksql on a PostgreSQL server repository.
#pragma once

#include <string>

#include "tools/ksql/Output.h"

namespace qv::tools {

// Connects as the repository's read-only role, checks the user, runs the statement of the file
// in a read-only transaction with a time limit and writes the result file exactly as for a
// SQLite repository. Returns the exit code.
int RunOnServer(const std::string& broker, const std::string& conninfo, const std::string& user,
                const std::string& password, const std::string& statementFile, Output& out);

}  // namespace qv::tools
