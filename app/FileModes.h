// The modes of the files and directories the program and its tools create for a user: the work
// files hold repository data (every latest version of a project, checked-out copies), so they
// are the user's alone, whatever the umask. Only when the repository itself is shared with a
// group does a more open umask apply, so that the team reads what the repository lets it read.
// A narrower umask always narrows the mode further, and a file that is replaced keeps a mode
// narrower than the computed one: a mode the user chose is never widened.
//
// Header only: the repository tools use it without linking the program's libraries.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace qv {

// The process's umask, read without changing it (from /proc/self/status; where that cannot be
// read, set and restored at once).
inline unsigned CurrentUmask() {
    if (FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(f);
        if (found) return mask & 0777;
    }
    const mode_t mask = umask(077);
    umask(mask);
    return static_cast<unsigned>(mask) & 0777;
}

// The mode for something new with the given full mode (0666 for a file, 0777 for a directory,
// 0444 for a read-only copy): the umask applies, and the group and others lose every bit unless
// the repository is shared with a group.
inline unsigned CreationMode(unsigned full, bool sharedWithGroup) {
    unsigned mode = full & ~CurrentUmask();
    if (!sharedWithGroup) mode &= 0700;
    return mode;
}

// The mode for a file that replaces `path`: CreationMode, narrowed to the mode of the file that
// is there.
inline unsigned ReplacementMode(const std::string& path, unsigned full, bool sharedWithGroup) {
    unsigned mode = CreationMode(full, sharedWithGroup);
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) mode &= st.st_mode & 07777;
    return mode;
}

// True when a repository file lets the members of its group read it.
inline bool FileSharedWithGroup(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IRGRP) != 0;
}

}  // namespace qv
