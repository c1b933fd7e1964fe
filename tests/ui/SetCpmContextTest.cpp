#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainSettings.h"
#include "tests/ui/ContextFixture.h"
#include "ui/ContextSetDlg.h"
#include "ui/MainWindow.h"

namespace qv {
namespace {

using qvtest::ItemRows;
using qvtest::SearchResult;
using qvtest::TargetLoadWindow;

// A repository whose result file cannot be read after the first `readable` statements.
class UnreadableAfter : public qvtest::FakeRepository {
public:
    UnreadableAfter(Host& host, size_t readable) : FakeRepository(host), readable_(readable) {}
    ResultLines Lines(size_t readSize) override {
        return statements().size() > readable_ ? ResultLines{} : FakeRepository::Lines(readSize);
    }

private:
    size_t readable_;
};

class SetCpmContextTest : public qvtest::ContextFixture {
protected:
    // A started window over `repo`, with a broker and credentials.
    std::unique_ptr<TargetLoadWindow> Open(Repository& repo) {
        auto w = std::make_unique<TargetLoadWindow>(host_);
        w->SetRepositoryForTesting(&repo);
        host_.ShowModeless(*w);
        w->SetDlgItemText(IDC_BROKER, "demo");
        w->SetDlgItemText(IDC_USERID, "ann");
        w->SetDlgItemText(IDC_PASSWORD, "pw");
        return w;
    }
    // "Set CPM Context..." with the dialog searching Payroll/DEV for the target PayrollEU/DEV/
    // `package` and pressing `button`.
    void SetContext(TargetLoadWindow& w, const std::string& package = "EU1", int button = IDOK) {
        host_.OnNextModal([=](Dialog& d) {
            d.UserSetText(IDC_CTX_SRC_PROJECT, "Payroll");
            d.UserSetText(IDC_CTX_SRC_STATE, "DEV");
            d.UserSetText(IDC_CTX_TGT_PROJECT, "PayrollEU");
            d.UserSetText(IDC_CTX_TGT_STATE, "DEV");
            d.UserSetText(IDC_CTX_TGT_PACKAGE, package);
            d.UserClick(IDC_CTX_SEARCH);
            d.UserClick(button);
        });
        w.UserClick(IDC_SET_CONTEXT);
    }
    static std::string Item(TargetLoadWindow& w, const std::string& id) {
        CFObj r;
        return w.SourceItems().Lookup(id, r) ? r.mappedVersion + " " + r.packageName : "-";
    }
};

TEST_F(SetCpmContextTest, BlankCredentialsStopAndCancelChangesNothingButTheSettings) {
    auto w = Open(repo_);
    w->SetDlgItemText(IDC_PASSWORD, "");
    w->UserClick(IDC_SET_CONTEXT);
    EXPECT_EQ(host_.boxes.at(0).text, "The Broker and login credentials cannot be blank.");
    EXPECT_EQ(host_.boxes.at(0).kind, MsgKind::Warning);
    EXPECT_TRUE(host_.modalIds.empty());

    w->SetDlgItemText(IDC_PASSWORD, "pw");
    w->SelectedPackages().SetAt("0", {"OLD", "1"});
    repo_.Answer(SearchResult({"PAY0001"}));
    SetContext(*w, "EU1", IDCANCEL);
    EXPECT_EQ(w->GetDlgItemText(IDC_SRC_PROJECT), "");
    EXPECT_EQ(w->Values().TgtPackage, "");
    EXPECT_EQ(w->SelectedPackages().GetCount(), 1);
    EXPECT_EQ(w->ResultList().RowCount(), kBlankListRows);
    EXPECT_EQ(ReadSettingText(kSectionSettings, "TgtPackage"), "EU1");
}

TEST_F(SetCpmContextTest, TheGreaterMappedVersionByBytesStaysWhateverThePackageOrder) {
    for (const auto& [first, second, kept] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"1.10.0", "1.9.0", "1.9.0 P2"},
             {"1.9.0", "1.10.0", "1.9.0 P1"},
             {"3", "3", "3 P1"}}) {
        SCOPED_TRACE(first + " " + second);
        qvtest::FakeRepository repo(host_);
        auto w = Open(repo);
        repo.Answer(SearchResult({"P1", "P2"}));
        repo.Answer(ItemRows({{"util.cpp", first, "7"}, {"a.cpp", "1", "8"}}));
        repo.Answer(ItemRows({{"util.cpp", second, "7"}}));
        SetContext(*w);
        EXPECT_EQ(Item(*w, "7"), kept);
        EXPECT_EQ(Item(*w, "8"), "1 P1");
        EXPECT_EQ(w->ResultList().RowCount(), 2);
        EXPECT_NE(repo.statements()[2].find("PACKAGENAME = 'P2' GROUP"), std::string::npos);
        EXPECT_EQ(w->GetDlgItemText(IDC_TGT_PACKAGE), "EU1");
        EXPECT_EQ(w->Status(), kStatusReadyToRun);
        EXPECT_EQ(w->GetFocusId(), IDC_RUN_CPM);
    }
    EXPECT_TRUE(Traced("    util.cpp \\Payroll\\src 1.9.0 N P1"));
}

