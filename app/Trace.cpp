#include "app/Trace.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace qv {

namespace {

// What the writer knows about the trace file between two lines: the reads counted in its first
// `size` bytes, and enough of the file to notice when it is no longer the file that was counted
// (another inode, fewer bytes, or different last bytes).
struct CountCache {
    bool valid = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    TraceLineCounter counter;
    char tail[64] = {};
    size_t tailLen = 0;
};

std::mutex g_mutex;
std::string g_traceFile;
// Set once a write to the trace file failed and the standard error said so, so that a trace
// file that cannot be written is reported once, not with every line.
bool g_traceFailureTold = false;
void (*g_failureHandler)(const std::string& file, int err) = nullptr;
std::function<std::tm()> g_clock;
CountCache g_cache;
bool g_fullRecount = false;
std::uint64_t g_limit = 0;

// Lines held back by open batches: each with the time stamp of its call.
struct HeldLine {
    std::tm time;
    std::string message;
};
int g_batchDepth = 0;
std::vector<HeldLine> g_held;
size_t g_heldBytes = 0;
constexpr size_t kMaxHeldBytes = 1 << 20;
void FlushHeld();

bool ReadAll(int fd, char* buf, size_t size, off_t offset) {
    while (size > 0) {
        ssize_t n = pread(fd, buf, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buf += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

// Keeps the last bytes of what has been counted, so that a file rewritten behind the writer's
// back is noticed even when its inode and size look the same.
void RememberTail(CountCache& cache, const char* data, size_t size) {
    const size_t cap = sizeof cache.tail;
    if (size >= cap) {
        memcpy(cache.tail, data + size - cap, cap);
        cache.tailLen = cap;
        return;
    }
    const size_t keep = std::min(cache.tailLen, cap - size);
    memmove(cache.tail, cache.tail + cache.tailLen - keep, keep);
    memcpy(cache.tail + keep, data, size);
    cache.tailLen = keep + size;
}

// Counts the file's bytes from the cache's size on to the end, adding them to the cache.
bool CountFrom(int fd, CountCache& cache) {
    char buf[65536];
    for (;;) {
        ssize_t n = pread(fd, buf, sizeof buf, cache.size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        cache.counter.Feed(buf, static_cast<size_t>(n));
        RememberTail(cache, buf, static_cast<size_t>(n));
        cache.size += n;
    }
}

// The number of reads in the trace file now: only the bytes appended since the previous line
// are counted when the file is still the one counted before; otherwise the whole file.
std::uint64_t CountLines(const std::string& path) {
    CountCache& cache = g_cache;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        cache = CountCache();
        return 0;
    }
    struct stat st {};
    bool ok = fstat(fd, &st) == 0;
    bool same = ok && !g_fullRecount && cache.valid && st.st_dev == cache.dev &&
                st.st_ino == cache.ino && st.st_size >= cache.size;
    if (same && cache.tailLen > 0) {
        char now[sizeof cache.tail];
        same = ReadAll(fd, now, cache.tailLen, cache.size - static_cast<off_t>(cache.tailLen)) &&
               memcmp(now, cache.tail, cache.tailLen) == 0;
    }
    if (!same) {
        cache = CountCache();
        cache.dev = st.st_dev;
        cache.ino = st.st_ino;
    }
    cache.valid = ok && CountFrom(fd, cache);
    close(fd);
    if (!cache.valid) {
        cache = CountCache();
        return 0;
    }
    return cache.counter.Total();
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

void TraceLineCounter::Feed(const char* data, size_t size) {
    const char* p = data;
    const char* const end = data + size;
    while (p < end) {
        const char* lf = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!lf) {
            partial_ += static_cast<std::uint64_t>(end - p);
            lastWasCR_ = end[-1] == '\r';
            return;
        }
        // The characters of the finished line as a text-mode read sees them: CR LF is one.
        const bool cr = lf > p ? lf[-1] == '\r' : lastWasCR_;
        const std::uint64_t chars =
            partial_ + static_cast<std::uint64_t>(lf - p) + 1 - (cr ? 1 : 0);
        reads_ += (chars + kTraceReadChars - 1) / kTraceReadChars;
        partial_ = 0;
        lastWasCR_ = false;
        p = lf + 1;
    }
}

std::uint64_t TraceLineCounter::Total() const {
    return reads_ + (partial_ + kTraceReadChars - 1) / kTraceReadChars;
}

std::uint64_t CountTraceLines(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return 0;
    CountCache cache;
    const bool ok = CountFrom(fd, cache);
    close(fd);
    return ok ? cache.counter.Total() : 0;
}

void SetTraceFile(const std::string& path) {
    std::lock_guard lock(g_mutex);
    FlushHeld();
    g_traceFile = path;
    g_traceFailureTold = false;
    g_cache = CountCache();
}

const std::string& TraceFile() {
    return g_traceFile;
}

void SetTraceFailureHandler(void (*handler)(const std::string& file, int err)) {
    std::lock_guard lock(g_mutex);
    g_failureHandler = handler;
}

void SetTraceClock(std::function<std::tm()> clock) {
    std::lock_guard lock(g_mutex);
    g_clock = std::move(clock);
}

void SetTraceLimit(std::uint64_t bytes) {
    std::lock_guard lock(g_mutex);
    g_limit = bytes;
}

void SetTraceFullRecount(bool on) {
    std::lock_guard lock(g_mutex);
    g_fullRecount = on;
    g_cache = CountCache();
}

namespace {

// One line of the file: its number, the time stamp and the message.
std::string TraceLine(std::uint64_t number, const std::tm& tm, const char* message, size_t size) {
    char head[96];
    const int h = snprintf(head, sizeof head, "%llu %02d/%02d/%d %02d:%02d:%02d ",
                           static_cast<unsigned long long>(number), tm.tm_mon + 1, tm.tm_mday,
                           tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    std::string line(head, static_cast<size_t>(h));
    line.append(message, size);
    line.push_back('\n');
    return line;
}

// Cuts the trace file to its last g_limit bytes, from the first line that starts in them, through
// a temporary file renamed over it. Another program appending at the same moment may lose a line
// of its own; the trace is a diagnostic, and the cut is rare.
void TrimTrace(off_t size) {
    const off_t from = size - static_cast<off_t>(g_limit);
    const int in = open(g_traceFile.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) return;
    std::string kept(static_cast<size_t>(size - from), '\0');
    const bool read = ReadAll(in, kept.data(), kept.size(), from);
    close(in);
    if (!read) return;
    const size_t lf = kept.find('\n');
    kept.erase(0, lf == std::string::npos ? kept.size() : lf + 1);
    const std::string tmp = g_traceFile + ".cut";
    const int out = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) return;
    bool ok = WriteAll(out, kept.data(), kept.size());
    if (close(out) != 0) ok = false;
    if (!ok || rename(tmp.c_str(), g_traceFile.c_str()) != 0) {
        unlink(tmp.c_str());
        return;
    }
    g_cache = CountCache();
}

// Appends whole lines to the trace file with one write, so that lines of several programs
// sharing the file never interleave.
void AppendLines(const std::string& lines) {
    const int fd =
        open(g_traceFile.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    bool written = fd >= 0 && WriteAll(fd, lines.data(), lines.size());
    const int err = errno;
    struct stat st {};
    const bool sized = written && fstat(fd, &st) == 0;
    if (fd >= 0 && close(fd) != 0) written = false;
    if (!written) {
        // Nothing the user sees depends on the trace, so the program goes on; the standard
        // error (or the handler) names the file and the reason once.
        if (!g_traceFailureTold) {
            g_traceFailureTold = true;
            if (g_failureHandler) {
                g_failureHandler(g_traceFile, err);
            } else {
                fprintf(stderr, "Quorvel: Unable to write the trace file %s: %s\n",
                        g_traceFile.c_str(), strerror(err));
                fflush(stderr);
            }
        }
        return;
    }
    if (g_limit > 0 && sized && static_cast<std::uint64_t>(st.st_size) > g_limit + g_limit / 4)
        TrimTrace(st.st_size);
    if (written && getenv("QUORVEL_DEBUG_TRACE")) {
        fwrite(lines.data(), 1, lines.size(), stderr);
        fflush(stderr);
    }
}

// Writes the held lines, numbered on from the file's count as single writes would number them.
// The caller holds g_mutex.
void FlushHeld() {
    if (g_held.empty()) return;
    if (!g_traceFile.empty()) {
        CountLines(g_traceFile);
        TraceLineCounter counter = g_cache.valid ? g_cache.counter : TraceLineCounter();
        std::string lines;
        lines.reserve(g_heldBytes + g_held.size() * 32);
        for (const HeldLine& held : g_held) {
            const std::string line =
                TraceLine(counter.Total() + 1, held.time, held.message.data(), held.message.size());
            counter.Feed(line.data(), line.size());
            lines += line;
        }
        AppendLines(lines);
    }
    g_held.clear();
    g_heldBytes = 0;
}

}  // namespace

TraceBatch::TraceBatch() {
    std::lock_guard lock(g_mutex);
    ++g_batchDepth;
}

TraceBatch::~TraceBatch() {
    std::lock_guard lock(g_mutex);
    if (--g_batchDepth == 0) FlushHeld();
}

void TraceBatch::Flush() {
    std::lock_guard lock(g_mutex);
    FlushHeld();
}

int WriteTraceLines(const std::vector<std::string>& messages) {
    TraceBatch batch;
    for (const std::string& m : messages) WriteTrace("%s", m.c_str());
    return 1;
}

int WriteTrace(const char* format, ...) {
    char message[16428];
    va_list ap;
    va_start(ap, format);
    const int n = vsnprintf(message, sizeof message, format, ap);
    va_end(ap);
    if (n < 0 || n > kTraceMaxMessage) return 0;

    std::lock_guard lock(g_mutex);
    std::tm tm{};
    if (g_clock) {
        tm = g_clock();
    } else {
        std::time_t now = std::time(nullptr);
        localtime_r(&now, &tm);
    }
    if (g_traceFile.empty()) return 1;
    // The message is taken as "%s" would take it: up to its first zero character.
    const size_t size = strnlen(message, static_cast<size_t>(n));
    if (g_batchDepth > 0) {
        g_held.push_back({tm, std::string(message, size)});
        g_heldBytes += size;
        if (g_heldBytes > kMaxHeldBytes) FlushHeld();
        return 1;
    }
    AppendLines(TraceLine(CountLines(g_traceFile) + 1, tm, message, size));
    return 1;
}

long FileSize(const std::string& path, int& err) {
    struct stat st {};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    int code = 0;
    if (fd < 0) {
        code = errno;
    } else if (fstat(fd, &st) != 0) {
        code = errno;
    } else if (S_ISDIR(st.st_mode)) {
        // A directory has no contents to measure; it is no output file.
        code = EISDIR;
    }
    if (fd >= 0) close(fd);
    if (code != 0) {
        err = code;
        WriteTrace("fsize failed: %s  err=%d", path.c_str(), code);
        return 0;
    }
    return static_cast<long>(st.st_size);
}

}  // namespace qv
