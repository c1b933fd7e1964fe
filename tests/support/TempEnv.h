// A temporary directory tree that stands in for the user's home during a test.
#pragma once

#include <string>

namespace qvtest {

// Creates a fresh directory below $TMPDIR (or /tmp) and removes it again on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // Path of a name inside the directory.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Writes a whole file (creating parent directories); returns false on failure.
bool WriteFile(const std::string& path, const std::string& content);
// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// The per-process home that TestMain set up: HOME, XDG_CONFIG_HOME, XDG_DATA_HOME point below it.
const std::string& TestHome();

}  // namespace qvtest
