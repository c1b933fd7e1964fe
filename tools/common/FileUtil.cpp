#include "tools/common/FileUtil.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace qv::tools {

bool ReadWholeFile(const std::string& path, std::string& content, std::string& error) {
    content.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + strerror(errno);
        return false;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = "cannot read " + path + ": " + strerror(errno);
            close(fd);
            return false;
        }
        if (n == 0) break;
        content.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool WriteFileAtomic(const std::string& path, const std::string& content, std::string& error,
                     unsigned mode, bool durable) {
    std::string tmp = path + ".tmpXXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) {
        error = "cannot create a temporary file next to " + path + ": " + strerror(errno);
        return false;
    }
    bool ok = WriteAll(fd, content.data(), content.size()) && fchmod(fd, mode) == 0 &&
              (!durable || fsync(fd) == 0);
    int saved = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        unlink(tmp.c_str());
        error = "cannot write " + path + ": " + strerror(saved);
    }
    return ok;
}

bool MakeDirectories(const std::string& path, std::string& error, unsigned mode) {
    if (path.empty()) {
        error = "empty directory name";
        return false;
    }
    std::string partial;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t next = path.find('/', pos);
        if (next == std::string::npos) next = path.size();
        partial = path.substr(0, next);
        if (!partial.empty() && mkdir(partial.c_str(), static_cast<mode_t>(mode)) != 0 &&
            errno != EEXIST) {
            error = "cannot create directory " + partial + ": " + strerror(errno);
            return false;
        }
        pos = next + 1;
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "not a directory: " + path;
        return false;
    }
    return true;
}

std::string ConfigDirectory() {
    const char* xdg = getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return xdg;
    const char* home = getenv("HOME");
    if (home && *home) return std::string(home) + "/.config";
    return {};
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char* cwd = getcwd(nullptr, 0);
    if (!cwd) return path;
    std::string result = cwd;
    free(cwd);
    if (result.empty() || result.back() != '/') result += '/';
    return result + path;
}

std::string AsciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && AsciiUpper(a) == AsciiUpper(b);
}

}  // namespace qv::tools
