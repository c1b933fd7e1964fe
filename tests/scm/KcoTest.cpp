#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/Trace.h"
#include "host/headless/HeadlessHost.h"
#include "process/Launcher.h"
#include "scm/Kco.h"
#include "scm/ToolCommand.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/scm/LockHolder.h"
#include "tests/support/TempEnv.h"

namespace {

using qvtest::TraceMessages;
using qvtest::WriteFile;
using Args = std::vector<std::string>;

const char kSummaryOk[] =
    "Checkout Summary: Total: 1 ; Success: 1 ; Failed: 0 ; Not Processed: 0 .";

class KcoTest : public ::testing::Test {
protected:
    void SetUp() override {
        qv::SetTraceFile(trace_);
        ctx_.host = &host_;
        ctx_.installDir = install_.path();
        ctx_.browseDir = install_ / "Temp";
        ctx_.broker = "Central";
        ctx_.userId = "jdoe";
        ctx_.password = "Secr3t!";
        ctx_.srcProject = "Payroll";
        ctx_.srcState = "DEV";
    }
    void TearDown() override { qv::SetTraceFile(""); }

    // A check-out tool that records its arguments and writes `log` as its log.
    std::string FakeKco(const std::string& log, bool withPackage) {
        WriteFile(work_ / "log-src", log);
        std::string t = qvtest::ProbePath() + " --record " + args_ + " --copy-to-opt " +
                        (work_ / "log-src") +
                        " -o -- -s \"%s\" -b \"%s\" -en \"%s\" -st \"%s\" -vp \\ -br -r -op pc -cp "
                        "\"%s\" -usr %s -pw %s -o kco.log";
        return withPackage ? t + " -p \"%s\" " : t;
    }
    // The arguments the tool received after "--".
    Args ToolArgs() {
        Args all = qvtest::ReadProbeRecord(args_).args;
        auto dash = std::find(all.begin(), all.end(), "--");
        return dash == all.end() ? Args{} : Args(dash + 1, all.end());
    }

    qvtest::TempDir install_;
    qvtest::TempDir work_;
    std::string trace_ = work_ / "Quorvel.trc";
    std::string args_ = work_ / "args";
    qv::HeadlessHost host_;
    qv::KcoContext ctx_;
};

TEST_F(KcoTest, LocalCopyAlreadyThereRunsNothing) {
    const std::string local = install_ / "Temp/Payroll/src/a.c";
    WriteFile(local, "int x;\n");
    ctx_.kcoFmt = FakeKco(kSummaryOk, false);
    EXPECT_EQ(qv::RunKco(ctx_, "\\Payroll\\src", "a.c"), 1);
    EXPECT_EQ(TraceMessages(trace_),
              (Args{"RunKco: START", "File already checked out for browse: " + local}));
    EXPECT_FALSE(qvtest::FileExists(args_));  // the tool did not run
    EXPECT_FALSE(qvtest::FileExists(qv::KcoLogPath(install_.path())));
}

TEST_F(KcoTest, EmptyLocalCopyIsCheckedOutAgain) {
    WriteFile(install_ / "Temp/Payroll/src/a.c", "");
    WriteFile(qv::KcoLogPath(install_.path()), "stale log\n");
    ctx_.kcoFmt = FakeKco(std::string(kSummaryOk) + "\n", false);
    EXPECT_EQ(qv::RunKco(ctx_, "\\Payroll\\src", "a.c"), 1);
    const std::string log = qv::KcoLogPath(install_.path());
    Args expectedArgs = {"-s",  "a.c",          "-b",   "Central", "-en", "Payroll", "-st",
                         "DEV", "-vp",          "\\",   "-br",     "-r",  "-op",     "pc",
                         "-cp", ctx_.browseDir, "-usr", "jdoe",    "-o",  log};
    EXPECT_EQ(ToolArgs(), expectedArgs);
    EXPECT_EQ(qvtest::ReadProbeRecord(args_).password, "Secr3t!");
    Args trace = TraceMessages(trace_);
    ASSERT_EQ(trace.size(), 6u);
    EXPECT_EQ(trace[0], "RunKco: START");
    EXPECT_EQ(trace[1].rfind("RunKco: ExecuteThis: " + qvtest::ProbePath(), 0), 0u);
    EXPECT_NE(trace[1].find(" -usr jdoe -o " + log), std::string::npos);
    EXPECT_EQ(trace[1].find("Secr3t!"), std::string::npos);
    EXPECT_EQ(trace[2], "RunKco: END return code=1");
    EXPECT_EQ(trace[3], "ReadKcoLog: START");
    EXPECT_EQ(trace[4], kSummaryOk);
    EXPECT_EQ(trace[5], "ReadKcoLog: END readcount=1");
    EXPECT_TRUE(host_.boxes.empty());
}

TEST_F(KcoTest, ItemAndPackageOptions) {
    struct Case {
        std::string package;
        std::string item;
        std::string expectedItem;
        bool expectPackage;
    } cases[] = {
        {"*", "", "*", false},      {"ab*c", "a.c", "a.c", false},     {"", "a.c", "a.c", false},
        {"P1", "a.c", "a.c", true}, {"Pkg \"q\"", "b.c", "b.c", true},
    };
    for (const auto& c : cases) {
        ctx_.checkoutPackage = c.package;
        ctx_.kcoFmt = FakeKco(std::string(kSummaryOk) + "\n", true);
        EXPECT_EQ(qv::RunKco(ctx_, "\\Payroll\\src", c.item), 1) << c.package;
        Args args = ToolArgs();
        ASSERT_GE(args.size(), 2u);
        EXPECT_EQ(args[1], c.expectedItem) << c.package;
        auto p = std::find(args.begin(), args.end(), "-p");
        if (c.expectPackage) {
            ASSERT_EQ(args.size(), 22u) << c.package;
            EXPECT_EQ(args[20], "-p");
            EXPECT_EQ(args[21], c.package);
        } else {
            EXPECT_EQ(p, args.end()) << c.package;
            EXPECT_EQ(args.size(), 20u) << c.package;
        }
    }
}

TEST_F(KcoTest, ToolThatCannotStart) {
    ctx_.kcoFmt = (work_ / "no-kco") + " -s \"%s\" -usr %s -pw %s -o kco.log";
    EXPECT_EQ(qv::RunKco(ctx_, "\\P", "a.c"), qv::kTaskNotFound);
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].text.rfind("Executable Not Found: '" + (work_ / "no-kco"), 0), 0u);
    Args trace = TraceMessages(trace_);
    ASSERT_EQ(trace.size(), 4u);
    EXPECT_EQ(trace[1].rfind("fsize failed: ", 0), 0u);
    EXPECT_EQ(trace[2].rfind("RunKco: ExecuteThis: ", 0), 0u);
    EXPECT_EQ(trace[3], "RunKco: Error: Execute RunKco Failed");
}

