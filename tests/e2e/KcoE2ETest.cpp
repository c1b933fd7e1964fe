// The check-out runner and the log reader against the real kco on a demo repository.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "app/Trace.h"
#include "host/headless/HeadlessHost.h"
#include "process/CommandLine.h"
#include "process/Launcher.h"
#include "scm/Kco.h"
#include "scm/Ksql.h"
#include "scm/ToolCommand.h"
#include "tests/e2e/Fixture.h"
#include "tests/e2e/Repository.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/support/TempEnv.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const char kSummaryOk[] =
    "Checkout Summary: Total: 1 ; Success: 1 ; Failed: 0 ; Not Processed: 0 .";

bool IsReadOnly(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

void MakeWritable(const std::string& path) {
    ASSERT_EQ(chmod(path.c_str(), 0644), 0) << path;
}

using e2e::Contains;

class KcoEndToEnd : public e2e::EndToEnd {
protected:
    void TearDown() override {
        EndToEnd::TearDown();
        // Whatever ran, the password never reaches the trace in clear.
        EXPECT_FALSE(Contains(qvtest::ReadFile(trace_), e2e::kTesterPassword));
    }

    std::string Log() const { return qvtest::ReadFile(qv::KcoLogPath(install_.path())); }

    qv::KcoContext ctx_ = KcoSettings("Payroll", "DEV", "PAY0001");
};

TEST_P(KcoEndToEnd, ChecksOutBelowTheBrowseDirectoryKeepingTheRepositoryPath) {
    struct Case {
        const char* path;
        const char* name;
        const char* package;
        const char* content;  // a part of the checked-out file
        bool packageOption;   // whether the tool is given -p
    };
    const std::vector<Case> cases = {
        {"\\Payroll\\src\\calc", "tax.cpp", "PAY0001", "version 3, package PAY0001", true},
        {"\\", "Makefile", "PAY0001", "version 1, package PAY0001", true},
        {"\\Payroll\\doc", "Release Notes.txt", "PAY0001", "version 2, package PAY0001", true},
        {"\\Payroll\\src\\util", "util.cpp", "PAY0002", "version 1.9.1, package PAY0002", true},
        // "*" anywhere in the package means no package: the latest version of any package.
        {"\\Payroll\\src\\util", "util.cpp", "*", "version 1.10.1, package PAY0001", false},
        {"\\Payroll\\src\\util", "util.cpp", "PAY*", "version 1.10.1, package PAY0001", false},
        {"\\Payroll\\src\\calc", "holiday.cpp", "", "version 5, package PAY0001", false},
        {"\\Payroll\\res", "logo.bmp", "PAY0001", "BM", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " / " + c.package);
        qvtest::TempDir browse;
        ctx_.browseDir = browse / "Temp";
        ctx_.checkoutPackage = c.package;
        host_.ClearBoxes();
        qvtest::WriteFile(trace_, "");

        EXPECT_GT(qv::RunKco(ctx_, c.path, c.name), 0);
        const std::string local = qv::LocalItemPath(ctx_.browseDir, c.path, c.name);
        EXPECT_TRUE(fs::is_regular_file(local)) << local;
        EXPECT_TRUE(Contains(qvtest::ReadFile(local), c.content)) << qvtest::ReadFile(local);
        EXPECT_TRUE(IsReadOnly(local));
        EXPECT_TRUE(host_.boxes.empty());
        EXPECT_TRUE(Contains(Log(), kSummaryOk)) << Log();

        // The command, traced as it ran, carries no password: the tool got it in its
        // environment and checked the real one.
        EXPECT_EQ(CheckOutCommands(),
                  Lines{"kco -s \"" + std::string(c.name) +
                        "\" -b \"demo\" -en \"Payroll\" -st \"DEV\" -vp \\ -br -r -op pc -cp \"" +
                        ctx_.browseDir + "\" -usr qvtester -o " + qv::KcoLogPath(install_.path()) +
                        (c.packageOption ? "   -p \"" + std::string(c.package) + "\"" : "  ")});
    }
}

TEST_P(KcoEndToEnd, ToolErrorsGiveZeroAndTheirLine) {
    struct Case {
        const char* what;
        std::string project, package, item, password;
        const char* line;  // the start of the error line
    };
    const std::vector<Case> cases = {
        {"unknown item", "Payroll", "", "nosuch.cpp", e2e::kTesterPassword,
         "E0010 No version found for item 'nosuch.cpp'"},
        {"item not in the package", "Payroll", "PAY0002", "tax.cpp", e2e::kTesterPassword,
         "E0010 No version found for item 'tax.cpp'"},
        {"unknown package", "Payroll", "NOPKG", "tax.cpp", e2e::kTesterPassword,
         "E0006 Package 'NOPKG' not found"},
        {"unknown project", "Nope", "", "tax.cpp", e2e::kTesterPassword,
         "E0004 Project 'Nope' not found"},
        {"refused login", "Payroll", "", "tax.cpp", "wrong", "E0002 Incorrect Login"},
        {"a deleted version", "Payroll", "PAY0001", "obsolete.cpp", e2e::kTesterPassword,
         "E0022 Cannot check out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host_.ClearBoxes();
        ctx_.srcProject = c.project;
        ctx_.checkoutPackage = c.package;
        ctx_.password = c.password;

        EXPECT_EQ(qv::RunKco(ctx_, "\\Payroll\\src\\calc", c.item), 0);
        ASSERT_EQ(host_.boxes.size(), 1u);
        EXPECT_EQ(host_.boxes[0].kind, qv::MsgKind::Warning);
        const std::string& box = host_.boxes[0].text;
        EXPECT_EQ(box.rfind(std::string("KCO Encountered Errors: ") + c.line, 0), 0u) << box;
        EXPECT_TRUE(box.ends_with("\r\n\r\nReview the kco.log.")) << box;
        EXPECT_FALSE(
            qvtest::FileExists(qv::LocalItemPath(ctx_.browseDir, "\\Payroll\\src\\calc", c.item)));

        std::string text;
        EXPECT_EQ(qv::ReadKcoLog(host_, install_.path(), text), 0);
        EXPECT_EQ(text.rfind(c.line, 0), 0u) << text;
    }
}

// The latest-version check-out of the compare action over a writable local file: the tool's
// line about it is traced as it is and does not count as an error.
TEST_P(KcoEndToEnd, WritableLocalFileIsReplacedWithoutCountingAsFailure) {
    const std::string compare = install_ / "Temp1";
    std::string command = qv::FillToolCommand(
        qv::RemovePackageOption(qv::kDefaultKcoFmtWithPackage) + " -p \"%s\" -vn %s",
        {"tax.cpp", "demo", "PayrollEU", "DEV", compare, e2e::kTester, e2e::kTesterPassword,
         "EU0001", "5"},
        6);
    const qv::ChildVariableScope password(qv::kToolPasswordVariable, e2e::kTesterPassword);
    command.replace(command.find("kco.log"), 7, qv::KcoLogPath(install_.path()));
    const std::string local = qv::LocalItemPath(compare, "\\Payroll\\src\\calc", "tax.cpp");
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "fresh" : "over a writable file");
        if (run == 1) MakeWritable(local);
        unlink(qv::KcoLogPath(install_.path()).c_str());
        ASSERT_EQ(qv::LaunchTask(command, false, host_), qv::kTaskWaited);
        std::string text;
        // The tool's lines: its heading, the writable-file line on the second run, the
        // checked-out line, the summary.
        EXPECT_EQ(qv::ReadKcoLog(host_, install_.path(), text), run == 0 ? 3 : 4) << Log();
        EXPECT_EQ(text, kSummaryOk);
        EXPECT_TRUE(host_.boxes.empty());
        EXPECT_TRUE(IsReadOnly(local));
        EXPECT_TRUE(Contains(qvtest::ReadFile(local), "version 5, package EU0001"));
    }
    const Lines trace = qvtest::TraceMessages(trace_);
    EXPECT_TRUE(std::any_of(trace.begin(), trace.end(), [&](const std::string& line) {
        return line.rfind("E0031 ", 0) == 0 && Contains(line, local);
    }));
}

