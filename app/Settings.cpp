#include "app/Settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "app/IniFile.h"
#include "app/Paths.h"
#include "app/Trace.h"

namespace qv {

namespace {

std::string g_company;            // empty: the profile file
std::optional<IniFile> g_memory;  // set: the store lives in memory only

std::string ParentDir(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

int g_lockWaitMs = kSettingsLockWaitMs;

// Holds an exclusive lock on a directory while a file in it is read, changed and replaced, so
// that two programs writing different keys at the same moment do not lose each other's key. A
// program that holds the lock and never lets go (a stuck instance) must not hang this one: after
// the bounded wait the write goes on without the lock.
class DirLock {
public:
    DirLock(const std::string& dir, int waitMs)
        : fd_(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ < 0) return;
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
        for (;;) {
            if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                locked_ = true;
                return;
            }
            if (errno == EINTR) continue;
            if (errno != EWOULDBLOCK || Clock::now() >= deadline) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~DirLock() {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
    }
    DirLock(const DirLock&) = delete;
    DirLock& operator=(const DirLock&) = delete;
    bool opened() const { return fd_ >= 0; }
    bool locked() const { return locked_; }

private:
    int fd_;
    bool locked_ = false;
};

// Follows symbolic links from `path` to the file that is to be replaced, so that a settings file
// kept as a link (to a file under version control, say) stays a link and its target gets the new
// contents. A target that does not exist yet is where the file will be created. False for a
// loop or a link that cannot be read.
bool ResolveLinks(const std::string& path, std::string& target) {
    target = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (lstat(target.c_str(), &st) != 0) return errno == ENOENT;
        if (!S_ISLNK(st.st_mode)) return true;
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t n = readlink(target.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) return false;
        link.resize(static_cast<size_t>(n));
        target = link[0] == '/' ? link : JoinPath(ParentDir(target), link);
    }
    return false;
}

struct PendingWrite {
    const std::string* section;
    const std::string* key;
    const std::string* value;
};

// Reads the file, applies the writes and replaces it. With keepMode an existing file keeps its
// permissions and `mode` applies to a new one; otherwise the file always gets `mode`.
bool ApplyWrites(const std::string& path, const std::vector<PendingWrite>& writes, unsigned mode,
                 bool createDir, bool keepMode) {
    if (createDir && !MakeDirectories(ParentDir(path), 0700)) return false;
    std::string target;
    if (!ResolveLinks(path, target)) return false;
    const std::string dir = ParentDir(target);
    DirLock lock(dir, g_lockWaitMs);
    if (!lock.opened()) return false;
    if (!lock.locked())
        WriteTrace("WriteSettings: %s stayed locked for %d ms; writing without the lock",
                   target.c_str(), g_lockWaitMs);
    struct stat st {};
    if (keepMode && stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
    // A file that is there but cannot be read is left alone rather than replaced by the new
    // keys alone.
    IniFile ini;
    if (!IniFile::TryLoad(target, ini)) return false;
    bool ok = true;
    for (const PendingWrite& w : writes) ok = ini.Set(*w.section, *w.key, *w.value) && ok;
    return ini.Save(target, mode) && ok;
}

bool CommitToStore(const std::vector<PendingWrite>& writes) {
    if (g_memory) {
        bool ok = true;
        for (const PendingWrite& w : writes) ok = g_memory->Set(*w.section, *w.key, *w.value) && ok;
        return ok;
    }
    // Both files may hold the scrambled password, so both are private to the user.
    return ApplyWrites(SettingsFilePath(), writes, 0600, true, false);
}

int ParseInt(const std::string& text, int defaultValue) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE || v < INT_MIN || v > INT_MAX) return defaultValue;
    return static_cast<int>(v);
}

}  // namespace

int SetSettingsLockWait(int milliseconds) {
    const int previous = g_lockWaitMs;
    g_lockWaitMs = milliseconds;
    return previous;
}

void SwitchToRegistry(const std::string& company) {
    g_company = company;
    g_memory.reset();
}

void SwitchToProfile() {
    g_company.clear();
    g_memory.reset();
}

void SwitchToMemory(const IniFile& seed) {
    g_memory = seed;
}

std::string SettingsFilePath() {
    if (g_memory) return {};
    return g_company.empty() ? ProfileFilePath() : RegistryFilePath(g_company);
}

IniFile CurrentSettings() {
    return g_memory ? *g_memory : IniFile::Load(SettingsFilePath());
}

std::string ReadSettingText(const std::string& section, const std::string& key,
                            const std::string& defaultValue) {
    return CurrentSettings().Get(section, key).value_or(defaultValue);
}

int ReadSettingInt(const std::string& section, const std::string& key, int defaultValue) {
    const auto v = CurrentSettings().Get(section, key);
    return v ? ParseInt(*v, defaultValue) : defaultValue;
}

bool WriteSettingText(const std::string& section, const std::string& key,
                      const std::string& value) {
    return CommitToStore({{&section, &key, &value}});
}

bool WriteSettingInt(const std::string& section, const std::string& key, int value) {
    const std::string text = std::to_string(value);
    return CommitToStore({{&section, &key, &text}});
}

void SettingsBatch::WriteText(const std::string& section, const std::string& key,
                              const std::string& value) {
    writes_.push_back({section, key, value});
}

void SettingsBatch::WriteInt(const std::string& section, const std::string& key, int value) {
    writes_.push_back({section, key, std::to_string(value)});
}

bool SettingsBatch::Commit() {
    std::vector<PendingWrite> writes;
    writes.reserve(writes_.size());
    for (const Write& w : writes_) writes.push_back({&w.section, &w.key, &w.value});
    const bool ok = writes.empty() || CommitToStore(writes);
    writes_.clear();
    return ok;
}

std::string ReadIniText(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& defaultValue) {
    return IniFile::Load(path).Get(section, key).value_or(defaultValue);
}

bool WriteIniText(const std::string& path, const std::string& section, const std::string& key,
                  const std::string& value, unsigned mode) {
    return ApplyWrites(path, {{&section, &key, &value}}, mode, false, true);
}

}  // namespace qv