struct LogCase {
    const char* name;
    std::string log;
    int result;
    std::string text;
    std::vector<std::string> boxes;  // warning texts
};

TEST_F(KcoTest, InstallDirectoryKeptByAnotherProcessRunsNothing) {
    ctx_.kcoFmt = FakeKco(kSummaryOk, false);
    ctx_.lockWaitMs = 50;
    WriteFile(qv::KcoLogPath(install_.path()), "the other program's log\n");
    qvtest::LockHolder other(install_.path());
    ASSERT_TRUE(other.holds());
    EXPECT_EQ(qv::RunKco(ctx_, "\\Payroll\\src", "a.c"), 0);
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_NE(host_.boxes[0].text.find(" in use by process " + std::to_string(other.pid())),
              std::string::npos);
    EXPECT_FALSE(qvtest::FileExists(args_)) << "the tool did not run";
    EXPECT_EQ(qvtest::ReadFile(qv::KcoLogPath(install_.path())), "the other program's log\n");
}

TEST(ReadKcoLog, OutcomesOfLogs) {
    const std::string review = "\r\n\r\nReview the kco.log.";
    const std::string mixed =
        "checkout SUMMARY: total: 2 ; Success: 1 ; FaIlEd: 1 ; not processed: 0 .";
    const LogCase cases[] = {
        {"error line first",
         "E0012: Item not found\n" + std::string(kSummaryOk) + "\n",
         0,
         "E0012: Item not found",
         {"KCO Encountered Errors: E0012: Item not found" + review}},
        {"writable file then summary with failed 0",
         "E0101: The file is writable: /t/a.c\n" + std::string(kSummaryOk) + "\n",
         2,
         kSummaryOk,
         {}},
        {"mixed-case summary with a failed count",
         "\nchecking out a.c\n" + mixed + "\nnot read\n",
         3,
         mixed,
         {"KCO Summary shows failed count: 1" + review}},
        {"failed count without its delimiter is untrimmed",
         "Total: 3 ; Failed:  2 \n",
         1,
         "Total: 3 ; Failed:  2 ",
         {"KCO Summary shows failed count:  2 " + review}},
        {"failed count trimmed", "TOTAL: 1;FAILED:   0   ;\n", 1, "TOTAL: 1;FAILED:   0   ;", {}},
        {"no summary: last non-blank line", "one\n\ntwo\n\n", 4, "two", {}},
        {"no version found", "No version found for a.c\n", 1, "No version found for a.c", {}},
        {"no version found then more", "No version found for a.c\ndone\n", 2, "done", {}},
        {"empty log", "", 0, "", {}},
        {"lower-case e is no error", "error: odd\n", 1, "error: odd", {}},
        {"label needs its blank", "Total:3 ; Failed: 1 ;\n", 1, "Total:3 ; Failed: 1 ;", {}},
    };
    for (const auto& c : cases) {
        qvtest::TempDir install;
        qv::HeadlessHost host;
        WriteFile(qv::KcoLogPath(install.path()), c.log);
        std::string text = "before";
        EXPECT_EQ(qv::ReadKcoLog(host, install.path(), text), c.result) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
        std::vector<std::string> boxes;
        for (const auto& b : host.boxes) {
            EXPECT_EQ(b.kind, qv::MsgKind::Warning) << c.name;
            boxes.push_back(b.text);
        }
        EXPECT_EQ(boxes, c.boxes) << c.name;
    }
}

