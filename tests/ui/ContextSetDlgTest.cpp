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
    // The dialog opened over `repo` with the boxes typed in, and "Search for Packages" pressed
    // when `search`.
    std::unique_ptr<CContextSetDlg> Open(qvtest::FakeRepository& repo, const std::string& src,
                                         const std::string& state, const std::string& tgt,
                                         bool search = true) {
        auto d = std::make_unique<CContextSetDlg>(host_, repo, none_);
        host_.ShowModeless(*d);
        d->UserSetText(IDC_CTX_SRC_PROJECT, src);
        d->UserSetText(IDC_CTX_SRC_STATE, state);
        d->UserSetText(IDC_CTX_TGT_PROJECT, tgt);
        host_.ClearBoxes();
        if (search) d->UserClick(IDC_CTX_SEARCH);
        return d;
    }
    static std::vector<std::string> Listed(CContextSetDlg& d) {
        std::vector<std::string> rows;
        for (int r = 0; r < d.Packages().RowCount(); ++r)
            rows.push_back(d.Packages().CellText(r, 0) + (d.Packages().IsRowChecked(r) ? "+" : ""));
        return rows;
    }
    std::string Box() const { return host_.boxes.empty() ? "" : host_.boxes.back().text; }
    CMapStrToPkgObj none_;
};

TEST_F(ContextSetDlgTest, SearchRefusalsComeInTheirOrderBeforeAnyQuery) {
    struct Case {
        std::string heldState, src, state, tgt;  // heldState: the state read from the settings
        int run;
        std::string message;
        MsgKind kind;
    };
    const std::vector<Case> cases = {
        {"DEV", "", "DEV", "", kKsqlOk, "Error: The Source Project and State cannot be blank.",
         MsgKind::Warning},
        {"", "Payroll", "DEV", "Payroll", kKsqlOk,
         "Error: The Source Project and State cannot be blank.", MsgKind::Warning},
        {"DEV", "Payroll", "", "Payroll", kKsqlOk,
         "Error: The Target Project cannot be the same as the Source Project.", MsgKind::Warning},
        {"DEV", "Payroll", "", "EU", kKsqlOk, "Error: Project and State cannot be blank.",
         MsgKind::Plain},
        {"DEV", "Payroll", "DEV", "EU", kKsqlFailed,
         "Error: RunKsql failed - unable to connect to the broker.", MsgKind::Plain},
        // The runner has reported the unwritten statement file itself.
        {"DEV", "Payroll", "DEV", "EU", kKsqlStatementUnwritten, "", MsgKind::Plain},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message + " " + c.src);
        WriteSettingText(kSectionSettings, "SrcState", c.heldState);
        qvtest::FakeRepository repo(host_);
        repo.Answer(SearchResult({"PAY0001"}), c.run);
        auto d = Open(repo, c.src, c.state, c.tgt);
        EXPECT_EQ(Box(), c.message);
        if (!c.message.empty()) {
            EXPECT_EQ(host_.boxes.back().kind, c.kind);
        }
        if (c.kind == MsgKind::Warning) {
            EXPECT_EQ(d->GetFocusId(), IDC_CTX_TGT_PROJECT);
        }
        EXPECT_EQ(repo.statements().size(), c.run == kKsqlOk ? 0u : 1u);
        EXPECT_EQ(d->Packages().RowCount(), 0);
        EXPECT_EQ(d->PackageList.GetCount(), 0);
    }
}

TEST_F(ContextSetDlgTest, SearchResultsListPackagesOrTellWhatWentWrong) {
    const std::string longName(290, 'L');
    struct Case {
        std::string file, message;
        std::vector<std::string> listed;
        int records;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {SearchResult({"PAY0001", "PAY0002"}), "", {"PAY0001+", "PAY0002+"}, 2},
        {"Error: no such column\n", "Error: no such column", {}, 0},
        // Only the tool's first line can be its error or zero-results line.
        {SearchResult({"Error: see log", "KSQL query has Zero results"}), "",
         {"Error: see log+", "KSQL query has Zero results+"}, 2},
        {"Error: Incorrect Login\n", "Error: Incorrect Login\n\nCheck if SingleWorkStation is set.",
         {}, 0},
        {"KSQL query has Zero results.\n", "KSQL query has Zero results.\n\nProject 'O'Brien', "
         "state 'DEV' was not found: it has no packages.", {}, 0},
        // A state without packages gives one row with an empty package name, which is none.
        {SearchResult({}) + "Payroll\tARCHIVE\t\n", "Project 'O'Brien', state 'DEV' holds no "
         "packages.", {}, 0},
        {SearchResult({}), "Error: Unable to fetch data from ksqlstmt.dat", {}, 0},
        // A line longer than 254 characters stays one package.
        {SearchResult({longName}), "", {longName + "+"}, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.substr(0, 60));
        qvtest::FakeRepository repo(host_);
        repo.Answer(c.file);
        auto d = Open(repo, "O'Brien", "DEV", "EU");
        EXPECT_EQ(Box(), c.message);
        EXPECT_EQ(Listed(*d), c.listed);
        EXPECT_EQ(d->PackageList.GetCount(), c.records);
        EXPECT_NE(repo.statements()[0].find("= 'O''Brien'  AND"), std::string::npos);
        if (c.listed.empty()) continue;
        EXPECT_TRUE(d->SelectAllMark());
        EXPECT_EQ(d->Packages().CellText(0, 1), "0001");
        EXPECT_EQ(d->GetDlgItemText(IDC_CTX_PACKAGE_COUNT), std::to_string(c.records));
    }
    // A failed search leaves none of the packages an earlier one found.
    repo_.Answer(SearchResult({"OLD1", "OLD2"}));
    repo_.Answer("Error: broken\n");
    auto d = Open(repo_, "Payroll", "DEV", "EU");
    d->UserClick(IDC_CTX_SEARCH);
    EXPECT_EQ(Listed(*d), std::vector<std::string>{});
    EXPECT_EQ(d->PackageList.GetCount(), 0);
    EXPECT_EQ(d->GetDlgItemText(IDC_CTX_PACKAGE_COUNT), "0");
}

