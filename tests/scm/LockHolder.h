// Another program on the test's install directory: a child process that holds the directory's
// lock from construction until the object goes.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "scm/InstallDirLock.h"

namespace qvtest {

class LockHolder {
public:
    explicit LockHolder(const std::string& installDir) {
        int held[2], release[2];
        if (pipe(held) != 0 || pipe(release) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(held[0]);
            close(release[1]);
            char c = qv::LockInstallDir(installDir, nullptr) ? 'y' : 'n';
            if (write(held[1], &c, 1) == 1 && read(release[0], &c, 1) >= 0) _exit(0);
            _exit(1);
        }
        close(held[1]);
        close(release[0]);
        release_ = release[1];
        char c = 0;
        holds_ = pid_ > 0 && read(held[0], &c, 1) == 1 && c == 'y';
        close(held[0]);
    }
    ~LockHolder() {
        close(release_);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool holds() const { return holds_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool holds_ = false;
};

}  // namespace qvtest
