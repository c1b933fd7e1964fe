#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "app/Trace.h"
#include "host/headless/HeadlessHost.h"
#include "process/Launcher.h"
#include "scm/Ksql.h"
#include "scm/Repository.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/scm/LockHolder.h"
#include "tests/support/TempEnv.h"

namespace {

using qvtest::ReadFile;
using qvtest::TraceMessages;
using qvtest::WriteFile;

class KsqlTest : public ::testing::Test {
protected:
    void SetUp() override {
        qv::SetTraceFile(trace_);
        ctx_.host = &host_;
        ctx_.installDir = install_.path();
        ctx_.broker = "Central";
        ctx_.userId = "jdoe";
        ctx_.password = "Secr3t!";
    }
    void TearDown() override { qv::SetTraceFile(""); }

    // A query tool that records its arguments and performs the given actions.
    std::string FakeKsql(const std::string& actions) {
        return qvtest::ProbePath() + " --record " + args_ + " " + actions +
               " -- -b %s -usr %s -pw %s -t -f %s -o %s";
    }
    std::string Stmt() const { return qv::KsqlStatementPath(install_.path()); }
    std::string Dat() const { return qv::KsqlResultPath(install_.path()); }
    // The command as run and traced: the older template's "-pw %s" is left out.
    std::string TracedCommand(const std::string& program) const {
        return program + " -- -b Central -usr jdoe -t -f " + Stmt() + " -o " + Dat();
    }

    qvtest::TempDir install_;
    qvtest::TempDir work_;
    std::string trace_ = work_ / "Quorvel.trc";
    std::string args_ = work_ / "args";
    qv::HeadlessHost host_;
    std::string ksqlFmt_;
    qv::KsqlContext ctx_{ksqlFmt_};
};

TEST_F(KsqlTest, RowsGiveOneRunAndOnlyTheMaskedCommandLineIsTraced) {
    WriteFile(work_ / "rows", "MAPPEDVERSION\n3.1.1\n\n4\n");
    ctx_.ksqlFmt = FakeKsql("--copy-to-opt " + (work_ / "rows") + " -o");
    const std::string statement = "SELECT 'it''s' FROM T WHERE A LIKE '%.%.1' AND B = \"%s\" %d";
    ASSERT_EQ(qv::RunKsql(ctx_, statement), 1);

    EXPECT_EQ(
        TraceMessages(trace_),
        std::vector<std::string>{TracedCommand(qvtest::ProbePath() + " --record " + args_ +
                                               " --copy-to-opt " + (work_ / "rows") + " -o")});
    // The statement file holds the statement unchanged, without a line end.
    EXPECT_EQ(ReadFile(Stmt()), statement);
    // The tool itself receives the password, in its environment and not on its command line.
    qvtest::ProbeRecord rec = qvtest::ReadProbeRecord(args_);
    EXPECT_EQ(rec.password, "Secr3t!");
    for (const std::string& arg : rec.args) EXPECT_EQ(arg.find("Secr3t!"), std::string::npos);
    EXPECT_EQ(qv::LastStart().windowTitle, "RunKSQL");
    EXPECT_EQ(qv::LastStart().showMode, qv::ShowMode::MinimizedNoActivate);
    EXPECT_EQ(qvtest::StateOf(rec.pid).state, 0) << "the tool is released";
    EXPECT_EQ(qv::ReadValues(install_.path(), host_), (std::vector<std::string>{"3.1.1", "4"}));
    EXPECT_TRUE(host_.boxes.empty());
}

TEST_F(KsqlTest, ToolThatWritesNoResultFileIsRunTwiceThenGivesUp) {
    ctx_.ksqlFmt = FakeKsql("--exit 0");
    EXPECT_EQ(qv::RunKsql(ctx_, "SELECT 1"), 0);
    const std::string cmd = TracedCommand(qvtest::ProbePath() + " --record " + args_ + " --exit 0");
    const std::string fsize = "fsize failed: " + Dat() + "  err=2";
    std::vector<std::string> expected;
    for (int run = 0; run < 2; ++run) {
        expected.push_back(cmd);
        expected.insert(expected.end(), 1001, fsize);
    }
    expected.push_back("Error: " + Dat() + " returned zero results.");
    std::vector<std::string> got = TraceMessages(trace_);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
    EXPECT_TRUE(host_.boxes.empty());
}

TEST_F(KsqlTest, EmptyResultFileIsRepeatedWithoutSizeFailures) {
    WriteFile(work_ / "empty", "");
    ctx_.ksqlFmt = FakeKsql("--copy-to-opt " + (work_ / "empty") + " -o");
    EXPECT_EQ(qv::RunKsql(ctx_, "SELECT 1"), 0);
    std::vector<std::string> got = TraceMessages(trace_);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], got[1]);
    EXPECT_EQ(got[2], "Error: " + Dat() + " returned zero results.");
}

