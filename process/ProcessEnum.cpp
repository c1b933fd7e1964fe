#include "process/ProcessEnum.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>

namespace qv {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
    }
    return true;
}

}  // namespace

CProcessEnum::CProcessEnum() {
    DIR* dir = opendir("/proc");
    if (!dir) return;
    while (dirent* e = readdir(dir)) {
        const char* n = e->d_name;
        if (*n < '1' || *n > '9') continue;
        char* end = nullptr;
        long pid = strtol(n, &end, 10);
        if (*end != '\0' || pid <= 0 || pid > INT_MAX) continue;
        pids_.push_back(static_cast<int>(pid));
    }
    closedir(dir);
    std::sort(pids_.begin(), pids_.end());
    valid_ = true;
}

bool CProcessEnum::First() {
    index_ = 0;
    return index_ < pids_.size();
}

bool CProcessEnum::Next() {
    if (index_ < pids_.size()) ++index_;
    return index_ < pids_.size();
}

int CProcessEnum::ProcessId() const {
    return index_ < pids_.size() ? pids_[index_] : -1;
}

bool CProcessEnum::ModuleName(std::string& name) const {
    if (index_ >= pids_.size()) return false;
    std::string link = "/proc/" + std::to_string(pids_[index_]) + "/exe";
    char buf[PATH_MAX + 1];
    ssize_t n = readlink(link.c_str(), buf, PATH_MAX);
    if (n <= 0) return false;
    std::string target(buf, static_cast<size_t>(n));
    size_t slash = target.rfind('/');
    name = slash == std::string::npos ? target : target.substr(slash + 1);
    return true;
}

bool CProcessEnum::OwnerUid(unsigned& uid) const {
    if (index_ >= pids_.size()) return false;
    std::ifstream in("/proc/" + std::to_string(pids_[index_]) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Uid:", 0) != 0) continue;
        char* end = nullptr;
        const unsigned long value = std::strtoul(line.c_str() + 4, &end, 10);
        if (end == line.c_str() + 4) return false;
        uid = static_cast<unsigned>(value);
        return true;
    }
    return false;
}

int FindProcessByName(const std::string& name, long owner) {
    if (name.empty()) return -1;
    CProcessEnum processes;
    if (!processes.Valid()) return -1;
    for (bool more = processes.First(); more; more = processes.Next()) {
        std::string module;
        if (!processes.ModuleName(module)) continue;
        if (!StartsWithIgnoringCase(module, name)) continue;
        unsigned uid = 0;
        if (owner >= 0 && (!processes.OwnerUid(uid) || uid != static_cast<unsigned long>(owner)))
            continue;
        return processes.ProcessId();
    }
    return -1;
}

}  // namespace qv
