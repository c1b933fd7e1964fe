// Another local user who reads every process's command line while the runners start the real
// tools many times never sees the password.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "scm/Kco.h"
#include "scm/Ksql.h"
#include "tests/e2e/Fixture.h"
#include "tests/support/ToolRunner.h"

namespace {

// A user id that no account and no process has: the spy's own.
uid_t UnusedUid() {
    for (uid_t uid = 61000; uid < 62000; ++uid)
        if (!getpwuid(uid)) return uid;
    return 0;
}

// qv_cmdline_spy running as another user until Stop().
class Spy {
public:
    Spy(const std::string& needle, const std::string& marker) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        std::string program = qvtest::BinDir() + "/qv_cmdline_spy";
        std::string uid = std::to_string(UnusedUid());
        std::string needleVar = "QV_SPY_NEEDLE=" + needle, markerVar = "QV_SPY_MARKER=" + marker;
        char* argv[] = {program.data(), uid.data(), nullptr};
        char* envp[] = {needleVar.data(), markerVar.data(), nullptr};
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            execve(program.c_str(), argv, envp);
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toSpy_ = in[1];
        fromSpy_ = out[0];
    }
    ~Spy() { Stop(); }

    // Ends the watch and gives back its report ("hits=H marked=M scans=S"); the spy's exit code
    // when it failed.
    std::string Stop() {
        if (pid_ <= 0) return report_;
        close(toSpy_);
        char buf[256];
        ssize_t n;
        while ((n = read(fromSpy_, buf, sizeof buf)) > 0) report_.append(buf, n);
        close(fromSpy_);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = 0;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            report_ = "spy failed, status " + std::to_string(status);
        return report_;
    }
    static long Count(const std::string& report, const char* key) {
        const size_t at = report.find(std::string(key) + "=");
        return at == std::string::npos ? -1 : std::atol(report.c_str() + at + strlen(key) + 1);
    }

private:
    pid_t pid_ = 0;
    int toSpy_ = -1, fromSpy_ = -1;
    std::string report_;
};

class PasswordSpyEndToEnd : public e2e::EndToEnd {};

TEST_P(PasswordSpyEndToEnd, AnotherUserReadingEveryCommandLineNeverSeesThePassword) {
    if (geteuid() != 0) GTEST_SKIP() << "the spy needs root to become another user";
    // Only the processes of this test count: the tools name its install directory on their
    // command lines (-f, -cp), and tests that run beside it may start tools of their own.
    const std::string marker = install_.path();

    // The spy does see a password that is on a command line.
    {
        Spy control(e2e::kTesterPassword, marker);
        qvtest::RunProgram(qvtest::ProbePath(),
                           {"--sleep", "300", "--", "-f", marker, "-pw", e2e::kTesterPassword});
        const std::string report = control.Stop();
        ASSERT_GT(Spy::Count(report, "hits"), 0) << report;
    }

    std::string ksqlFmt = qv::kDefaultKsqlFmt;
    qv::KsqlContext ksql(ksqlFmt);
    ksql.host = &host_;
    ksql.installDir = install_.path();
    ksql.broker = "demo";
    ksql.userId = e2e::kTester;
    ksql.password = e2e::kTesterPassword;
    qv::KcoContext kco = KcoSettings("Payroll", "DEV", "PAY0001");
    const std::string copy = qv::LocalItemPath(kco.browseDir, "\\Payroll\\src\\calc", "tax.cpp");

    Spy spy(e2e::kTesterPassword, marker);
    constexpr int kRuns = 500;
    for (int run = 0; run < kRuns; ++run) {
        if (run % 10 == 9) {
            unlink(copy.c_str());
            ASSERT_GT(qv::RunKco(kco, "\\Payroll\\src\\calc", "tax.cpp"), 0) << run;
        } else {
            ASSERT_EQ(qv::RunKsql(ksql, "SELECT COUNT(*) FROM KESPACKAGE"), qv::kKsqlOk) << run;
            ASSERT_NE(qv::ReadFirstValue(install_.path(), host_).value.find_first_of("123456789"),
                      std::string::npos);
        }
    }
    const std::string report = spy.Stop();
    std::printf("spy over %d tool runs: %s", kRuns, report.c_str());
    EXPECT_EQ(Spy::Count(report, "hits"), 0) << report;
    EXPECT_GT(Spy::Count(report, "marked"), 0) << "the spy saw no tool run: " << report;
    EXPECT_TRUE(host_.boxes.empty());
}

QV_E2E_ON_BOTH_BACKENDS(PasswordSpyEndToEnd);

}  // namespace
