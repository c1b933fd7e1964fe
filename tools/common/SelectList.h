// Result column names as a SQLite repository gives them, worked out from a statement's text, so
// that a server repository's result file carries the same header: an alias names its column, a
// column reference gives the column's name, and any other expression is named by its own text
// as written ("cast (KESVERSIONDATA.DATASIZE as char(12))").
#pragma once

#include <string>
#include <vector>

namespace qv::tools {

// The names of the top-level select list's columns in order; empty when the statement's select
// list cannot be taken apart this way (a "*", no SELECT at its top level).
std::vector<std::string> SelectListNames(const std::string& sql);

}  // namespace qv::tools
