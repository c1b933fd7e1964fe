#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/App.h"
#include "app/IniFile.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "host/headless/HeadlessHost.h"
#include "tests/app/Support.h"
#include "tests/support/TempEnv.h"

extern char** environ;

namespace {

using qvtest::FileExists;
using qvtest::ReadFile;

std::string Installer() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    buf[n] = '\0';
    std::string self(buf);
    return self.substr(0, self.rfind('/')) + "/qv-install";
}

// Runs the installer with the test's environment (its own HOME and XDG directories).
int RunInstaller(const std::vector<std::string>& args) {
    std::vector<std::string> all = {Installer()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string LinkTarget(const std::string& path) {
    char target[PATH_MAX] = {};
    return readlink(path.c_str(), target, sizeof target - 1) > 0 ? target : "";
}

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!FileExists(Installer())) GTEST_SKIP() << "qv-install is not built";
        for (const char* name : {"quorvel", "ksql", "WinDiff"})
            ASSERT_TRUE(
                qvtest::WriteFile(built_ / name, std::string("#!/bin/sh\n# ") + name + "\n"));
        ASSERT_TRUE(qvtest::WriteFile(built_ / "icons/hicolor/48x48/apps/quorvel.png", "png 48"));
        ASSERT_TRUE(
            qvtest::WriteFile(built_ / "icons/hicolor/scalable/apps/quorvel.svg", "<svg/>"));
    }
    void TearDown() override {
        qv::SwitchToProfile();
        qv::SetTraceFile("");
        qv::SetAppValues({});
    }

    qvtest::TempDir home_;
    qvtest::TempDir built_;
    qvtest::ScopedEnv homeEnv_{"HOME", home_.path()};
    qvtest::ScopedEnv config_{"XDG_CONFIG_HOME", home_ / "config"};
    qvtest::ScopedEnv data_{"XDG_DATA_HOME", home_ / "data"};
    qvtest::ScopedCwd cwd_;
};

TEST_F(InstallTest, MakesAnInstallationThatStartsUp) {
    const std::string dir = home_ / "data/Quorvel";
    ASSERT_EQ(RunInstaller({"--from", built_.path()}), 0);
    struct Row {
        const char* name;
        bool installed;
    } rows[] = {{"quorvel", true},      {"ksql", true},         {"WinDiff", true},   {"kco", false},
                {"cpm-analyze", false}, {"CrystalEdit", false}, {"HexViewer", false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(FileExists(dir + "/" + r.name), r.installed);
        if (r.installed) {
            EXPECT_EQ(ReadFile(dir + "/" + r.name), ReadFile(built_ / r.name));
            EXPECT_EQ(qvtest::FileMode(dir + "/" + r.name), 0755u);
        }
    }
    // The install directory is also the user's workspace: the user's alone.
    EXPECT_EQ(qvtest::FileMode(dir), 0700u);
    EXPECT_EQ(qv::ReadIniText(home_ / "config/Orvane/Quorvel.ini", "Settings", "INSTALLDIR"), dir);
    EXPECT_EQ(qvtest::FileMode(home_ / "config/Orvane/Quorvel.ini"), 0600u);
    EXPECT_EQ(qv::ReadIniText(home_ / "config/Quorvel.INI", "Settings", "INSTALLDIR"), dir);
    EXPECT_EQ(LinkTarget(home_ / ".local/bin/quorvel"), dir + "/quorvel");
    EXPECT_NE(
        ReadFile(home_ / "data/applications/quorvel.desktop").find("Exec=\"" + dir + "/quorvel\""),
        std::string::npos);
    // The icon the build leaves beside the programs goes into the user's icon theme, and the
    // desktop entry names it.
    EXPECT_NE(ReadFile(home_ / "data/applications/quorvel.desktop").find("\nIcon=quorvel\n"),
              std::string::npos);
    EXPECT_EQ(ReadFile(home_ / "data/icons/hicolor/48x48/apps/quorvel.png"), "png 48");
    EXPECT_EQ(ReadFile(home_ / "data/icons/hicolor/scalable/apps/quorvel.svg"), "<svg/>");
    EXPECT_FALSE(FileExists(home_ / "data/icons/hicolor/16x16/apps/quorvel.png"));

    qv::HeadlessHost host;
    qv::CQuorvelApp app;
    std::string seenInstall;
    EXPECT_EQ(app.Run(host, "quorvel",
                      [&](qv::Host&) {
                          seenInstall = qv::TheApp().installDir;
                          return qv::kMainWindowOk;
                      }),
              qv::kMainWindowOk);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(seenInstall, dir);
    EXPECT_EQ(qv::TraceFile(), dir + "/Quorvel.trc");
}

TEST_F(InstallTest, ChosenDirectoryAndExistingFiles) {
    // Characters that the desktop entry must escape.
    const std::string dir = home_ / "opt/q$1%u";
    ASSERT_TRUE(qvtest::WriteFile(home_ / "config/Orvane/Quorvel.ini",
                                  "[Settings]\nBroker=kept\nINSTALLDIR=/old\n"));
    // A file of the user's where the link would go stays as it is.
    ASSERT_TRUE(qvtest::WriteFile(home_ / "bin/quorvel", "mine"));
    ASSERT_EQ(
        RunInstaller({"--from", built_.path(), "--dir", dir + "/", "--bin-dir", home_ / "bin"}), 0);
    EXPECT_TRUE(FileExists(dir + "/quorvel"));
    EXPECT_EQ(ReadFile(home_ / "config/Orvane/Quorvel.ini"),
              "[Settings]\nBroker=kept\nINSTALLDIR=" + dir + "\n");
    EXPECT_EQ(ReadFile(home_ / "bin/quorvel"), "mine");
    const std::string entry = ReadFile(home_ / "data/applications/quorvel.desktop");
    EXPECT_NE(entry.find("\nExec=\"" + (home_ / "opt/q\\\\$1%%u/quorvel\"\n")), std::string::npos)
        << entry;
    // Installing again over a running installation works and keeps the link current.
    ASSERT_EQ(RunInstaller({"--from", built_.path(), "--dir", dir}), 0);
    EXPECT_EQ(LinkTarget(home_ / ".local/bin/quorvel"), dir + "/quorvel");
    EXPECT_EQ(RunInstaller({"--bogus"}), 2);
}

}  // namespace
