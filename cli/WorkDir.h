// The directory that holds the statement, result and log files of one batch run: the one the
// user names, or a fresh private temporary directory that is removed with everything in it at
// the end, so that parallel runs never share a file. A temporary directory is named
// cpm-analyze.PID.XXXXXX and locked while its run lives; the next run removes those of this user
// that a killed run left behind.
#pragma once

#include <memory>
#include <string>

namespace qv::cli {

class WorkDir {
public:
    // The named directory (created with its parents, private, when it does not exist), or a new
    // temporary one below $TMPDIR (else /tmp) when `named` is empty, after the abandoned ones
    // there are removed. Nothing and the reason in `error` when neither can be had.
    static std::unique_ptr<WorkDir> Open(const std::string& named, std::string& error);
    ~WorkDir();
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    const std::string& path() const { return path_; }
    bool temporary() const { return temporary_; }
    // Removes a temporary directory now (also what the destructor does).
    void Remove();

private:
    WorkDir(std::string path, bool temporary, int lock)
        : path_(std::move(path)), temporary_(temporary), lock_(lock) {}
    std::string path_;
    bool temporary_;
    int lock_;  // the open directory that holds the lock, or -1
};

}  // namespace qv::cli
