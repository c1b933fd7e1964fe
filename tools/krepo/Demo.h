// The deterministic demo data set: three projects (Payroll, PayrollEU, Tools) whose items are
// laid out so that a merge analysis from Payroll into PayrollEU meets every kind of outcome,
// optionally grown with generated items to any size.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/common/Repository.h"

namespace qv::tools {

// Fills an empty repository (schema already created) with the demo data set, holding at least
// `items` items in all (the hand-made core set is always loaded), and adds the user "demo" with
// the password "demo". One transaction: the repository gets all of it or nothing.
bool LoadDemo(Db& db, long long items, std::string& error);

// Runs a query and gives back its rows as texts, on whichever kind of repository.
using QueryRows = std::function<bool(
    const std::string& sql, std::vector<std::vector<std::string>>& rows, std::string& error)>;
QueryRows SqliteRows(Db& db);

// Prints counts per table and per project and package; `credentials`: the repository keeps the
// credentials table (a file does, a server repository does not).
bool PrintStatistics(const QueryRows& query, std::string& error, bool credentials = true);

}  // namespace qv::tools
