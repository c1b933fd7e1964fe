// Loading the target items without a window: the check that the target project, state and
// package exist, then the latest version of every item of the target project and state. Messages
// go through the host; the item being read goes to a progress observer, which shows it as often
// as it likes.
#pragma once

#include <string>

#include "engine/Records.h"
#include "host/Host.h"
#include "scm/Repository.h"

namespace qv {

class TargetLoadProgress {
public:
    virtual ~TargetLoadProgress() = default;
    // The status text of the item just read.
    virtual void Show(const std::string& text) = 0;
    // Shows what is still waiting: a message follows.
    virtual void Flush() = 0;
};

// True when the repository holds the target project, its state and its package; a warning names
// what it lacks, or the failure has been reported.
bool CheckTargetExists(Repository& repository, Host& host, const std::string& project,
                       const std::string& state, const std::string& package);

// Reads the target items into `items` (the caller empties it); false after a failure, which has
// been reported. `rows` tells how many records were stored.
bool ReadTargetItems(Repository& repository, Host& host, const std::string& project,
                     const std::string& state, CMapStrToTFObj& items, TargetLoadProgress& progress,
                     int& rows);

}  // namespace qv
