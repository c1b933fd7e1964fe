#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "app/Paths.h"
#include "host/headless/HeadlessHost.h"
#include "process/Launcher.h"
#include "tests/app/Support.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/support/TempEnv.h"

namespace {

using qvtest::ProbePath;
using qvtest::ReadProbeRecord;
using qvtest::WaitUntil;

struct OptionCase {
    const char* options;
    bool refused;
    qv::ShowMode show;
    bool wait;
    const char* prefix;
};

TEST(ParseTaskOptions, KeywordsTable) {
    using qv::ShowMode;
    const OptionCase cases[] = {
        {qv::kDefaultTaskOptions, false, ShowMode::MinimizedNoActivate, true, " "},
        {qv::kForegroundTaskOptions, false, ShowMode::Normal, false, " "},
        {"BACKGROUND MAXIMIZE", false, ShowMode::Maximized, true, " "},
        {"MAXIMIZE,BACKGROUND", false, ShowMode::Maximized, true, " "},
        {"", false, ShowMode::Normal, true, ""},
        {"DEPENDENT", false, ShowMode::Normal, true, ""},
        {"DOSWINDOW SEAMLESSWINDOWS DOSFULLSCREEN", false, ShowMode::Normal, true, ""},
        {"background, independent", false, ShowMode::Normal, true, ""},  // case-sensitive
        {"FOREGROUND,PMWINDOW", true, ShowMode::Normal, true, ""},
        {"xxPMDEFAULTxx", true, ShowMode::Normal, true, ""},
        {"PMFULLSCREEN", true, ShowMode::Normal, true, ""},
    };
    for (const auto& c : cases) {
        qv::TaskOptions t = qv::ParseTaskOptions(c.options);
        EXPECT_EQ(t.refused, c.refused) << c.options;
        if (c.refused) continue;
        EXPECT_EQ(t.showMode, c.show) << c.options;
        EXPECT_EQ(t.wait, c.wait) << c.options;
        EXPECT_EQ(t.titlePrefix, c.prefix) << c.options;
    }
}

// Its arguments reach the program split by the command line rules.
TEST(StartTask, WaitedProgramRunsInItsOwnGroupWithNullInputAndItsArguments) {
    qvtest::TempDir dir;
    int pid = 0;
    std::string cmd = ProbePath() + " --record " + (dir / "r") +
                      " --exit 3 -- -vp \\ \"a b\" x\\\"y \"\" \"\\Pay roll\\\\\" end";
    EXPECT_EQ(qv::StartTask(cmd, qv::kDefaultTaskOptions, pid), qv::kTaskWaited);
    const qv::StartRecord& last = qv::LastStart();
    EXPECT_EQ(last.exitStatus, 3);
    EXPECT_EQ(last.windowTitle, " " + cmd);
    EXPECT_EQ(last.showMode, qv::ShowMode::MinimizedNoActivate);
    EXPECT_TRUE(last.wait);
    qvtest::ProbeRecord rec = ReadProbeRecord(dir / "r");
    ASSERT_TRUE(rec.present);
    EXPECT_EQ(rec.pid, pid);
    EXPECT_EQ(rec.pgid, pid);
    EXPECT_NE(rec.pgid, getpgrp());
    EXPECT_EQ(rec.stdinTarget, "/dev/null");
    EXPECT_EQ(rec.args,
              (std::vector<std::string>{ProbePath(), "--record", dir / "r", "--exit", "3", "--",
                                        "-vp", "\\", "a b", "x\"y", "", "\\Pay roll\\", "end"}));
    EXPECT_EQ(qvtest::StateOf(pid).state, 0) << "the waited-for child is reaped";
}

TEST(StartTask, IndependentProgramIsNotWaitedForAndLeavesNoZombie) {
    qvtest::TempDir dir;
    int pid = 0;
    std::string cmd = ProbePath() + " --sleep 300 --record " + (dir / "r");
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(qv::StartTask(cmd, qv::kForegroundTaskOptions, pid), qv::kTaskStarted);
    qvtest::KillGuard guard(pid);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(250));
    EXPECT_GT(pid, 0);
    EXPECT_EQ(qv::LastStart().windowTitle, " " + cmd);
    EXPECT_EQ(qv::LastStart().showMode, qv::ShowMode::Normal);
    EXPECT_NE(qvtest::StateOf(pid).ppid, getpid()) << "not a child of this process";
    EXPECT_TRUE(qvtest::OwnZombies().empty());
    ASSERT_TRUE(WaitUntil([&] { return ReadProbeRecord(dir / "r").present; }));
    qvtest::ProbeRecord rec = ReadProbeRecord(dir / "r");
    EXPECT_EQ(rec.pid, pid);
    EXPECT_NE(rec.sid, getsid(0)) << "a new session";
    EXPECT_EQ(rec.stdinTarget, "/dev/null");
    ASSERT_TRUE(WaitUntil([&] { return !qvtest::IsRunning(pid); }));
    EXPECT_TRUE(qvtest::OwnZombies().empty());
}

