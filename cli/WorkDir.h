// The directory that holds the statement, result and log files of one batch run: the one the
// user names, or a fresh private temporary directory that is removed with everything in it at
// the end, so that parallel runs never share a file.
#pragma once

#include <memory>
#include <string>

namespace qv::cli {

class WorkDir {
public:
    // The named directory (created with its parents, private, when it does not exist), or a new
    // temporary one below $TMPDIR (else /tmp) when `named` is empty. Nothing and the reason in
    // `error` when neither can be had.
    static std::unique_ptr<WorkDir> Open(const std::string& named, std::string& error);
    ~WorkDir();
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    const std::string& path() const { return path_; }
    bool temporary() const { return temporary_; }
    // Removes a temporary directory now (also what the destructor does).
    void Remove();

private:
    WorkDir(std::string path, bool temporary) : path_(std::move(path)), temporary_(temporary) {}
    std::string path_;
    bool temporary_;
};

}  // namespace qv::cli
