// The query and check-out tools misbehaving in every way a stand-in can: for each, the message
// the user sees, a window that still answers, and the list and the user's files left as they
// were.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/Paths.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "engine/TargetData.h"
#include "host/headless/HeadlessHost.h"
#include "scm/Kco.h"
#include "scm/Ksql.h"
#include "tests/e2e/Fixture.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/support/TempEnv.h"
#include "ui/ExportImport.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowIds.h"
#include "ui/ReportCtrl.h"

namespace {

using Strings = std::vector<std::string>;

constexpr char kKsqlArgs[] = " -- -b %s -usr %s -pw %s -t -f %s -o %s";
constexpr char kKcoArgs[] =
    " -- -s \"%s\" -b \"%s\" -en \"%s\" -st \"%s\" -vp \\ -cp \"%s\" -usr %s -pw %s -o kco.log";

// What the user could lose: the list on screen and the files the program keeps.
struct Snapshot {
    Strings rows;
    std::string settings, savedList, targetData;
    bool operator==(const Snapshot&) const = default;
};

// The stand-ins answer every statement alike: the check that the target exists, which comes
// before the target query, is taken as passed, so that the stand-in's answer meets the query.
class TargetQueryWindow : public qv::CQuorvelDlg {
public:
    using CQuorvelDlg::CQuorvelDlg;
    bool TargetExists(const qv::TargetContext&) override { return true; }
};

class FailingTools : public ::testing::Test {
protected:
    void SetUp() override {
        qv::SwitchToRegistry(qv::kCompanyKey);
        e2e::UseAppDirectories(install_.path(), trace_);
        qv::SetTraceFile(trace_);
        window_ = std::make_unique<TargetQueryWindow>(host_);
        host_.ShowModeless(*window_);
        ASSERT_TRUE(window_->SaveSettings());
        qv::MainWindowValues& v = window_->Values();
        v.Broker = "demo";
        v.UserId = "ann";
        v.Password = "secret";
        v.SrcProject = "Payroll";
        v.SrcState = "DEV";
        v.TgtProject = "PayrollEU";
        v.TgtState = "DEV";
        v.TgtPackage = "EU0001";
        for (const char* name : {"tax.cpp", "vat.cpp"}) {
            qv::CFObj r;
            r.itemName = name;
            r.pathFullName = "\\Payroll\\src";
            r.mappedVersion = "3";
            r.packageName = "PAY0001";
            r.itemObjId = std::string("id-") + name;
            window_->SourceItems().SetAt(r.itemObjId, r);
        }
        window_->PostTopList();
        ASSERT_TRUE(qvtest::WriteFile(qv::CQuorvelDlg::SavedListPath(), "File,\r\nold.cpp,\r\n"));
        RestoreTargetData();
        before_ = Take();
    }
    void TearDown() override {
        window_.reset();
        qv::SwitchToProfile();
        qv::SetTraceFile("");
        qv::SetAppValues({});
    }

    std::string TargetDataPath() const { return install_ / qv::kTargetDataFileName; }
    // Target data of another state: the load asks the tool.
    void RestoreTargetData() {
        ASSERT_TRUE(qvtest::WriteFile(TargetDataPath(), "PayrollEU\nQA\n"));
    }
    Snapshot Take() const {
        Snapshot s;
        const qv::CReportCtrl& list = window_->ResultList();
        for (int r = 0; r < list.RowCount(); ++r) s.rows.push_back(list.CellText(r, 0));
        s.settings = qvtest::ReadFile(qv::SettingsFilePath());
        s.savedList = qvtest::ReadFile(qv::CQuorvelDlg::SavedListPath());
        s.targetData = qvtest::ReadFile(TargetDataPath());
        return s;
    }
    Strings Boxes() const { return e2e::BoxTexts(host_); }
    // The window answers: nothing waits, it takes input, and a well-behaved tool works again.
    void ExpectResponsive() {
        EXPECT_EQ(host_.waitCursorDepth(), 0);
        EXPECT_TRUE(window_->IsWindowEnabled());
        const std::string good = work_ / "good.dat";
        ASSERT_TRUE(qvtest::WriteFile(
            good, std::string(qv::kTargetHeaderMarker) + "\n\ntax.cpp\t\\PayrollEU\\src\t5\n"));
        window_->Values().KsqlFmt =
            qvtest::ProbePath() + " --copy-to-opt " + good + " -o" + kKsqlArgs;
        host_.ClearBoxes();
        EXPECT_TRUE(window_->GetTargetPackageData());
        EXPECT_EQ(window_->TargetItems().GetCount(), 1);
        EXPECT_TRUE(host_.boxes.empty());
    }

