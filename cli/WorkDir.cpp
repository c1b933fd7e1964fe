#include "cli/WorkDir.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "app/IniFile.h"

namespace qv::cli {

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
        return std::unique_ptr<WorkDir>(new WorkDir(named, false));
    }
    std::string base = "/tmp";
    if (const char* tmp = std::getenv("TMPDIR"); tmp && tmp[0] == '/') base = tmp;
    std::string pattern = base + "/cpm-analyze.XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    // mkdtemp makes the directory readable by its owner only.
    if (!mkdtemp(buf.data())) {
        error = "cannot create a work directory in " + base + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<WorkDir>(new WorkDir(buf.data(), true));
}

void WorkDir::Remove() {
    if (!temporary_ || path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    path_.clear();
}

WorkDir::~WorkDir() {
    Remove();
}

}  // namespace qv::cli
