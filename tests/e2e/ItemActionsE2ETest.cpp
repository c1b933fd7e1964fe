// The item actions of the result list against the real kco and ksql on the demo repository, with
// the companion programs replaced by probes that record their command line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/MainSettings.h"
#include "scm/Kco.h"
#include "tests/e2e/Fixture.h"
#include "tests/helpers/ProbeSupport.h"
#include "ui/MainWindow.h"
#include "ui/WaitDlg.h"

namespace {

using Lines = std::vector<std::string>;

using e2e::Contains;
// A source row of package PAY0001 in project Payroll, state DEV.
qv::CFObj Row(const std::string& path, const std::string& name) {
    qv::CFObj r;
    r.itemName = name;
    r.pathFullName = path;
    r.mappedVersion = "1";
    r.itemType = "1";
    r.versionStatus = "N";
    r.packageName = "PAY0001";
    r.itemObjId = "id-" + name;
    return r;
}

class ItemActionsEndToEnd : public e2e::EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        SetAppDirectories();
        for (const char* companion : {"CrystalEdit", "HexViewer", "WinDiff"}) {
            const std::string script = install_ / companion;
            ASSERT_TRUE(qvtest::WriteFile(script, "#!/bin/sh\nexec " + qvtest::ProbePath() +
                                                      " --record " + Record(companion) +
                                                      " -- \"$@\"\n"));
            ASSERT_EQ(chmod(script.c_str(), 0755), 0);
        }
        window_ = std::make_unique<qv::CQuorvelDlg>(host_);
        host_.ShowModeless(*window_);
        qv::MainWindowValues& v = window_->Values();
        v.Broker = "demo";
        v.UserId = e2e::kTester;
        v.Password = e2e::kTesterPassword;
        v.SrcProject = "Payroll";
        v.SrcState = "DEV";
        window_->SetDlgItemText(qv::IDC_TGT_PROJECT, "PayrollEU");
        window_->SetDlgItemText(qv::IDC_TGT_STATE, "DEV");
        window_->SetDlgItemText(qv::IDC_TGT_PACKAGE, "EU0001");
    }
    void TearDown() override {
        window_.reset();
        EndToEnd::TearDown();
        EXPECT_FALSE(Contains(qvtest::ReadFile(trace_), e2e::kTesterPassword));
    }

    std::string Record(const std::string& companion) const { return work_ / (companion + ".rec"); }
    // The arguments a companion was started with (program first), once it has written them.
    Lines Started(const std::string& companion) const {
        const std::string path = Record(companion);
        if (!qvtest::WaitUntil([&] { return qvtest::ReadProbeRecord(path).args.size() > 1; }))
            return {};
        // What the companion was given comes after the probe's own arguments.
        const Lines args = qvtest::ReadProbeRecord(path).args;
        const auto dash = std::find(args.begin(), args.end(), "--");
        return dash == args.end() ? Lines{} : Lines(dash + 1, args.end());
    }
    // Shows the row in the list and focuses it, as a right click does.
    void Focus(const qv::CFObj& row) {
        window_->SourceItems().RemoveAll();
        window_->SourceItems().SetAt(row.itemObjId, row);
        window_->PostTopList();
        window_->ResultList().SetRowFocused(0);
    }
    std::string Browse(const std::string& path, const std::string& name) const {
        return qv::LocalItemPath(install_ / "Temp", path, name);
    }
    std::string Compare(const std::string& path, const std::string& name) const {
        return qv::LocalItemPath(install_ / "Temp1", path, name);
    }

    std::unique_ptr<qv::CQuorvelDlg> window_;
};

TEST_P(ItemActionsEndToEnd, TheBrowseActionsOpenTheCheckedOutFileAndCheckOutOnlyOnce) {
    // The command and the companion it starts; nullptr: the associated application.
    const std::pair<int, const char*> cases[] = {{qv::ID_OPEN_CRYSTALEDIT, "CrystalEdit"},
                                                 {qv::ID_OPEN_HEXVIEWER, "HexViewer"},
                                                 {qv::ID_OPEN_DEFAULT_ASSOC, nullptr}};
    Focus(Row("\\Payroll\\src\\calc", "tax.cpp"));
    const std::string local = Browse("\\Payroll\\src\\calc", "tax.cpp");
    // A copy left by an earlier run may be of any version: it is checked out again.
    ASSERT_TRUE(qvtest::WriteFile(local, "version 1, package PAY0000\n"));
    for (const auto& [command, companion] : cases) {
        SCOPED_TRACE(command);
        window_->OnCommand(command);
        EXPECT_TRUE(host_.boxes.empty());
        EXPECT_TRUE(Contains(qvtest::ReadFile(local), "version 3, package PAY0001"));
        if (companion) {
            EXPECT_EQ(Started(companion), Lines{local});
            EXPECT_EQ(qvtest::TraceMessages(trace_).back(),
                      install_ / companion + " \"" + local + "\"");
        } else {
            EXPECT_EQ(host_.opened, Lines{local});
        }
    }
    // Only the first action ran the check-out tool; the others found its file in place.
    ASSERT_EQ(CheckOutCommands().size(), 1u);
    EXPECT_TRUE(Contains(CheckOutCommands()[0], "-p \"PAY0001\""));
    EXPECT_EQ(window_->Values().CheckoutPackage, "PAY0001");
    // The source items stay, so that "List All" after "List Conflicts" brings every row back.
    EXPECT_EQ(window_->SourceItems().GetCount(), 1);
}