// A descriptor of ours without close-on-exec (as a library may leave one) never reaches a
// started program, also on a kernel without close_range.
TEST(StartTask, NoDescriptorOfOursReachesTheProgram) {
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::WriteFile(dir / "ours", "x"));
    const int fd = open((dir / "ours").c_str(), O_RDONLY);  // deliberately inheritable
    ASSERT_GE(fd, 3);
    struct Case {
        const char* name;
        const char* options;
        bool closeRangeUnavailable;
    } const cases[] = {
        {"independent", qv::kForegroundTaskOptions, false},
        {"independent, no close_range", qv::kForegroundTaskOptions, true},
        {"waited for", qv::kDefaultTaskOptions, false},
        {"waited for, no close_range", qv::kDefaultTaskOptions, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string record = dir / (std::string("r ") + c.name);
        qv::SetCloseRangeUnavailable(c.closeRangeUnavailable);
        int pid = 0;
        const int result =
            qv::StartTask(ProbePath() + " --record \"" + record + "\"", c.options, pid);
        qv::SetCloseRangeUnavailable(false);
        ASSERT_GE(result, 0);
        qvtest::KillGuard guard(result == qv::kTaskStarted ? pid : 0);
        ASSERT_TRUE(WaitUntil([&] { return ReadProbeRecord(record).present; }));
        EXPECT_EQ(ReadProbeRecord(record).inheritedFds.find(dir / "ours"), std::string::npos)
            << ReadProbeRecord(record).inheritedFds;
    }
    close(fd);
}

TEST(StartTask, ProgramSearchOwnDirectoryThenPathNeverCurrentDirectory) {
    qvtest::TempDir dir;
    const std::string name = "qvpathprobe" + std::to_string(getpid());
    std::filesystem::copy_file(ProbePath(), dir / name);
    chmod((dir / name).c_str(), 0755);
    std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    char oldCwd[4096];
    ASSERT_NE(getcwd(oldCwd, sizeof oldCwd), nullptr);
    int pid = 0;

    // Own directory: the probe is found by its bare name.
    EXPECT_EQ(qv::StartTask("qv_probe_child --exit 0", qv::kDefaultTaskOptions, pid),
              qv::kTaskWaited);
    EXPECT_EQ(qv::LastStart().program, ProbePath());

    // PATH: found there.
    setenv("PATH", ("/nonexistent:" + dir.path()).c_str(), 1);
    EXPECT_EQ(qv::StartTask(name + " --exit 0", qv::kDefaultTaskOptions, pid), qv::kTaskWaited);
    EXPECT_EQ(qv::LastStart().program, dir / name);

    // Current directory, also through empty and relative PATH entries: never.
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    setenv("PATH", ":.:/nonexistent", 1);
    EXPECT_EQ(qv::StartTask(name + " --exit 0", qv::kDefaultTaskOptions, pid), qv::kTaskNotFound);
    EXPECT_EQ(chdir(oldCwd), 0);
    setenv("PATH", oldPath.c_str(), 1);
}

// Nothing is started: the result tells why and the id stays 0.
TEST(StartTask, StartFailuresGiveTheirResults) {
    qvtest::TempDir dir;
    qvtest::WriteFile(dir / "notes.txt", "not a program\n");
    chmod((dir / "notes.txt").c_str(), 0644);
    const std::string longCommand = "qv_no_such_program " + std::string(3000, 'x');
    struct Case {
        std::string command;
        const char* options;
        int expected;
    } cases[] = {
        {ProbePath() + " --record " + (dir / "r"), "BACKGROUND PMWINDOW", qv::kTaskRefused},
        {"qv_no_such_program_here --x", qv::kDefaultTaskOptions, qv::kTaskNotFound},
        {dir / "missing", qv::kDefaultTaskOptions, qv::kTaskNotFound},
        {"", qv::kDefaultTaskOptions, qv::kTaskNotFound},
        {"\"\" x", qv::kDefaultTaskOptions, qv::kTaskNotFound},
        {dir / "notes.txt", qv::kDefaultTaskOptions, qv::kTaskStartFailed},
        {dir.path(), qv::kDefaultTaskOptions, qv::kTaskNotFound},
        {longCommand, qv::kForegroundTaskOptions, qv::kTaskNotFound},
    };
    for (const auto& c : cases) {
        int pid = 0;
        EXPECT_EQ(qv::StartTask(c.command, c.options, pid), c.expected) << c.command;
        EXPECT_EQ(pid, 0) << c.command;
    }
    // The window title of the last one is cut at 2,047 characters.
    EXPECT_EQ(qv::LastStart().windowTitle, (" " + longCommand).substr(0, 2047));
    usleep(100000);
    EXPECT_FALSE(qvtest::FileExists(dir / "r")) << "the refused probe never ran";
}

