// Writing a file completely or not at all, for every file a user would miss if a write broke off
// half-way: the settings, the saved list, exports, the target data file.
#pragma once

#include <string>

namespace qv {

// Writes a whole file atomically: a temporary file in the same directory with the given mode,
// synced, then renamed over the target. Either the old or the new contents are on disk,
// whatever happens. Returns false (leaving no temporary file) on failure; errno then tells why.
bool WriteFileAtomically(const std::string& path, const std::string& contents, unsigned mode);

// The permission bits of an existing file, so that replacing it keeps them; `fallback` when
// there is no such file.
unsigned ExistingFileMode(const std::string& path, unsigned fallback);

}  // namespace qv