TEST_F(SetCpmContextTest, APackageWithoutResultsCollectsItsLinesInTheStatus) {
    auto w = Open(repo_);
    repo_.Answer(SearchResult({"P1", "EMPTY"}));
    repo_.Answer("", kKsqlFailed);  // a failed run only skips its package
    repo_.Answer("KSQL query has Zero results.\nmore\n");
    SetContext(*w);
    EXPECT_EQ(w->Status(),
              "Processing Package: EMPTY -  Processing Package: EMPTYKSQL query has "
              "Zero results.\nmore\n");
    EXPECT_TRUE(Traced("more"));
    EXPECT_EQ(repo_.statements().size(), 3u);
    EXPECT_EQ(w->targetLoads, 0);
}

TEST_F(SetCpmContextTest, AnErrorLineOrAnUnreadableFileEndsTheLoading) {
    const std::string items = ItemRows({{"a.cpp", "1", "1"}});
    struct Case {
        std::string second;
        int run;
        size_t readable;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"Error: no such table\n", kKsqlOk, 9, "Error: no such table"},
        {items, kKsqlOk, 2, "Unable to read: " + repo_.ResultPath()},
        {items, kKsqlStatementUnwritten, 9, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        host_.ClearBoxes();
        UnreadableAfter repo(host_, c.readable);
        auto w = Open(repo);
        repo.Answer(SearchResult({"P1", "P2", "P3"}));
        repo.Answer(items);
        repo.Answer(c.second, c.run);
        SetContext(*w);
        EXPECT_EQ(host_.boxes.empty() ? "" : host_.boxes[0].text.substr(0, 16),
                  c.message.substr(0, 16));
        EXPECT_EQ(repo.statements().size(), 3u);  // P3 is not loaded
        EXPECT_EQ(w->SourceItems().GetCount(), 1);
        EXPECT_EQ(w->ResultList().RowCount(), 0);
        EXPECT_EQ(w->targetLoads, 0);
        EXPECT_TRUE(w->IsWindowEnabled());
    }
}

TEST_F(SetCpmContextTest, TheTargetIsReloadedOnlyWhenItsContextChanged) {
    struct Step {
        std::string package;
        bool loadSucceeds;
        int loads;
        int button = IDOK;
        std::string broker = "demo";
    };
    // The third load fails, so the same target is loaded again the next time. A cancelled
    // dialog remembers its target, for which nothing was loaded; items loaded through another
    // broker are not this one's.
    const std::vector<Step> steps = {
        {"EU1", true, 1}, {"EU1", true, 1}, {"EU2", false, 2},
        {"EU2", true, 3}, {"EU2", true, 3}, {"EU3", true, 3, IDCANCEL},
        {"EU3", true, 4}, {"EU3", true, 4}, {"EU3", true, 5, IDOK, "other"}};
    auto w = Open(repo_);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.loads);
        w->loadSucceeds = s.loadSucceeds;
        w->SetDlgItemText(IDC_BROKER, s.broker);
        repo_.Answer(SearchResult({"P1"}));
        if (s.button == IDOK) repo_.Answer(ItemRows({{"a.cpp", "1", "1"}}));
        SetContext(*w, s.package, s.button);
        EXPECT_EQ(w->targetLoads, s.loads);
        if (s.button == IDOK) {
            EXPECT_EQ(w->GetFocusId() == IDC_RUN_CPM, s.loadSucceeds);
        }
    }
    EXPECT_TRUE(Traced("Error: Failed to get target package data."));
}

TEST_F(SetCpmContextTest, AnEmptyTargetBoxKeepsTheRememberedValue) {
    WriteSettingText(kSectionSettings, "TgtProject", "PayrollEU");
    auto w = Open(repo_);
    w->SetDlgItemText(IDC_TGT_PROJECT, "");
    w->SetDlgItemText(IDC_TGT_STATE, "QA");
    std::string shown;
    host_.OnNextModal([&](Dialog& d) {
        shown = d.GetDlgItemText(IDC_CTX_TGT_PROJECT) + "/" + d.GetDlgItemText(IDC_CTX_TGT_STATE);
    });
    w->UserClick(IDC_SET_CONTEXT);
    EXPECT_EQ(shown, "PayrollEU/QA");
    EXPECT_EQ(w->Values().TgtProject, "PayrollEU");
}

}  // namespace
}  // namespace qv