TEST(ReadKcoLog, TraceLines) {
    qvtest::TempDir install;
    qv::SetTraceFile(install / "t.trc");
    qv::HeadlessHost host;
    WriteFile(qv::KcoLogPath(install.path()),
              "E0101: The File Is Writable\r\nx 100% done\r\n" + std::string(kSummaryOk) + "\r\n");
    std::string text;
    EXPECT_EQ(qv::ReadKcoLog(host, install.path(), text), 3);
    EXPECT_EQ(TraceMessages(install / "t.trc"),
              (Args{"ReadKcoLog: START", "E0101: The File Is Writable", kSummaryOk,
                    "ReadKcoLog: END readcount=3"}));
    qv::SetTraceFile("");
}

TEST(ReadKcoLog, LogThatCannotBeOpenedOrRead) {
    qvtest::TempDir install;
    qv::HeadlessHost host;
    std::string text;
    EXPECT_EQ(qv::ReadKcoLog(host, install.path(), text), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, qv::MsgKind::Error);
    EXPECT_EQ(host.boxes[0].text, "Error: Unable to open " + qv::KcoLogPath(install.path()) +
                                      ": No such file or directory");
    EXPECT_EQ(text, host.boxes[0].text);

    host.ClearBoxes();
    std::filesystem::create_directory(qv::KcoLogPath(install.path()));
    EXPECT_EQ(qv::ReadKcoLog(host, install.path(), text), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, qv::MsgKind::Plain);
    EXPECT_EQ(host.boxes[0].text, "Unable to read: " + qv::KcoLogPath(install.path()));
    EXPECT_EQ(text, host.boxes[0].text);
}

TEST(RemovePackageOption, Table) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {qv::kDefaultKcoFmtWithPackage, std::string(qv::kDefaultKcoFmt) + "  "},
        {qv::kDefaultKcoFmt, qv::kDefaultKcoFmt},
        {"a -p x -o y", "a  -o y"},
        {"a -p x", "a -p x"},
        {"-p x y", " y"},
        {"a -p \"two words\" -o y", "a  words\" -o y"},
        {"kco -op pc -cp d", "kco -op pc -cp d"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(qv::RemovePackageOption(c.in), c.out) << c.in;
}

// The password placeholder of a stored template of the older form is left out with its option;
// other templates keep their text.
TEST(WithoutPasswordOption, Table) {
    struct Case {
        std::string in;
        size_t index;
        std::string out;
    } const cases[] = {
        {"ksql -b %s -usr %s -pw %s -t -f %s -o %s", 2, "ksql -b %s -usr %s -t -f %s -o %s"},
        {"kco -usr %s  -pw \"%s\" -o kco.log", 1, "kco -usr %s -o kco.log"},
        {"kco -usr %s -pw %s", 1, "kco -usr %s"},
        {qv::kDefaultKsqlFmt, 2, qv::kDefaultKsqlFmt},
        {"x -b %s -upw %s", 1, "x -b %s -upw %s"},
        {"x -b %s -pw=%s", 1, "x -b %s -pw=%s"},
        {"x %% -pw %s", 0, "x %%"},
        {"x -pw %s", 3, "x -pw %s"},
    };
    for (const Case& c : cases) EXPECT_EQ(qv::WithoutPasswordOption(c.in, c.index), c.out) << c.in;
    EXPECT_EQ(qv::FillToolCommand("t -u %s -pw %s -f %s", {"u", "pw", "f"}, 1), "t -u u -f f");
    EXPECT_EQ(qv::FillToolCommand("t -u %s -f %s", {"u", "pw", "f"}, 1), "t -u u -f f");
}

TEST(LocalItemPath, RepositoryPathBecomesLocal) {
    EXPECT_EQ(qv::LocalItemPath("/h/Temp", "\\Payroll\\src", "a.c"), "/h/Temp/Payroll/src/a.c");
    EXPECT_EQ(qv::LocalItemPath("/h/Temp1", "\\", "b"), "/h/Temp1//b");
}

}  // namespace