TEST_F(KsqlTest, ErrorTextInTheResultIsASuccessfulRun) {
    WriteFile(work_ / "err", "Error: no such table: KESFOO\n");
    ctx_.ksqlFmt = FakeKsql("--copy-to-opt " + (work_ / "err") + " -o");
    EXPECT_EQ(qv::RunKsql(ctx_, "SELECT * FROM KESFOO"), 1);
    qv::FirstValue v = qv::ReadFirstValue(install_.path(), host_);
    EXPECT_TRUE(v.found);
    EXPECT_EQ(v.value, "Error: no such table: KESFOO");
    EXPECT_TRUE(qv::ReadValues(install_.path(), host_).empty());
}

TEST_F(KsqlTest, ToolThatCannotStart) {
    ctx_.ksqlFmt = work_ / "no-ksql" + " -b %s -usr %s -pw %s -t -f %s -o %s";
    EXPECT_EQ(qv::RunKsql(ctx_, "SELECT 1"), 0);
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].kind, qv::MsgKind::Plain);
    EXPECT_EQ(host_.boxes[0].text, "Error: Execute RUNSQL Failed using " + Stmt());
    std::vector<std::string> got = TraceMessages(trace_);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0],
              (work_ / "no-ksql") + " -b Central -usr jdoe -t -f " + Stmt() + " -o " + Dat());
}

TEST_F(KsqlTest, EmptyTemplateFallsBackToTheDefaultAndKeepsIt) {
    ctx_.ksqlFmt = "";
    qv::RunKsql(ctx_, "SELECT 1");
    EXPECT_EQ(ksqlFmt_, qv::kDefaultKsqlFmt) << "the owner's own template keeps the default";
    std::vector<std::string> got = TraceMessages(trace_);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0], "ksql -b Central -usr jdoe -t -f " + Stmt() + " -o " + Dat());
}

TEST_F(KsqlTest, TimeLimitEndsTheToolAndTheResultIsStillRead) {
    WriteFile(work_ / "rows", "H\nv\n");
    ctx_.ksqlFmt = FakeKsql("--copy-to-opt " + (work_ / "rows") + " -o --sleep 20000");
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(qv::RunKsql(ctx_, "SELECT 1", 1), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
    qvtest::ProbeRecord rec = qvtest::ReadProbeRecord(args_);
    ASSERT_TRUE(rec.present);
    EXPECT_EQ(qvtest::StateOf(rec.pid).state, 0) << "ended and reaped";
    EXPECT_GT(host_.paintPumps, 0);
}

TEST_F(KsqlTest, StatementFileThatCannotBeWritten) {
    ctx_.installDir = install_ / "missing";
    ctx_.ksqlFmt = FakeKsql("--exit 0");
    // Distinct from a failed tool run, so that the caller ends its action.
    EXPECT_EQ(qv::RunKsql(ctx_, "SELECT 1"), qv::kKsqlStatementUnwritten);
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].kind, qv::MsgKind::Error);
    EXPECT_EQ(host_.boxes[0].text, "Error: Unable to write " + (install_ / "missing/ksqlstmt.sql") +
                                       ": No such file or directory");
    EXPECT_EQ(TraceMessages(trace_), std::vector<std::string>{host_.boxes[0].text});
    EXPECT_FALSE(qvtest::FileExists(args_)) << "the tool did not run";
}

