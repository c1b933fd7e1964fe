// Finding running processes by executable name. Nothing here ends a process: the program never
// ends a process it did not start (see Launcher.h for those it did).
#pragma once

#include <string>
#include <vector>

namespace qv {

// An enumerator over a snapshot of the running processes, in ascending process id order. For the
// current entry it gives the process id and the executable's file name (without directory).
class CProcessEnum {
public:
    // Takes the snapshot.
    CProcessEnum();
    // False when the process list could not be read.
    bool Valid() const { return valid_; }
    // Moves to the first or the next entry; false when there is none.
    bool First();
    bool Next();
    int ProcessId() const;
    // The current entry's executable file name; false when it cannot be read (the process has
    // ended, belongs to someone else, or is a kernel thread).
    bool ModuleName(std::string& name) const;
    // The current entry's real user id; false when it cannot be read.
    bool OwnerUid(unsigned& uid) const;

private:
    std::vector<int> pids_;
    size_t index_ = 0;
    bool valid_ = false;
};

// The id of the first running process (ascending id) whose executable file name begins with
// `name`, ignoring the case of ASCII letters; -1 when there is none, the name is empty or the
// process list cannot be read. Processes whose executable cannot be read are skipped. With an
// owner of 0 or above, only processes whose real user id is that owner are considered.
int FindProcessByName(const std::string& name, long owner = -1);

}  // namespace qv