TEST(LaunchTask, WarningsOnFailureAndResults) {
    qvtest::TempDir dir;
    qvtest::WriteFile(dir / "notes.txt", "x");
    chmod((dir / "notes.txt").c_str(), 0644);
    const std::string notes = dir / "notes.txt";
    struct Row {
        std::string command;
        bool independent;
        int result;
        std::string warning;  // "" for none
    } const rows[] = {
        {"qv_no_such_program -a \"b\"", false, qv::kTaskNotFound,
         "Executable Not Found: 'qv_no_such_program -a \"b\"'\n\nThis executable must be "
         "installed\nto the same directory as this application.\n"},
        {notes, true, qv::kTaskStartFailed,
         "Failed to Launch Task '" + notes +
             ", FOREGROUND, INDEPENDENT, WINSESSIONCHILD' Err=-32\n"},
        {ProbePath() + " --exit 0", true, qv::kTaskStarted, ""},
        {ProbePath() + " --exit 4", false, qv::kTaskWaited, ""},
    };
    qv::HeadlessHost host;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.command);
        host.ClearBoxes();
        EXPECT_EQ(qv::LaunchTask(r.command, r.independent, host), r.result);
        ASSERT_EQ(host.boxes.size(), r.warning.empty() ? 0u : 1u);
        if (!r.warning.empty()) {
            EXPECT_EQ(host.boxes[0].kind, qv::MsgKind::Warning);
            EXPECT_EQ(host.boxes[0].text, r.warning);
        }
    }
    EXPECT_EQ(qv::LastStart().exitStatus, 4);
}

TEST(LaunchTask, WaitingRepaintsOnlyAndRunsNoHandler) {
    qv::HeadlessHost host;
    bool ran = false;
    host.Post([&] { ran = true; });
    EXPECT_EQ(qv::LaunchTask(ProbePath() + " --sleep 300", false, host), qv::kTaskWaited);
    EXPECT_GT(host.paintPumps, 0);
    EXPECT_FALSE(ran);
    EXPECT_EQ(host.pending(), 1u);
}

TEST(RunAndWait, TimeLimitEndsTheWaitAndKillProcessEndsTheTool) {
    qv::HeadlessHost host;
    int pid = 0;
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(
        qv::RunAndWait(ProbePath() + " --ignore-term --sleep 20000", "RunKSQL", 0, 300, pid, &host),
        qv::kTaskWaited);
    qvtest::KillGuard guard(pid);
    auto spent = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(spent, std::chrono::milliseconds(290));
    EXPECT_LT(spent, std::chrono::milliseconds(5000));
    EXPECT_EQ(qv::LastStart().windowTitle, "RunKSQL");
    EXPECT_EQ(qv::LastStart().showMode, qv::ShowMode::MinimizedNoActivate);
    EXPECT_TRUE(qvtest::IsRunning(pid)) << "the caller decides what happens to the tool";
    kill(pid, SIGTERM);  // ignored by the tool
    usleep(50000);
    EXPECT_TRUE(qvtest::IsRunning(pid));
    EXPECT_EQ(qv::KillProcess(pid, &host), qv::kKillDone);
    EXPECT_EQ(qvtest::StateOf(pid).state, 0) << "ended and reaped";
    EXPECT_TRUE(host.boxes.empty());
}

TEST(RunAndWait, EndedToolKeepsItsIdUntilReleased) {
    int pid = 0;
    ASSERT_EQ(qv::RunAndWait(ProbePath() + " --exit 5", "T", 3, -1, pid), qv::kTaskWaited);
    EXPECT_EQ(qv::LastStart().exitStatus, 5);
    EXPECT_EQ(qv::LastStart().showMode, qv::ShowMode::Maximized);
    // Still reserved: the id cannot be given to another process before it is released.
    EXPECT_EQ(qvtest::StateOf(pid).state, 'Z');
    EXPECT_EQ(qv::KillProcess(pid), qv::kKillDone);
    EXPECT_EQ(qvtest::StateOf(pid).state, 0);
    EXPECT_TRUE(qvtest::OwnZombies().empty());
}

