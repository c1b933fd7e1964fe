// The search for the packages of a source project and state, without a window: the context
// dialog lists what it finds, the batch program checks the packages it was given against it.
#pragma once

#include <string>

#include "engine/Records.h"
#include "host/Host.h"
#include "scm/Repository.h"

namespace qv {

// The search statement: the packages of every state of that name of the project, with a row
// (without a package) for a state that has none.
extern const char* const kPackageSearchFormat;

// Runs the search; the packages found go into `packages` (emptied first), keyed "0", "1", ... in
// result order. False when none was found: the reason has been shown (a failed run, an error
// line, no project or state of the names, a state without packages).
bool SearchPackages(Repository& repository, Host& host, const std::string& srcProject,
                    const std::string& srcState, CMapStrToPkgObj& packages);

}  // namespace qv
