// Shared main of every test program: each run of a program gets its own HOME and XDG directories
// (a fresh temporary directory, so runs side by side never share one), no test reads or writes
// the real user's settings, and everything is removed at the end. CTest runs every test case as
// a run of its own, so each case starts with an empty home; listing the cases creates and
// removes one too.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "tests/support/TempEnv.h"

namespace qvtest {
namespace {
std::string g_home;
}
const std::string& TestHome() {
    return g_home;
}
}  // namespace qvtest

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
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