// A repository whose paths and item names try to lead out of the browse directory.
class UnsafeNamesEndToEnd : public KcoEndToEnd {
protected:
    void ChangeRepository(e2e::DemoRepository& repo) override {
        repo.Exec(
            "INSERT INTO KESPATHFULLNAME (VERSIONOBJID, PATHFULLNAME) "
            "VALUES (900001, '\\..\\..\\escaped');"
            "UPDATE KESVERSIONS SET PATHVERSIONID = 900001 WHERE ITEMNAMEID = "
            "(SELECT NAMEOBJID FROM KESITEMNAME WHERE ITEMNAME = 'newscreen.cpp');"
            "UPDATE KESITEMNAME SET ITEMNAME = '../../../../evil.cpp', "
            "ITEMNAMEUPPER = '../../../../EVIL.CPP' WHERE ITEMNAME = 'zero.cpp';");
    }
};

TEST_P(UnsafeNamesEndToEnd, PathsLeadingOutOfTheBrowseDirectoryAreRefused) {
    struct Case {
        const char* path;
        const char* name;
        const char* outside;  // where the file would land, relative to the case's directory
    };
    const std::vector<Case> cases = {
        {"\\..\\..\\escaped", "newscreen.cpp", "escaped/newscreen.cpp"},
        {"\\Payroll\\src\\calc", "../../../../evil.cpp", "nest/evil.cpp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Two levels below a directory of its own, so that every way out stays inside it.
        qvtest::TempDir root;
        ctx_.browseDir = root / "nest/Temp";
        const std::string outside = root / c.outside;
        for (bool planted : {false, true}) {
            SCOPED_TRACE(planted ? "a file already there" : "nothing there");
            host_.ClearBoxes();
            if (planted) qvtest::WriteFile(outside, "not from the repository\n");

            EXPECT_EQ(qv::RunKco(ctx_, c.path, c.name), 0);
            ASSERT_EQ(host_.boxes.size(), 1u);
            EXPECT_TRUE(Contains(host_.boxes[0].text, "KCO Encountered Errors: E0020 Refused"))
                << host_.boxes[0].text;
            if (planted) {
                EXPECT_EQ(qvtest::ReadFile(outside), "not from the repository\n");
            } else {
                EXPECT_FALSE(fs::exists(outside));
                EXPECT_FALSE(fs::exists(root / "escaped"));
            }
        }
    }
}

QV_E2E_ON_BOTH_BACKENDS(KcoEndToEnd);
QV_E2E_ON_BOTH_BACKENDS(UnsafeNamesEndToEnd);

}  // namespace
