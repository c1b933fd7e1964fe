// Turning repository paths and item names into places below a client directory. A repository
// path such as "\Payroll\src" keeps its structure below the client directory ("Payroll/src");
// anything that could lead elsewhere is refused.
#pragma once

#include <string>
#include <vector>

namespace qv::tools {

// Splits a repository path into its directory components. Both "\" and "/" separate; one
// leading separator is allowed (the repository root). Refused, with `why` set: a path that
// starts with two separators or a drive ("C:"), an empty component, a component made of dots
// only ("." and ".." included), and any colon or control character. An empty path or "\"
// alone is the root (no components).
bool SplitRepositoryPath(const std::string& path, std::vector<std::string>& components,
                         std::string& why);

// True when an item name is one safe component (not empty, no separator, not dots only, no
// colon or control character).
bool IsSafeItemName(const std::string& name, std::string& why);

}  // namespace qv::tools
