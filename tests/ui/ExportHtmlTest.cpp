// "Export List..." as an HTML report: which names get the report, what the report takes from
// the list and the window, and the list the reports are made from.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/MainSettings.h"
#include "tests/ui/WindowFixture.h"
#include "ui/ResultTableOfList.h"

namespace qv {
namespace {

using qvtest::MakeRecord;
using qvtest::ReadFile;

class ExportHtmlTest : public qvtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Start(w_);
        w_.Values().Broker = "demo";
        w_.Values().UserId = "pat";
        w_.Values().SrcProject = "Payroll";
        w_.Values().SrcState = "DEV";
        w_.Values().TgtProject = "PayrollEU";
        w_.Values().TgtState = "DEV";
        w_.Values().TgtPackage = "EU0001";
        w_.SelectedPackages().SetAt("0", CPkgObj{"PAY0001", "1"});
        w_.SelectedPackages().SetAt("1", CPkgObj{"PAY0009", "0"});
        Fill(w_, {MakeRecord("a<b>&.cpp", "3 -> 5.4.1", "11", "PAY0001"),
                  MakeRecord("tax.cpp", "6 -> 2.1.3  (U) Unmerged Exists", "12", "PAY0001")});
        const int tax = RowOf(w_, "tax.cpp");
        ASSERT_TRUE(w_.ResultList().SetCellToolTip(tax, kColMergeStatus,
                                                   "An unmerged branch <1.2> exists."));
        ASSERT_EQ(mkdir(out_.c_str(), 0755), 0);
    }
    // Exports to `name` below out_; the file's contents.
    std::string Export(const std::string& name) {
        host_.QueueFile(out_ + "/" + name);
        w_.UserClick(IDC_EXPORT_LIST);
        return ReadFile(out_ + "/" + name);
    }
    static unsigned Mode(const std::string& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777u : 0u;
    }

    CQuorvelDlg w_{host_};
    std::string out_ = home_ / "out";
};

TEST_F(ExportHtmlTest, AnHtmlNameGetsTheReportOfTheListAndAnyOtherTheCsv) {
    const std::string csv = Export("list.csv");
    ASSERT_EQ(csv.rfind("File,Path,", 0), 0u);
    const FileDialogRequest& r = host_.fileRequests.back();
    EXPECT_EQ(r.filters,
              (std::vector<std::pair<std::string, std::string>>{
                  {"CSV Files (*.csv)", "*.csv"}, {"HTML report (*.html)", "*.html;*.htm"}}));

    const std::pair<const char*, bool> cases[] = {
        {"report.html", true},      {"REPORT.HTM", true}, {"r.Html", true},
        {"report.html.csv", false}, {"html", false},      {"report.txt", false},
    };
    for (const auto& [name, html] : cases) {
        SCOPED_TRACE(name);
        const std::string text = Export(name);
        EXPECT_EQ(text.rfind("<!DOCTYPE html>", 0) == 0, html);
        EXPECT_TRUE(html || text == csv);
        EXPECT_EQ(Mode(out_ + "/" + name), Mode(out_ + "/list.csv"));
    }
    EXPECT_TRUE(host_.boxes.empty());
}

TEST_F(ExportHtmlTest, TheReportShowsTheListsRowsReasonsAndTheWindowsContext) {
    const std::string page = Export("report.html");
    const std::string expected[] = {
        "<td>a&lt;b&gt;&amp;.cpp</td>",
        "style=\"color:#c83200\">6 -&gt; 2.1.3  (U) Unmerged Exists</td>"
        "<td>PAY0001</td><td class=\"why\">An unmerged branch &lt;1.2&gt; exists.</td>",
        "2 rows, 1 conflict.",
        "<dt>Broker</dt><dd>demo</dd>",
        "<dt>Source package</dt><dd>PAY0001</dd>",
        "<dt>Target package</dt><dd>EU0001</dd>",
        "<dt>Merge option</dt><dd>" + w_.SelectedMergeOption() + "</dd>",
        "<dt>Placement</dt><dd>" + w_.SelectedPlacementOption() + "</dd>",
        "by quorvel 1.07 against broker demo.",
    };
    for (const std::string& e : expected) EXPECT_NE(page.find(e), std::string::npos) << e;
}

TEST_F(ExportHtmlTest, TheListsTableHasAReasonPerRowAndLeavesBlankRowsOut) {
    const ResultTable t = TableFromList(w_.ResultList());
    ASSERT_EQ(t.reasons.size(), 2u);
    const size_t tax = CellOf(t.rows[0], kColFile) == "tax.cpp" ? 0 : 1;
    EXPECT_EQ(t.reasons[tax].kind, OutcomeKind::Unmerged);
    EXPECT_EQ(t.reasons[tax].why, "An unmerged branch <1.2> exists.");
    EXPECT_EQ(t.reasons[1 - tax].kind, OutcomeKind::Mapped);
    w_.UserClick(IDC_CLEAR_LIST);
    EXPECT_TRUE(TableFromList(w_.ResultList()).reasons.empty());
}

}  // namespace
}  // namespace qv
