#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/MainSettings.h"
#include "tests/ui/ContextFixture.h"
#include "ui/ContextSetDlg.h"
#include "ui/MainWindow.h"
#include "ui/WaitDlg.h"

namespace qv {
namespace {

using qvtest::ItemRow;
using qvtest::SearchResult;

// A main window whose target load is counted and answered.
class CountingWindow : public CQuorvelDlg {
public:
    using CQuorvelDlg::CQuorvelDlg;
    bool GetTargetPackageData() override {
        ++targetLoads;
        if (targetLoadSucceeds) SetTargetDataLoaded(true);
        return targetLoadSucceeds;
    }
    int targetLoads = 0;
    bool targetLoadSucceeds = true;
};

// A repository whose result file cannot be read after a chosen number of statements.
class UnreadableAfter : public qvtest::FakeRepository {
public:
    UnreadableAfter(Host& host, size_t readable) : FakeRepository(host), readable_(readable) {}
    ResultLines Lines(size_t readSize) override {
        if (statements().size() > readable_) return {};
        return FakeRepository::Lines(readSize);
    }

private:
    size_t readable_;
};

class SetCpmContextTest : public qvtest::ContextFixture {
protected:
    void Start(CountingWindow& w, qv::Repository& repo) {
        w.SetRepositoryForTesting(&repo);
        host_.ShowModeless(w);
        w.SetDlgItemText(IDC_BROKER, "demo");
        w.SetDlgItemText(IDC_USERID, "ann");
        w.SetDlgItemText(IDC_PASSWORD, "pw");
    }
    // The dialog, driven as a user would: search Payroll/DEV, target PayrollEU/DEV/`package`,
    // uncheck the rows named in `unchecked`, then press `button`.
    void DriveDialog(const std::string& package = "EU0001",
                     const std::vector<std::string>& unchecked = {}, int button = IDOK) {
        host_.OnNextModal([=](Dialog& dialog) {
            auto& d = static_cast<CContextSetDlg&>(dialog);
            d.UserSetText(IDC_CTX_SRC_PROJECT, "Payroll");
            d.UserSetText(IDC_CTX_SRC_STATE, "DEV");
            d.UserSetText(IDC_CTX_TGT_PROJECT, "PayrollEU");
            d.UserSetText(IDC_CTX_TGT_STATE, "DEV");
            d.UserSetText(IDC_CTX_TGT_PACKAGE, package);
            d.UserClick(IDC_CTX_SEARCH);
            for (int r = 0; r < d.Packages().RowCount(); ++r)
                for (const std::string& u : unchecked)
                    if (d.Packages().CellText(r, 0) == u) d.Packages().UserPress(r, true);
            d.UserClick(button);
        });
    }
    static std::string Version(CountingWindow& w, const std::string& id) {
        CFObj r;
        return w.SourceItems().Lookup(id, r) ? r.mappedVersion + " " + r.packageName : "(none)";
    }
};

TEST_F(SetCpmContextTest, BlankCredentialsStopBeforeTheDialog) {
    for (int blank : {IDC_BROKER, IDC_USERID, IDC_PASSWORD}) {
        SCOPED_TRACE(blank);
        host_.ClearBoxes();
        CountingWindow w(host_);
        Start(w, repo_);
        w.SetDlgItemText(blank, "");
        w.UserClick(IDC_SET_CONTEXT);
        ASSERT_EQ(host_.boxes.size(), 1u);
        EXPECT_EQ(host_.boxes[0].text, "The Broker and login credentials cannot be blank.");
        EXPECT_EQ(host_.boxes[0].kind, MsgKind::Warning);
        EXPECT_TRUE(host_.modalIds.empty());
    }
}

TEST_F(SetCpmContextTest, CancelKeepsTheWindowAsItWas) {
    CountingWindow w(host_);
    Start(w, repo_);
    w.SelectedPackages().SetAt("0", {"OLD", "1"});
    w.SetDlgItemText(IDC_TGT_PACKAGE, "EU0009");
    repo_.Answer(SearchResult({"PAY0001"}));
    DriveDialog("EU0001", {}, IDCANCEL);
    w.UserClick(IDC_SET_CONTEXT);
    EXPECT_EQ(host_.modalIds, std::vector<int>{IDD_CONTEXT_SET});
    EXPECT_EQ(w.GetDlgItemText(IDC_SRC_PROJECT), "");
    EXPECT_EQ(w.GetDlgItemText(IDC_TGT_PACKAGE), "EU0009");
    EXPECT_EQ(w.Values().TgtPackage, "EU0009");
    EXPECT_EQ(w.SelectedPackages().GetCount(), 1);
    EXPECT_EQ(w.ResultList().RowCount(), kBlankListRows);
    EXPECT_EQ(w.targetLoads, 0);
    // What was typed in the dialog is remembered all the same.
    EXPECT_EQ(ReadSettingText(kSectionSettings, "TgtPackage"), "EU0001");
    EXPECT_EQ(ReadSettingText(kSectionSettings, "SrcProject"), "Payroll");
}

TEST_F(SetCpmContextTest, TheGreaterMappedVersionByBytesStaysWhateverThePackageOrder) {
    struct Case {
        const char* name;
        std::string first, second;  // versions of item 7 in PKG-1 and PKG-2
        std::string kept;
    };
    const std::vector<Case> cases = {
        {"1.9.0 beats 1.10.0", "1.10.0", "1.9.0", "1.9.0 PKG-2"},
        {"whichever package holds it", "1.9.0", "1.10.0", "1.9.0 PKG-1"},
        {"equal texts keep the first package", "3", "3", "3 PKG-1"},
        {"a prefix is the smaller", "2.1", "2.1.1", "2.1.1 PKG-2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        qvtest::FakeRepository repo(host_);
        CountingWindow w(host_);
        Start(w, repo);
        repo.Answer(SearchResult({"PKG-1", "PKG-2"}));
        repo.Answer(qvtest::kItemsHeader + ItemRow("util.cpp", c.first, "7") +
                    ItemRow("a.cpp", "1", "8"));
        repo.Answer(qvtest::kItemsHeader + ItemRow("util.cpp", c.second, "7"));
        DriveDialog();
        w.UserClick(IDC_SET_CONTEXT);
        EXPECT_EQ(Version(w, "7"), c.kept);
        EXPECT_EQ(Version(w, "8"), "1 PKG-1");
        EXPECT_EQ(w.ResultList().RowCount(), 2);
        EXPECT_TRUE(w.ResultList().IsRowChecked(0));
        EXPECT_EQ(w.SelectedPackages().GetCount(), 2);
        ASSERT_EQ(repo.statements().size(), 3u);
        EXPECT_NE(repo.statements()[2].find("KESPACKAGE.PACKAGENAME = 'PKG-2' GROUP BY"),
                  std::string::npos);
        EXPECT_EQ(w.GetDlgItemText(IDC_SRC_PROJECT), "Payroll");
        EXPECT_EQ(w.GetDlgItemText(IDC_TGT_PACKAGE), "EU0001");
        EXPECT_EQ(w.Status(), kStatusReadyToRun);
        EXPECT_EQ(w.GetFocusId(), IDC_RUN_CPM);
        EXPECT_TRUE(w.IsWindowEnabled());
    }
    EXPECT_TRUE(Traced("    util.cpp \\Payroll\\src 2.1.1 N PKG-2"));
    EXPECT_TRUE(Traced(" Processing Package: PKG-2"));
}

TEST_F(SetCpmContextTest, APackageWithoutResultsShowsItsCollectedStatusAndLoadingGoesOn) {
    CountingWindow w(host_);
    Start(w, repo_);
    repo_.Answer(SearchResult({"EMPTY", "PKG-2"}));
    repo_.Answer("KSQL query has Zero results.\nsecond line\n");
    repo_.Answer(qvtest::kItemsHeader + ItemRow("b.cpp", "2", "9"));
    DriveDialog();
    w.UserClick(IDC_SET_CONTEXT);
    EXPECT_EQ(w.SourceItems().GetCount(), 1);
    EXPECT_EQ(w.ResultList().RowCount(), 1);
    const std::vector<std::string> trace = Trace();
    bool found = false;
    for (size_t i = 0; i + 2 < trace.size(); ++i)
        found = found || (trace[i] ==
                              "Processing Package: EMPTY -  Processing Package: "
                              "EMPTYKSQL query has Zero results." &&
                          trace[i + 1] == "second line");
    EXPECT_TRUE(found);
}

TEST_F(SetCpmContextTest, AnErrorLineOrAnUnreadableFileEndsTheLoading) {
    struct Case {
        const char* name;
        std::string secondFile;
        int secondRun;
        size_t readable;  // statements whose result can be read
        std::string message;
        size_t statements;
    };
    const std::string items = qvtest::kItemsHeader + ItemRow("a.cpp", "1", "1");
    const std::vector<Case> cases = {
        {"an error line", qvtest::kItemsHeader + std::string("Error: no such table\n"), kKsqlOk, 99,
         "Error: no such table", 2},
        {"an unreadable result file", items, kKsqlOk, 2, "Unable to read: ", 2},
        {"an unwritten statement file", items, kKsqlStatementUnwritten, 99, "", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_.ClearBoxes();
        UnreadableAfter repo(host_, c.readable);
        CountingWindow w(host_);
        Start(w, repo);
        repo.Answer(SearchResult({"P1", "P2", "P3"}));
        repo.Answer(items);
        repo.Answer(c.secondFile, c.secondRun);
        DriveDialog();
        w.UserClick(IDC_SET_CONTEXT);
        if (c.message.empty()) {
            EXPECT_TRUE(host_.boxes.empty());
        } else {
            ASSERT_EQ(host_.boxes.size(), 1u);
            EXPECT_EQ(host_.boxes[0].text.substr(0, c.message.size()), c.message);
        }
        EXPECT_EQ(repo.statements().size(), c.statements + 1);  // the search, then the loads
        EXPECT_EQ(w.SourceItems().GetCount(), 1);
        EXPECT_EQ(w.ResultList().RowCount(), 0);
        EXPECT_EQ(w.targetLoads, 0);
        EXPECT_TRUE(w.IsWindowEnabled());
    }
}

TEST_F(SetCpmContextTest, AFailedRunSkipsOnlyItsPackage) {
    CountingWindow w(host_);
    Start(w, repo_);
    repo_.Answer(SearchResult({"P1", "P2"}));
    repo_.Answer("", kKsqlFailed);
    repo_.Answer(qvtest::kItemsHeader + ItemRow("a.cpp", "1", "1"));
    DriveDialog();
    w.UserClick(IDC_SET_CONTEXT);
    EXPECT_EQ(Version(w, "1"), "1 P2");
    EXPECT_TRUE(host_.boxes.empty());
}

TEST_F(SetCpmContextTest, NoChosenPackageClearsTheList) {
    CountingWindow w(host_);
    Start(w, repo_);
    repo_.Answer(SearchResult({"P1", "P2"}));
    DriveDialog("EU0001", {"P1", "P2"});
    w.UserClick(IDC_SET_CONTEXT);
    EXPECT_EQ(w.SelectedPackages().GetCount(), 0);
    EXPECT_EQ(w.ResultList().RowCount(), kBlankListRows);
    EXPECT_FALSE(w.ResultList().CheckBoxesShown());
    EXPECT_EQ(repo_.statements().size(), 1u);
    EXPECT_EQ(w.GetDlgItemText(IDC_SRC_STATE), "DEV");
}

TEST_F(SetCpmContextTest, TheTargetIsReloadedOnlyWhenItsContextChanged) {
    struct Step {
        const char* name;
        std::string package;  // chosen in the dialog
        bool loadSucceeds;
        int loads;  // target loads so far
        std::string status;
    };
    const std::vector<Step> steps = {
        {"first loading", "EU0001", true, 1, kStatusReadyToRun},
        {"same target", "EU0001", true, 1, kStatusReadyToRun},
        {"another target package", "EU0002", true, 2, kStatusReadyToRun},
        {"back, and the target load fails", "EU0001", false, 3, kStatusReadyToRun},
        {"same target, still not loaded", "EU0001", true, 4, kStatusReadyToRun},
    };
    CountingWindow w(host_);
    Start(w, repo_);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        w.targetLoadSucceeds = s.loadSucceeds;
        repo_.Answer(SearchResult({"P1"}));
        repo_.Answer(qvtest::kItemsHeader + ItemRow("a.cpp", "1", "1"));
        DriveDialog(s.package);
        w.UserClick(IDC_SET_CONTEXT);
        EXPECT_EQ(w.targetLoads, s.loads);
        EXPECT_EQ(w.TargetDataLoaded(), s.loadSucceeds);
        EXPECT_EQ(w.Status(), s.status);
    }
    EXPECT_TRUE(Traced("Error: Failed to get target package data."));
}

TEST_F(SetCpmContextTest, AnEmptyTargetBoxKeepsTheRememberedValue) {
    WriteSettingText(kSectionSettings, "TgtProject", "PayrollEU");
    CountingWindow w(host_);
    Start(w, repo_);
    w.SetDlgItemText(IDC_TGT_PROJECT, "");
    w.SetDlgItemText(IDC_TGT_STATE, "QA");
    std::string shown;
    host_.OnNextModal([&](Dialog& d) {
        shown = d.GetDlgItemText(IDC_CTX_TGT_PROJECT) + "/" + d.GetDlgItemText(IDC_CTX_TGT_STATE);
        d.UserClick(IDCANCEL);
    });
    w.UserClick(IDC_SET_CONTEXT);
    EXPECT_EQ(shown, "PayrollEU/QA");
    EXPECT_EQ(w.Values().TgtProject, "PayrollEU");
}

}  // namespace
}  // namespace qv
