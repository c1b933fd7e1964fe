#include "scm/InstallDirLock.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "app/Trace.h"
#include "host/Host.h"

namespace qv {

namespace {

// Two bytes of the lock file are locked. The first is held while the query files are in use. The
// second is held while waiting for them: a holder that wants them again right after giving them
// up has to wait for its turn behind the program that waits already, so that two busy programs
// take turns instead of one keeping the other out.
constexpr off_t kFilesByte = 0;
constexpr off_t kTurnByte = 1;

// The lock file this process has open. Record locks belong to the process, and closing any of
// its descriptors of the file drops them all, so the file is opened here only and kept open.
struct LockFile {
    std::string path;
    int fd = -1;
    pid_t owner = 0;    // a child made by fork() inherits the descriptor, but not the locks
    bool held = false;  // the files byte
};
LockFile g_file;

bool SetLock(int fd, short type, off_t byte) {
    flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    return fcntl(fd, F_SETLK, &lock) == 0;
}

// The process that holds the byte, 0 when none does.
pid_t Holder(int fd, off_t byte) {
    flock probe{};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = byte;
    probe.l_len = 1;
    if (fcntl(fd, F_GETLK, &probe) != 0 || probe.l_type == F_UNLCK) return 0;
    return probe.l_pid;
}

bool Busy(int err) {
    return err == EACCES || err == EAGAIN;
}

// The descriptor of the lock file at `path`, opened when this process has none of its own; -1
// when the file cannot be opened.
int OpenLockFile(const std::string& path) {
    if (g_file.fd >= 0 && g_file.owner == getpid() && g_file.path == path) return g_file.fd;
    // Another directory's file (closing it gives up its lock), or one inherited from the parent
    // (closing it leaves the parent's lock alone).
    if (g_file.fd >= 0) close(g_file.fd);
    g_file = {};
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) g_file = {path, fd, getpid(), false};
    return fd;
}

void Pause(int ms) {
    timespec left{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace

std::string InstallDirLockPath(const std::string& installDir) {
    return installDir + "/ksqlstmt.lock";
}

bool LockInstallDir(const std::string& installDir, Host* host, int waitMs) {
    const int fd = OpenLockFile(InstallDirLockPath(installDir));
    if (fd < 0 || g_file.held) return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    bool turn = false;
    pid_t holder = 0;
    // A file system without record locks (an error other than "held") leaves the files unlocked,
    // as they always were.
    for (;;) {
        if (!turn && !(turn = SetLock(fd, F_WRLCK, kTurnByte)) && !Busy(errno)) return true;
        if (turn) {
            const bool got = SetLock(fd, F_WRLCK, kFilesByte);
            const int err = errno;
            if (got || !Busy(err)) {
                SetLock(fd, F_UNLCK, kTurnByte);
                g_file.held = got;
                return true;
            }
        }
        pid_t now = Holder(fd, kFilesByte);
        if (now == 0 && !turn) now = Holder(fd, kTurnByte);
        if (now != 0) holder = now;
        if (std::chrono::steady_clock::now() >= deadline) break;
        if (host) host->PumpPaintMessages();
        Pause(kInstallDirLockPollMs);
    }
    if (turn) SetLock(fd, F_UNLCK, kTurnByte);
    const std::string text = "Error: The install directory " + installDir + " is in use by " +
                             (holder ? "process " + std::to_string(holder) : "another process") +
                             "; try again when it has finished.";
    WriteTrace("%s", text.c_str());
    if (host) host->MessageBox(MsgKind::Error, text);
    return false;
}

void UnlockInstallDir() {
    if (!g_file.held || g_file.owner != getpid()) return;
    SetLock(g_file.fd, F_UNLCK, kFilesByte);
    g_file.held = false;
}

InstallDirLockScope::InstallDirLockScope(const std::string& installDir, Host* host, int waitMs) {
    const bool before =
        g_file.held && g_file.owner == getpid() && g_file.path == InstallDirLockPath(installDir);
    locked_ = LockInstallDir(installDir, host, waitMs);
    release_ = locked_ && !before;
}

InstallDirLockScope::~InstallDirLockScope() {
    if (release_) UnlockInstallDir();
}

}  // namespace qv
