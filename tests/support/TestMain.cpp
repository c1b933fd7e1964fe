// Shared main of every test program: each run of a program gets its own HOME and XDG directories
// (a fresh temporary directory, so runs side by side never share one), no test reads or writes
// the real user's settings, and everything is removed at the end. CTest runs every test case as
// a run of its own, so each case starts with an empty home; listing the cases creates and
// removes one too.
//
// A test program ends only processes it started. Every process the run starts carries the run's
// mark in its environment, and this program's kill refuses (with EPERM, as the kernel refuses
// another user's processes) any signal but 0 to a process or process group without it; so no
// fault of the code under test can end a user's own programs, found by name or otherwise.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "tests/support/TempEnv.h"

namespace qvtest {
namespace {
std::string g_home;
std::string g_mark;  // "QV_TEST_RUN=<id of this program>"

// True for this program and for the processes whose environment at their start held the mark.
bool StartedByThisRun(pid_t pid) {
    if (pid == getpid()) return true;
    if (g_mark.empty()) return false;
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    std::string entry;
    while (std::getline(in, entry, '\0'))
        if (entry == g_mark) return true;
    return false;
}
}  // namespace
const std::string& TestHome() {
    return g_home;
}
}  // namespace qvtest

// Takes the place of the C library's kill for the whole test program, the code under test
// included. 0 and -1 (this process group, every process of the user) are never targets.
extern "C" int kill(pid_t pid, int sig) noexcept {
    if (sig != 0 && (pid == 0 || pid == -1 || !qvtest::StartedByThisRun(pid < 0 ? -pid : pid))) {
        // A process that does not exist is reported as such.
        if (pid == 0 || pid == -1 || syscall(SYS_kill, pid, 0) == 0 || errno != ESRCH)
            errno = EPERM;
        return -1;
    }
    return static_cast<int>(syscall(SYS_kill, pid, sig));
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const std::string run = std::to_string(getpid());
    setenv("QV_TEST_RUN", run.c_str(), 1);
    qvtest::g_mark = "QV_TEST_RUN=" + run;
    qvtest::TempDir home;
    qvtest::g_home = home.path();
    std::filesystem::create_directories(home / ".config");
    std::filesystem::create_directories(home / ".local/share");
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
    unsetenv("TESSARK_BROKERS");
    unsetenv("QUORVEL_DEBUG_TRACE");
    return RUN_ALL_TESTS();
}
