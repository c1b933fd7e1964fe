// Loading the items of one source package without a window: the source statement, its rows into
// the source items (the greater mapped version of an item that several packages hold is kept),
// the status of the package, and the messages of a failure through the host.
#pragma once

#include <string>

#include "engine/Records.h"
#include "host/Host.h"
#include "scm/Repository.h"

namespace qv {

// What a front end shows of the loading of one package.
class SourceLoadProgress {
public:
    virtual ~SourceLoadProgress() = default;
    // The package's status line (also when it has no items).
    virtual void Status(const std::string& text) = 0;
    // The loading stops after a failure: whatever shows its progress goes away.
    virtual void Close() = 0;
};

// Loads the items of `package` of the source project and state into `items`. False when the
// loading must stop (the failure has been shown); a run of the tool that left no result is no
// reason to stop: the package then adds nothing.
bool LoadSourcePackage(Repository& repository, Host& host, const std::string& srcProject,
                       const std::string& srcState, const std::string& package,
                       CMapStrToFObj& items, SourceLoadProgress& progress);

}  // namespace qv
