#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/MainSettings.h"
#include "tests/ui/ContextFixture.h"
#include "ui/ContextSetDlg.h"
#include "ui/ReportCtrl.h"

namespace qv {
namespace {

using qvtest::SearchResult;

class ContextSetDlgTest : public qvtest::ContextFixture {
protected:
    // Opens the dialog (as the host would) with the given boxes typed in.
    void Open(CContextSetDlg& d, const std::string& src = "Payroll",
              const std::string& state = "DEV", const std::string& tgt = "PayrollEU") {
        host_.ShowModeless(d);
        d.UserSetText(IDC_CTX_SRC_PROJECT, src);
        d.UserSetText(IDC_CTX_SRC_STATE, state);
        d.UserSetText(IDC_CTX_TGT_PROJECT, tgt);
    }
    static std::vector<std::string> Names(CContextSetDlg& d) {
        std::vector<std::string> names;
        for (int r = 0; r < d.Packages().RowCount(); ++r)
            names.push_back(d.Packages().CellText(r, 0));
        return names;
    }
    static std::vector<bool> Checks(CContextSetDlg& d) {
        std::vector<bool> checks;
        for (int r = 0; r < d.Packages().RowCount(); ++r)
            checks.push_back(d.Packages().IsRowChecked(r));
        return checks;
    }
    static std::string Selected(const CContextSetDlg& d, const std::string& key) {
        CPkgObj p;
        return d.PackageList.Lookup(key, p) ? p.selected : "(none)";
    }
    void FillTarget(CContextSetDlg& d) {
        d.UserSetText(IDC_CTX_TGT_STATE, "DEV");
        d.UserSetText(IDC_CTX_TGT_PACKAGE, "EU0001");
    }
    CMapStrToPkgObj none_;
};

TEST_F(ContextSetDlgTest, OpeningShowsBlankRowsOrThePackagesChosenLastTime) {
    WriteSettingText(kSectionSettings, "SrcProject", "Payroll");
    WriteSettingText(kSectionSettings, "TgtPackage", "EU0001");
    {
        CContextSetDlg d(host_, repo_, none_);
        host_.ShowModeless(d);
        EXPECT_EQ(d.Packages().RowCount(), kBlankPackageRows);
        EXPECT_FALSE(d.Packages().CheckBoxesShown());
        EXPECT_EQ(d.Packages().ColumnTitle(1), "Record");
        EXPECT_EQ(d.Packages().ColumnWidth(1), 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_CTX_PACKAGE_COUNT), "");
        EXPECT_EQ(d.GetDlgItemText(IDC_CTX_SRC_PROJECT), "Payroll");
        EXPECT_EQ(d.GetDlgItemText(IDC_CTX_SRC_STATE), "");
        EXPECT_EQ(d.GetDlgItemText(IDC_CTX_TGT_PACKAGE), "EU0001");
        EXPECT_EQ(d.GetDlgItemText(IDC_CTX_LOCAL_PATH), TheApp().browseDir);
    }
    CMapStrToPkgObj chosen;
    chosen.SetAt("1", {"PAY0002", "1"});
    chosen.SetAt("0", {"PAY0001", "1"});
    CContextSetDlg d(host_, repo_, chosen);
    host_.ShowModeless(d);
    EXPECT_EQ(Names(d), (std::vector<std::string>{"PAY0001", "PAY0002"}));
    EXPECT_EQ(Checks(d), (std::vector<bool>{true, true}));
    EXPECT_EQ(d.Packages().CellText(1, 1), "0002");
    EXPECT_TRUE(d.SelectAllMark());
    EXPECT_EQ(d.GetDlgItemText(IDC_CTX_PACKAGE_COUNT), "2");
    EXPECT_TRUE(repo_.statements().empty());
}

TEST_F(ContextSetDlgTest, SearchRefusalsComeInTheirOrderBeforeAnyQuery) {
    struct Case {
        const char* name;
        std::string storedState;  // the state the dialog holds from the settings
        std::string src, state, tgt;
        int run;  // the runner's result when the query runs
        std::string message;
        MsgKind kind;
        int focus;  // 0: not checked
        size_t statements;
    };
    const std::vector<Case> cases = {
        {"both projects empty", "DEV", "", "DEV", "", kKsqlOk,
         "Error: The Source Project and State cannot be blank.", MsgKind::Warning,
         IDC_CTX_TGT_PROJECT, 0},
        {"same projects, held state empty though the box is filled", "", "Payroll", "DEV",
         "Payroll", kKsqlOk, "Error: The Source Project and State cannot be blank.",
         MsgKind::Warning, IDC_CTX_TGT_PROJECT, 0},
        {"same projects with a state", "DEV", "Payroll", "", "Payroll", kKsqlOk,
         "Error: The Target Project cannot be the same as the Source Project.", MsgKind::Warning,
         IDC_CTX_TGT_PROJECT, 0},
        {"state box empty", "DEV", "Payroll", "", "PayrollEU", kKsqlOk,
         "Error: Project and State cannot be blank.", MsgKind::Plain, 0, 0},
        {"source project empty", "DEV", "", "DEV", "PayrollEU", kKsqlOk,
         "Error: Project and State cannot be blank.", MsgKind::Plain, 0, 0},
        {"runner fails", "DEV", "Payroll", "DEV", "PayrollEU", kKsqlFailed,
         "Error: RunKsql failed - unable to connect to the broker.", MsgKind::Plain, 0, 1},
        {"statement file unwritten: the runner has said so", "DEV", "Payroll", "DEV", "PayrollEU",
         kKsqlStatementUnwritten, "", MsgKind::Plain, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSettingText(kSectionSettings, "SrcState", c.storedState);
        host_.ClearBoxes();
        qvtest::FakeRepository repo(host_);
        repo.Answer(SearchResult({"PAY0001"}), c.run);
        CContextSetDlg d(host_, repo, none_);
        Open(d, c.src, c.state, c.tgt);
        d.UserFocus(IDC_CTX_SRC_PROJECT);
        d.UserClick(IDC_CTX_SEARCH);
        if (c.message.empty()) {
            EXPECT_TRUE(host_.boxes.empty());
        } else {
            ASSERT_EQ(host_.boxes.size(), 1u);
            EXPECT_EQ(host_.boxes[0].text, c.message);
            EXPECT_EQ(host_.boxes[0].kind, c.kind);
        }
        if (c.focus) {
            EXPECT_EQ(d.GetFocusId(), c.focus);
        }
        EXPECT_EQ(repo.statements().size(), c.statements);
        EXPECT_EQ(d.Packages().RowCount(), 0);
        EXPECT_EQ(d.PackageList.GetCount(), 0);
        EXPECT_EQ(host_.waitCursorDepth(), 0);
    }
}

TEST_F(ContextSetDlgTest, SearchResultsListPackagesOrTellWhatWentWrong) {
    const std::string longName(290, 'L');
    struct Case {
        const char* name;
        std::string file;
        std::string message;  // empty: none
        std::vector<std::string> listed;
        int records;  // records in PackageList afterwards
    };
    const std::vector<Case> cases = {
        {"two packages", SearchResult({"PAY0001", "PAY0002"}), "", {"PAY0001", "PAY0002"}, 2},
        {"an error line after a package",
         SearchResult({"PAY0001"}) + "Error: no such column\n" + "Payroll\tDEV\tPAY0002\n",
         "Error: no such column",
         {},
         1},
        {"a refused login",
         "Error: Incorrect Login\n",
         "Error: Incorrect Login\n\nCheck if SingleWorkStation is set.",
         {},
         0},
        {"zero results", "KSQL query has Zero results.\n", "KSQL query has Zero results.", {}, 0},
        {"a state without packages gives one with an empty name",
         std::string(qvtest::kSearchHeader) + "Payroll\tARCHIVE\t\n",
         "",
         {""},
         1},
        {"header only",
         qvtest::kSearchHeader,
         "Error: Unable to fetch data from ksqlstmt.dat",
         {},
         0},
        {"a long line stays one package", SearchResult({longName}), "", {longName}, 1},
        {"blank lines are skipped", "\n" + SearchResult({"PAY0001"}) + "\n\n", "", {"PAY0001"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_.ClearBoxes();
        qvtest::FakeRepository repo(host_);
        repo.Answer(c.file);
        CContextSetDlg d(host_, repo, none_);
        Open(d);
        d.UserClick(IDC_CTX_SEARCH);
        if (c.message.empty()) {
            EXPECT_TRUE(host_.boxes.empty());
        } else {
            ASSERT_EQ(host_.boxes.size(), 1u);
            EXPECT_EQ(host_.boxes[0].text, c.message);
            EXPECT_EQ(host_.boxes[0].kind, MsgKind::Plain);
        }
        EXPECT_EQ(Names(d), c.listed);
        EXPECT_EQ(d.PackageList.GetCount(), c.records);
        if (!c.listed.empty()) {
            EXPECT_EQ(Checks(d), std::vector<bool>(c.listed.size(), true));
            EXPECT_TRUE(d.SelectAllMark());
            EXPECT_TRUE(d.Packages().CheckBoxesShown());
            EXPECT_EQ(d.GetDlgItemText(IDC_CTX_PACKAGE_COUNT), std::to_string(c.listed.size()));
            EXPECT_EQ(d.Packages().CellText(0, 1), "0001");
        }
    }
}

TEST_F(ContextSetDlgTest, TheSearchQuotesItsNamesAndForgetsAnEarlierFailedSearch) {
    repo_.Answer(SearchResult({"OLD1", "OLD2", "OLD3"}) + "Error: broken\n");
    repo_.Answer(SearchResult({"NEW1"}));
    CContextSetDlg d(host_, repo_, none_);
    Open(d, "O'Brien", "DEV");
    d.UserClick(IDC_CTX_SEARCH);
    EXPECT_EQ(d.PackageList.GetCount(), 3);
    d.UserClick(IDC_CTX_SEARCH);
    EXPECT_EQ(Names(d), (std::vector<std::string>{"NEW1"}));
    EXPECT_EQ(d.PackageList.GetCount(), 1);
    ASSERT_EQ(repo_.statements().size(), 2u);
    EXPECT_NE(repo_.statements()[0].find("ENVIRONMENTNAME = 'O''Brien'  AND"), std::string::npos);
    EXPECT_TRUE(Traced("ContextSetDlg::PostPackageList"));
    EXPECT_TRUE(Traced("SrcPackage: NEW1"));
}

TEST_F(ContextSetDlgTest, SelectAllReversesItsMarkAndEveryRow) {
    repo_.Answer(SearchResult({"A", "B", "C"}));
    CContextSetDlg d(host_, repo_, none_);
    Open(d);
    d.UserClick(IDC_CTX_SEARCH);
    d.Packages().UserPress(1, true);  // one row unchecked by hand
    const std::vector<std::pair<bool, std::vector<bool>>> steps = {
        {false, {false, false, false}},
        {true, {true, true, true}},
        {false, {false, false, false}},
    };
    for (const auto& [mark, checks] : steps) {
        d.UserClick(IDC_CTX_SELECT_ALL);
        EXPECT_EQ(d.SelectAllMark(), mark);
        EXPECT_EQ(Checks(d), checks);
    }
}

TEST_F(ContextSetDlgTest, OkRefusesAnIncompleteContextWithFocusOnTheCulprit) {
    struct Case {
        const char* name;
        std::string tgtProject, tgtState, tgtPackage;
        bool search;
        std::string message;
        int focus;
    };
    const std::vector<Case> cases = {
        {"target project empty", "", "DEV", "EU0001", true,
         "Error: The Target Project cannot be blank.", IDC_CTX_TGT_PROJECT},
        {"target state empty", "PayrollEU", "", "EU0001", true,
         "Error: The Target State cannot be blank.", IDC_CTX_TGT_STATE},
        {"target package empty", "PayrollEU", "DEV", "", true,
         "Error: The Target Package cannot be blank.", IDC_CTX_TGT_PACKAGE},
        {"target is the source", "Payroll", "DEV", "EU0001", true,
         "Error: The Target Project cannot be the same as the Source Project.",
         IDC_CTX_TGT_PROJECT},
        {"nothing searched", "PayrollEU", "DEV", "EU0001", false,
         "Error: No Source Packages in Package List.", IDC_CTX_SEARCH},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_.ClearBoxes();
        qvtest::FakeRepository repo(host_);
        repo.Answer(SearchResult({"PAY0001"}));
        CContextSetDlg d(host_, repo, none_);
        Open(d);
        if (c.search) d.UserClick(IDC_CTX_SEARCH);
        d.UserSetText(IDC_CTX_TGT_PROJECT, c.tgtProject);
        d.UserSetText(IDC_CTX_TGT_STATE, c.tgtState);
        d.UserSetText(IDC_CTX_TGT_PACKAGE, c.tgtPackage);
        d.UserKeyEnter();
        EXPECT_FALSE(d.IsEnded());
        ASSERT_EQ(host_.boxes.size(), 1u);
        EXPECT_EQ(host_.boxes[0].text, c.message);
        EXPECT_EQ(host_.boxes[0].kind, MsgKind::Warning);
        EXPECT_EQ(d.GetFocusId(), c.focus);
        // The values reached the settings before the checks.
        EXPECT_EQ(ReadSettingText(kSectionSettings, "TgtPackage"), c.tgtPackage);
        EXPECT_EQ(ReadSettingText(kSectionSettings, "SrcProject"), "Payroll");
    }
}

TEST_F(ContextSetDlgTest, OkMarksThePackageEachRowShowsWhateverTheSort) {
    struct Case {
        const char* name;
        int sortClicks;  // header clicks on "Package": 0 none, 1 ascending, 2 descending
    };
    for (const Case& c : std::vector<Case>{{"as found", 0}, {"ascending", 1}, {"descending", 2}}) {
        SCOPED_TRACE(c.name);
        qvtest::FakeRepository repo(host_);
        repo.Answer(SearchResult({"PKG-B", "PKG-C", "PKG-A"}));
        CContextSetDlg d(host_, repo, none_);
        Open(d);
        d.UserClick(IDC_CTX_SEARCH);
        for (int i = 0; i < c.sortClicks; ++i) d.Packages().UserHeaderClick(0);
        int row = -1;
        for (int r = 0; r < d.Packages().RowCount(); ++r)
            if (d.Packages().CellText(r, 0) == "PKG-C") row = r;
        ASSERT_GE(row, 0);
        d.Packages().UserPress(row, true);
        FillTarget(d);
        d.UserClick(IDOK);
        ASSERT_TRUE(d.IsEnded());
        EXPECT_EQ(d.Result(), IDOK);
        EXPECT_EQ(Selected(d, "0"), "1");  // PKG-B
        EXPECT_EQ(Selected(d, "1"), "");   // PKG-C
        EXPECT_EQ(Selected(d, "2"), "1");  // PKG-A
    }
    EXPECT_TRUE(Traced("ContextSetDlg: TgtPackage = EU0001"));
    EXPECT_TRUE(Traced("ContextSetDlg: LocalPath = " + TheApp().browseDir));
}

TEST_F(ContextSetDlgTest, OkAndCancelBothWriteTheSixValues) {
    for (int button : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(button);
        unlink(SettingsFilePath().c_str());
        qvtest::FakeRepository repo(host_);
        repo.Answer(SearchResult({"PAY0001"}));
        CContextSetDlg d(host_, repo, none_);
        Open(d);
        d.UserClick(IDC_CTX_SEARCH);
        FillTarget(d);
        d.UserSetText(IDC_CTX_LOCAL_PATH, "/work/local");
        d.UserClick(button);
        EXPECT_EQ(d.Result(), button);
        const std::vector<std::pair<const char*, const char*>> stored = {
            {"SrcProject", "Payroll"}, {"SrcState", "DEV"},      {"TgtProject", "PayrollEU"},
            {"TgtState", "DEV"},       {"TgtPackage", "EU0001"}, {"LocalPath", "/work/local"}};
        for (const auto& [key, value] : stored)
            EXPECT_EQ(ReadSettingText(kSectionSettings, key), value) << key;
    }
}

TEST_F(ContextSetDlgTest, TheFolderBrowserSetsTheLocalPathAndTheBrowseDirectory) {
    const std::string start = TheApp().browseDir;
    struct Case {
        const char* name;
        std::optional<std::string> answer;
        std::string box;
        std::string browseDir;
    };
    const std::vector<Case> cases = {
        {"cancelled: the browse directory", std::nullopt, start, start},
        {"a folder", std::string("/data/work"), "/data/work", "/data/work"},
        {"an empty answer counts as none", std::string(), "/data/work", "/data/work"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CContextSetDlg d(host_, repo_, none_);
        Open(d);
        d.UserSetText(IDC_CTX_LOCAL_PATH, "typed");
        const std::string before = TheApp().browseDir;
        host_.QueueFolder(c.answer);
        d.UserClick(IDC_CTX_BROWSE);
        ASSERT_FALSE(host_.folderRequests.empty());
        EXPECT_EQ(host_.folderRequests.back().first, "Select a directory...");
        EXPECT_EQ(host_.folderRequests.back().second, before);
        EXPECT_EQ(d.GetDlgItemText(IDC_CTX_LOCAL_PATH), c.box);
        EXPECT_EQ(TheApp().browseDir, c.browseDir);
    }
}

}  // namespace
}  // namespace qv