    qvtest::TempDir install_;
    qvtest::TempDir work_;
    std::string trace_ = work_ / "Quorvel.trc";
    qv::HeadlessHost host_;
    std::unique_ptr<qv::CQuorvelDlg> window_;
    Snapshot before_;
};

TEST_F(FailingTools, AQueryToolThatMisbehavesIsReportedAndChangesNothing) {
    const std::string stmt = qv::KsqlStatementPath(install_.path());
    const std::string result = qv::KsqlResultPath(install_.path());
    const std::string header = std::string(qv::kTargetHeaderMarker) + "\tMAPPEDVERSION\n\n";
    struct Case {
        const char* what;
        std::string actions;   // the stand-in's actions; empty: no such program
        std::string contents;  // copied to the result file when not empty
        Strings boxes;
        const char* stored = nullptr;  // the one target item taken, if any
    };
    const std::string runFailed = "Error: Target RunKsql failed - unable to connect to the broker.";
    // clang-format off
    const std::vector<Case> cases = {
        {"missing", "", "", {"Error: Execute RUNSQL Failed using " + stmt, runFailed}},
        {"exits at once without a file", "--exit 3", "", {runFailed}},
        {"crashes with a signal", "--signal 11", "", {runFailed}},
        {"1 MB without a line feed", "", std::string(1 << 20, 'a'),
         {"GetTargetPackageData: Error: Target line too long in " + result}},
        // A NUL reads as a blank: the rest of its line stays.
        {"NUL bytes", "", header + std::string("\0tax.cpp\t\\p\n", 12), {}, " tax.cpp"},
        // Item names are bytes: they are taken as they are and kept in the file.
        {"invalid UTF-8", "", header + "\xff\xfe\xc3(\t\\p\xe2\x82\n", {}, "\xff\xfe\xc3("},
        {"a header only", "", header, {}},
        {"a result file that is a directory", "--mkdir-opt -o", "", {runFailed}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RestoreTargetData();
        std::string actions = c.actions;
        if (!c.contents.empty()) {
            ASSERT_TRUE(qvtest::WriteFile(work_ / "result", c.contents));
            actions = "--copy-to-opt " + (work_ / "result") + " -o";
        }
        window_->Values().KsqlFmt = std::string(c.what) == "missing"
                                        ? std::string("ksql-not-installed-qv") + kKsqlArgs
                                        : qvtest::ProbePath() + " " + actions + kKsqlArgs;
        host_.ClearBoxes();
        EXPECT_EQ(window_->GetTargetPackageData(), c.boxes.empty());
        EXPECT_EQ(Boxes(), c.boxes);
        if (c.stored) {
            // Taken, and written to the file so that it reads back as the same item.
            ASSERT_EQ(window_->TargetItems().GetCount(), 1);
            const auto taken = window_->TargetItems();
            EXPECT_EQ(qvtest::ReadFile(TargetDataPath()).rfind("PayrollEU\nDEV\n", 0), 0u);
            EXPECT_NE(qv::CImport(*window_).LoadTargetData(), 0);
            std::string key;
            qv::CTFObj r;
            auto pos = window_->TargetItems().GetStartPosition();
            window_->TargetItems().GetNextAssoc(pos, key, r);
            EXPECT_EQ(r.itemName, c.stored);
            RestoreTargetData();
        } else {
            EXPECT_EQ(window_->TargetItems().GetCount(), 0);
        }
        EXPECT_EQ(Take(), before_);
        EXPECT_EQ(host_.waitCursorDepth(), 0);
        rmdir(result.c_str());
    }
    ExpectResponsive();
}

TEST_F(FailingTools, AHangingQueryToolIsEndedByTheTimeLimitAndTheRepeatToo) {
    std::string templ =
        qvtest::ProbePath() + " --record " + (work_ / "rec") + " --sleep 60000" + kKsqlArgs;
    qv::KsqlContext ctx(templ);
    ctx.host = &host_;
    ctx.installDir = install_.path();
    ctx.broker = "demo";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(qv::RunKsql(ctx, "SELECT 1", 1), qv::kKsqlFailed);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(30));
    // The stand-in (of the repeat, the last one started) no longer runs.
    const qvtest::ProbeRecord rec = qvtest::ReadProbeRecord(work_ / "rec");
    ASSERT_TRUE(rec.present);
    EXPECT_NE(kill(rec.pid, 0), 0);
    EXPECT_EQ(Take(), before_);
    ExpectResponsive();
}

TEST_F(FailingTools, ACheckOutToolThatMisbehavesIsReportedAndChangesNothing) {
    const std::string log = qv::KcoLogPath(install_.path());
    struct Case {
        const char* what;
        std::string contents;  // the log it writes; empty: none
        std::string box;       // the check-out's message; empty: none
    };
    // Without the editor next to the program, a check-out that went on says so as well.
    const std::string noEditor = "Executable Not Found: '" + (install_ / "CrystalEdit");
    const std::vector<Case> cases = {
        {"no log", "", "Error: Unable to open " + log + ": No such file or directory"},
        {"a log without summary", "Checking out tax.cpp\n", ""},
        {"a summary with huge numbers",
         "Checkout Summary: Total: 99999999999999999999999 ; Success: 0 ; Failed: "
         "99999999999999999999999 ; Not Processed: 0 .\n",
         "KCO Summary shows failed count: 99999999999999999999999\r\n\r\nReview the kco.log."},
    };
    window_->ResultList().SetRowFocused(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string actions = "--exit 0";
        if (!c.contents.empty()) {
            ASSERT_TRUE(qvtest::WriteFile(work_ / "log", c.contents));
            actions = "--copy-to-opt " + (work_ / "log") + " -o";
        }
        window_->Values().KcoFmt = qvtest::ProbePath() + " " + actions + kKcoArgs;
        host_.ClearBoxes();
        window_->OnCommand(qv::ID_OPEN_CRYSTALEDIT);
        Strings boxes = Boxes();
        if (!c.box.empty()) {
            ASSERT_FALSE(boxes.empty());
            EXPECT_EQ(boxes.front(), c.box);
            boxes.erase(boxes.begin());
        }
        // Only a log without an error line lets the action go on to the editor.
        if (c.contents.empty()) {
            EXPECT_TRUE(boxes.empty());
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].rfind(noEditor, 0), 0u) << boxes[0];
        }
        EXPECT_EQ(Take(), before_);
        EXPECT_TRUE(host_.opened.empty());
        EXPECT_EQ(host_.waitCursorDepth(), 0);
    }
    ExpectResponsive();
}

}  // namespace