TEST_F(ContextSetDlgTest, OkRefusesAnIncompleteContextWithFocusOnTheCulprit) {
    struct Case {
        std::string tgtProject, tgtState, tgtPackage;
        bool search;
        std::string message;
        int focus;
    };
    const std::vector<Case> cases = {
        {"", "DEV", "EU1", true, "Error: The Target Project cannot be blank.", IDC_CTX_TGT_PROJECT},
        {"EU", "", "EU1", true, "Error: The Target State cannot be blank.", IDC_CTX_TGT_STATE},
        {"EU", "DEV", "", true, "Error: The Target Package cannot be blank.", IDC_CTX_TGT_PACKAGE},
        {"Payroll", "DEV", "EU1", true,
         "Error: The Target Project cannot be the same as the Source Project.",
         IDC_CTX_TGT_PROJECT},
        {"EU", "DEV", "EU1", false, "Error: No Source Packages in Package List.", IDC_CTX_SEARCH},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        qvtest::FakeRepository repo(host_);
        repo.Answer(SearchResult({"PAY0001"}));
        auto d = Open(repo, "Payroll", "DEV", "EU", c.search);
        d->UserSetText(IDC_CTX_TGT_PROJECT, c.tgtProject);
        d->UserSetText(IDC_CTX_TGT_STATE, c.tgtState);
        d->UserSetText(IDC_CTX_TGT_PACKAGE, c.tgtPackage);
        d->UserFocus(IDC_CTX_TGT_PACKAGE);  // Enter in a source box would search instead
        d->UserKeyEnter();
        EXPECT_FALSE(d->IsEnded());
        EXPECT_EQ(Box(), c.message);
        EXPECT_EQ(host_.boxes.back().kind, MsgKind::Warning);
        EXPECT_EQ(d->GetFocusId(), c.focus);
        // The values reached the settings before the checks.
        EXPECT_EQ(ReadSettingText(kSectionSettings, "TgtPackage"), c.tgtPackage);
    }
}

TEST_F(ContextSetDlgTest, OkMarksThePackageEachRowShowsWhateverTheSort) {
    for (int headerClicks : {0, 1, 2}) {  // as found, ascending, descending
        SCOPED_TRACE(headerClicks);
        qvtest::FakeRepository repo(host_);
        repo.Answer(SearchResult({"PKG-B", "PKG-C", "PKG-A"}));
        auto d = Open(repo, "Payroll", "DEV", "EU");
        for (int i = 0; i < headerClicks; ++i) d->Packages().UserHeaderClick(0);
        for (int r = 0; r < d->Packages().RowCount(); ++r)
            if (d->Packages().CellText(r, 0) == "PKG-C") d->Packages().UserPress(r, true);
        d->UserSetText(IDC_CTX_TGT_STATE, "DEV");
        d->UserSetText(IDC_CTX_TGT_PACKAGE, "EU1");
        d->UserClick(IDOK);
        ASSERT_EQ(d->Result(), IDOK);
        std::string marks;
        for (const char* key : {"0", "1", "2"}) {
            CPkgObj p;
            d->PackageList.Lookup(key, p);
            marks += p.selected + ".";
        }
        EXPECT_EQ(marks, "1..1.");  // PKG-B, PKG-C, PKG-A
    }
    EXPECT_TRUE(Traced("ContextSetDlg: LocalPath = " + TheApp().browseDir));
}

TEST_F(ContextSetDlgTest, TheFolderBrowserSetsTheLocalPathAndTheBrowseDirectory) {
    const std::string start = TheApp().browseDir;
    const std::vector<std::pair<std::optional<std::string>, std::string>> answers = {
        {std::nullopt, start}, {std::string("/data/work"), "/data/work"}};
    for (const auto& [answer, expected] : answers) {
        auto d = Open(repo_, "", "", "", false);
        const std::string before = TheApp().browseDir;
        host_.QueueFolder(answer);
        d->UserClick(IDC_CTX_BROWSE);
        EXPECT_EQ(host_.folderRequests.back(),
                  std::make_pair(std::string("Select a directory..."), before));
        EXPECT_EQ(d->GetDlgItemText(IDC_CTX_LOCAL_PATH), expected);
        EXPECT_EQ(TheApp().browseDir, expected);
    }
}

}  // namespace
}  // namespace qv