TEST(RunAndWait, ShowValuesAndStartFailures) {
    struct Case {
        int show;
        qv::ShowMode mode;
    } cases[] = {{0, qv::ShowMode::MinimizedNoActivate},
                 {3, qv::ShowMode::Maximized},
                 {9, qv::ShowMode::Restored},
                 {1, qv::ShowMode::Normal},
                 {-4, qv::ShowMode::Normal}};
    for (const auto& c : cases) {
        int pid = 0;
        EXPECT_EQ(qv::RunAndWait("qv_no_such_program", "t", c.show, -1, pid), qv::kTaskNotFound);
        EXPECT_EQ(pid, 0);
        EXPECT_EQ(qv::LastStart().showMode, c.mode) << c.show;
    }
}

int PidMax() {
    std::ifstream in("/proc/sys/kernel/pid_max");
    int n = 0;
    in >> n;
    return n;
}

TEST(KillProcess, AbsentProcessesCountAsEnded) {
    qv::HeadlessHost host;
    int pidMax = PidMax();
    ASSERT_GT(pidMax, 0);
    for (int pid : {0, -1, pidMax + 1}) {
        EXPECT_EQ(qv::KillProcess(pid, &host), qv::kKillDone) << pid;
    }
    EXPECT_TRUE(host.boxes.empty());
}

// The test program's guard: a process without the run's mark counts as one the tests did not
// start, and nothing in a test program can end it.
TEST(KillProcess, ATestProgramCannotEndAProcessItDidNotStart) {
    int pid = 0;
    {
        const qvtest::ScopedEnv unmarked("QV_TEST_RUN", std::nullopt);
        ASSERT_EQ(qv::StartTask(ProbePath() + " --sleep 20000", qv::kForegroundTaskOptions, pid),
                  qv::kTaskStarted);
    }
    EXPECT_EQ(qv::KillProcess(pid), qv::kKillFailed);
    EXPECT_TRUE(qvtest::IsRunning(pid));
    syscall(SYS_kill, pid, SIGKILL);
}

TEST(KillProcess, EndsAnIndependentProgram) {
    int pid = 0;
    ASSERT_EQ(qv::StartTask(ProbePath() + " --ignore-term --sleep 20000",
                            qv::kForegroundTaskOptions, pid),
              qv::kTaskStarted);
    qvtest::KillGuard guard(pid);
    EXPECT_TRUE(qvtest::IsRunning(pid));
    EXPECT_EQ(qv::KillProcess(pid), qv::kKillDone);
    EXPECT_TRUE(WaitUntil([&] { return !qvtest::IsRunning(pid); }));
}

}  // namespace

// The program's own directory first, then the system installation's library directory, then
// PATH.
TEST(FindProgram, OwnDirectoryThenLibraryDirectoryThenPath) {
    qvtest::TempDir dir;
    for (const char* d : {"own", "lib", "path"}) ASSERT_EQ(mkdir((dir / d).c_str(), 0755), 0);
    auto tool = [&](const char* d, const char* name) {
        ASSERT_TRUE(qvtest::WriteFile(dir / (std::string(d) + "/" + name), "#!/bin/sh\n"));
        ASSERT_EQ(chmod((dir / (std::string(d) + "/" + name)).c_str(), 0755), 0);
    };
    tool("own", "a");
    tool("lib", "a");
    tool("lib", "b");
    tool("path", "b");
    tool("path", "c");
    qvtest::ScopedEnv path{"PATH", dir / "path"};
    qv::SetProgramDirForTesting(dir / "own");
    qv::SetProgramLibraryDirForTesting(dir / "lib");
    const struct {
        const char* name;
        const char* found;  // the directory, or nullptr when none holds it
    } rows[] = {{"a", "own"}, {"b", "lib"}, {"c", "path"}, {"d", nullptr}};
    for (const auto& r : rows) {
        std::string found;
        const int err = qv::FindProgram(r.name, found);
        if (!r.found) {
            EXPECT_EQ(err, ENOENT) << r.name;
            continue;
        }
        EXPECT_EQ(err, 0) << r.name;
        EXPECT_EQ(found, dir / (std::string(r.found) + "/" + r.name)) << r.name;
    }
    qv::SetProgramDirForTesting("");
    qv::SetProgramLibraryDirForTesting("");
}
