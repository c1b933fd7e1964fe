// Small file helpers shared by the repository tools.
#pragma once

#include <cstddef>
#include <string>

namespace qv::tools {

// Reads a whole file into `content`; false (and `error` set) when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& content, std::string& error);

// Writes all of `size` bytes to a descriptor, resuming after interruptions and short writes.
bool WriteAll(int fd, const char* data, size_t size);

// Writes `content` to `path` completely or not at all: a temporary file in the same directory
// is written and renamed over `path`. `mode` is the new file's permission bits; `durable` also
// flushes the data to the disk before the rename (for files a user would miss, not for
// short-lived result files).
bool WriteFileAtomic(const std::string& path, const std::string& content, std::string& error,
                     unsigned mode = 0644, bool durable = true);

// Creates a directory and its missing parents (like mkdir -p) with `mode` (narrowed by the
// umask); true when it exists afterwards.
bool MakeDirectories(const std::string& path, std::string& error, unsigned mode = 0755);

// The user's configuration directory: $XDG_CONFIG_HOME, else $HOME/.config; empty when neither
// is set.
std::string ConfigDirectory();

// Makes a path absolute against the current directory (no symlink resolution).
std::string AbsolutePath(const std::string& path);

// Upper-cases ASCII letters only; other bytes stay as they are.
std::string AsciiUpper(std::string text);

// Compares two texts ignoring the case of ASCII letters.
bool EqualsIgnoreCase(const std::string& a, const std::string& b);

}  // namespace qv::tools
