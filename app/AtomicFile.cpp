#include "app/AtomicFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qv {

namespace {

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& contents, unsigned mode) {
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty()) return false;
    std::string temp = dir + (dir.back() == '/' ? "" : "/") + "." + base + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok =
        fchmod(fd, static_cast<mode_t>(mode)) == 0 && WriteAll(fd, contents) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        const int saved = errno;
        unlink(temp.c_str());
        errno = saved;
        return false;
    }
    // Make the rename itself durable.
    if (const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

unsigned ExistingFileMode(const std::string& path, unsigned fallback) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return fallback;
    return static_cast<unsigned>(st.st_mode & 07777);
}

}  // namespace qv