TEST_P(ItemActionsEndToEnd, CompareChecksOutBothVersionsOrStopsWhereTheTargetCannotBe) {
    struct Case {
        const char *path, *name;
        std::string targetProject;
        const char* versionOption;  // of the latest target version's check-out; null: none
        const char* targetContent;
        Lines boxes = {};
    };
    // clang-format off
    const Case cases[] = {
        {"\\Payroll\\src\\calc", "tax.cpp", "PayrollEU", " -vn 5", "version 5, package EU0001"},
        {"\\Payroll\\src\\report", "report.cpp", "PayrollEU", " -bo \"2.1.3\"",
         "version 2.1.3, package EU0001"},
        {"\\Payroll\\include", "rates.h", "PayrollEU", nullptr, nullptr,
         {"Latest Version Item to compare with is \"R\" tagged."}},
        {"\\Payroll\\include", "rates.h", "NoSuchProject", nullptr, nullptr},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " in " + c.targetProject);
        qvtest::WriteFile(trace_, "");
        unlink(Record("WinDiff").c_str());
        host_.ClearBoxes();
        const long long slept = host_.sleptMs;
        window_->SetDlgItemText(qv::IDC_TGT_PROJECT, c.targetProject);
        Focus(Row(c.path, c.name));
        ASSERT_TRUE(qvtest::WriteFile(Browse(c.path, c.name), "an old copy\n"));
        window_->OnCommand(qv::ID_WINDIFF_LATEST);
        EXPECT_EQ(e2e::BoxTexts(host_), c.boxes);
        EXPECT_TRUE(window_->IsWindowEnabled());
        // The edited target project is the target context afterwards.
        EXPECT_EQ(window_->Values().TgtProject, c.targetProject);

        const std::string source = Browse(c.path, c.name);
        const std::string target = Compare(c.path, c.name);
        const Lines commands = CheckOutCommands();
        if (!c.versionOption) {
            for (const std::string& command : commands)  // the source's only
                EXPECT_FALSE(Contains(command, "Temp1")) << command;
            EXPECT_FALSE(qvtest::FileExists(target));
            EXPECT_FALSE(qvtest::FileExists(Record("WinDiff")));
            continue;
        }
        EXPECT_TRUE(Contains(qvtest::ReadFile(source), "package PAY0001"));
        EXPECT_TRUE(Contains(qvtest::ReadFile(target), c.targetContent));
        EXPECT_EQ(Started("WinDiff"), (Lines{source, target}));
        ASSERT_EQ(commands.size(), 2u);
        EXPECT_TRUE(Contains(commands[1], "-en \"PayrollEU\" -st \"DEV\""));
        EXPECT_TRUE(Contains(commands[1], "-cp \"" + install_ / "Temp1\""));
        EXPECT_TRUE(commands[1].ends_with(std::string(" -p \"EU0001\"") + c.versionOption))
            << commands[1];
        // The wait dialog went through its steps and gave the window back.
        EXPECT_EQ(host_.modelessIds.back(), qv::IDD_WAIT);
        EXPECT_EQ(host_.sleptMs - slept, 250 + 500 + 500);
    }
}

TEST_P(ItemActionsEndToEnd, AMissingCheckOutToolShowsTheLaunchersMessageAndStartsNothing) {
    window_->Values().KcoFmt = "kco-not-installed-qv -s \"%s\" -o kco.log";
    Focus(Row("\\Payroll\\src\\calc", "tax.cpp"));
    for (int command :
         {qv::ID_OPEN_CRYSTALEDIT, qv::ID_OPEN_DEFAULT_ASSOC, qv::ID_WINDIFF_LATEST}) {
        SCOPED_TRACE(command);
        host_.ClearBoxes();
        window_->OnCommand(command);
        ASSERT_EQ(host_.boxes.size(), 1u);
        EXPECT_EQ(host_.boxes[0].text.rfind("Executable Not Found", 0), 0u) << host_.boxes[0].text;
        EXPECT_TRUE(window_->IsWindowEnabled());
    }
    for (const std::string& line : qvtest::TraceMessages(trace_)) {
        EXPECT_FALSE(Contains(line, "CrystalEdit")) << line;
        EXPECT_FALSE(Contains(line, "WinDiff")) << line;
    }
    EXPECT_TRUE(host_.opened.empty());
    EXPECT_FALSE(qvtest::FileExists(Record("CrystalEdit")));
}

QV_E2E_ON_BOTH_BACKENDS(ItemActionsEndToEnd);

}  // namespace