TEST_F(KsqlTest, InstallDirectoryKeptByAnotherProcessEndsTheQueryAfterTheWait) {
    WriteFile(work_ / "rows", "V\nmine\n");
    ctx_.ksqlFmt = FakeKsql("--copy-to-opt " + (work_ / "rows") + " -o");
    qv::KsqlRepository repo(ctx_, -1, 100);
    {
        qvtest::LockHolder other(install_.path());
        ASSERT_TRUE(other.holds());
        EXPECT_EQ(repo.Run("SELECT 1"), qv::kKsqlStatementUnwritten);
        const std::string text = "Error: The install directory " + install_.path() +
                                 " is in use by process " + std::to_string(other.pid()) +
                                 "; try again when it has finished.";
        ASSERT_EQ(host_.boxes.size(), 1u);
        EXPECT_EQ(host_.boxes[0].kind, qv::MsgKind::Error);
        EXPECT_EQ(host_.boxes[0].text, text);
        EXPECT_EQ(TraceMessages(trace_), std::vector<std::string>{text});
        EXPECT_FALSE(qvtest::FileExists(Stmt())) << "nothing was written";
    }
    ASSERT_EQ(repo.Run("SELECT 1"), qv::kKsqlOk);
    EXPECT_EQ(repo.First().value, "mine");
}

struct ReaderCase {
    const char* name;
    std::string content;
    bool found;
    std::string first;
    std::vector<std::string> values;
};

TEST(ResultReaders, FirstValueAndValues) {
    const std::string zero = "KSQL query has Zero results.";
    const std::string longLine(5000, 'q');
    const ReaderCase cases[] = {
        {"no line at all", "", false, "Error: Unable to fetch data from ksqlstmt.dat", {}},
        {"header only", "MAPPEDVERSION\n", false, "", {}},
        {"blank header and blank lines", "\n\n\n", false, "", {}},
        {"rows with a blank between", "H\n3.1.1\n\n3.2.4\n", true, "3.1.1", {"3.1.1", "3.2.4"}},
        {"zero results only", zero + "\n", true, zero, {}},
        // The tool writes its own lines only as the whole file: later, they are values.
        {"zero results after the header", "H\n" + zero + "\nmore\n", true, zero, {zero, "more"}},
        {"error after a row", "H\nv1\nError: broken\n", true, "v1", {"v1", "Error: broken"}},
        {"error first", "Error: Incorrect Login\n", true, "Error: Incorrect Login", {}},
        {"error after blank lines", "\n\nError: x\n", true, "Error: x", {}},
        {"zero results without the dot is a value",
         "H\nKSQL query has Zero results\n",
         true,
         "KSQL query has Zero results",
         {"KSQL query has Zero results"}},
        {"a long line is two values",
         "H\n" + longLine + "\n",
         true,
         longLine.substr(0, 4095),
         {longLine.substr(0, 4095), longLine.substr(4095)}},
        {"CR LF lines", "H\r\nv1\r\n", true, "v1", {"v1"}},
    };
    qvtest::TempDir install;
    qv::HeadlessHost host;
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteFile(qv::KsqlResultPath(install.path()), c.content));
        qv::FirstValue v = qv::ReadFirstValue(install.path(), host);
        EXPECT_EQ(v.found, c.found) << c.name;
        EXPECT_EQ(v.value, c.first) << c.name;
        EXPECT_EQ(qv::ReadValues(install.path(), host), c.values) << c.name;
    }
    EXPECT_TRUE(host.boxes.empty());
}

TEST(ResultReaders, MissingFileShowsUnableToRead) {
    qvtest::TempDir install;
    qv::HeadlessHost host;
    qv::FirstValue v = qv::ReadFirstValue(install.path(), host);
    EXPECT_FALSE(v.found);
    EXPECT_EQ(v.value, "");
    EXPECT_TRUE(qv::ReadValues(install.path(), host).empty());
    ASSERT_EQ(host.boxes.size(), 2u);
    for (const auto& box : host.boxes) {
        EXPECT_EQ(box.kind, qv::MsgKind::Plain);
        EXPECT_EQ(box.text, "Unable to read: " + qv::KsqlResultPath(install.path()));
    }
}

}  // namespace
