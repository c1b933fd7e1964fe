#include "cli/WorkDir.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "app/IniFile.h"

namespace qv::cli {

namespace {

constexpr char kPrefix[] = "cpm-analyze.";
constexpr size_t kRandomChars = 6;  // the XXXXXX that mkdtemp fills with letters and digits

// The pid in the name of a temporary work directory ("cpm-analyze.PID.XXXXXX"); 0 for any other
// name.
pid_t OwnerPid(const std::string& name) {
    constexpr size_t kPrefixSize = sizeof kPrefix - 1;
    if (name.compare(0, kPrefixSize, kPrefix) != 0) return 0;
    const size_t dot = name.find('.', kPrefixSize);
    if (dot == std::string::npos || dot == kPrefixSize || dot - kPrefixSize > 9 ||
        name.size() != dot + 1 + kRandomChars)
        return 0;
    pid_t pid = 0;
    for (size_t i = kPrefixSize; i < dot; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    for (size_t i = dot + 1; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return 0;
    return pid;
}

// Removes what runs killed without a chance to clean up (SIGKILL, a crash) left in `base`: the
// directories of this user named like ours whose process no longer exists and whose lock
// nobody holds (a run of another pid namespace that shares the directory holds its lock).
void RemoveAbandoned(const std::string& base) {
    DIR* dir = opendir(base.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        const pid_t pid = OwnerPid(entry->d_name);
        if (pid <= 0 || kill(pid, 0) == 0 || errno != ESRCH) continue;
        const std::string path = base + "/" + entry->d_name;
        const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (fstat(fd, &st) == 0 && st.st_uid == geteuid() && flock(fd, LOCK_EX | LOCK_NB) == 0) {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
        close(fd);
    }
    closedir(dir);
}

}  // namespace

std::unique_ptr<WorkDir> WorkDir::Open(const std::string& named, std::string& error) {
    if (!named.empty()) {
        struct stat st {};
        if (stat(named.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
            error = "--work-dir is not a directory: " + named;
            return nullptr;
        }
        if (!MakeDirectories(named, 0700)) {
            error = "cannot create the work directory " + named + ": " + std::strerror(errno);
            return nullptr;
        }
        return std::unique_ptr<WorkDir>(new WorkDir(named, false, -1));
    }
    std::string base = "/tmp";
    if (const char* tmp = std::getenv("TMPDIR"); tmp && tmp[0] == '/') base = tmp;
    RemoveAbandoned(base);
    // The name carries the pid, and the directory is locked while the run lives, so that a later
    // run can tell a directory that was left behind.
    std::string pattern = base + "/" + kPrefix + std::to_string(getpid()) + ".XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    // mkdtemp makes the directory readable by its owner only.
    if (!mkdtemp(buf.data())) {
        error = "cannot create a work directory in " + base + ": " + std::strerror(errno);
        return nullptr;
    }
    const int lock = open(buf.data(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock >= 0) flock(lock, LOCK_EX | LOCK_NB);
    return std::unique_ptr<WorkDir>(new WorkDir(buf.data(), true, lock));
}

void WorkDir::Remove() {
    if (!temporary_ || path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    path_.clear();
    if (lock_ >= 0) close(lock_);
    lock_ = -1;
}

WorkDir::~WorkDir() {
    Remove();
}

}  // namespace qv::cli
