// The lock that gives one program at a time the work files of an install directory: the query
// files (the statement file and the result file) from writing the statement until its result is
// read, and the check-out log from the check-out until the log is read. Two windows of one user,
// or the desktop and the batch program on the same directory, would otherwise read each other's
// results.
#pragma once

#include <string>

namespace qv {

class Host;

// How long a program waits for another one's query or check-out to finish before it gives up,
// and how often it looks meanwhile.
inline constexpr int kInstallDirLockWaitMs = 30000;
inline constexpr int kInstallDirLockPollMs = 25;

// The lock file in the install directory.
std::string InstallDirLockPath(const std::string& installDir);

// Takes this process's exclusive record lock on the install directory's lock file, waiting up to
// `waitMs` while another process holds it (the window is repainted meanwhile; no handler runs).
// A lock this process holds already is kept; one on another directory is given up first. Returns
// false when the other process still holds it at the end of the wait: "Error: The install
// directory %s is in use by process %d; try again when it has finished." is then traced and shown
// as an error box (when there is a host). A lock file that cannot be opened is no lock: the query
// goes on, and a directory that cannot be written shows when the statement file is written.
bool LockInstallDir(const std::string& installDir, Host* host, int waitMs = kInstallDirLockWaitMs);

// Gives up the lock this process holds; nothing when it holds none.
void UnlockInstallDir();

// The lock for the life of the object, for a run whose file is read before the object goes:
// taken when it is made, and given up at the end unless this process held it already.
class InstallDirLockScope {
public:
    InstallDirLockScope(const std::string& installDir, Host* host,
                        int waitMs = kInstallDirLockWaitMs);
    ~InstallDirLockScope();
    InstallDirLockScope(const InstallDirLockScope&) = delete;
    InstallDirLockScope& operator=(const InstallDirLockScope&) = delete;

    // False when another program kept it beyond the wait (the reason has been shown).
    bool locked() const { return locked_; }

private:
    bool locked_ = false;
    bool release_ = false;
};

}  // namespace qv
