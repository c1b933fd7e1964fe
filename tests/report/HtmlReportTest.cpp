// The HTML report's page: what it shows of the context, the summary, the rows and the changes,
// that every text is escaped, and that it refers to nothing outside itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/Reports.h"
#include "tests/report/HtmlFixture.h"

namespace qv {
namespace {

using qvtest::MixedContext;
using qvtest::MixedResult;

// The page of the mixed result, with two changes since an earlier prediction.
std::string MixedPage(bool withChanges) {
    Changes changes;
    changes.oldFile = "before<1>.save";
    changes.rows = {
        {ChangeKind::NewConflict, "tax.cpp", "\\Payroll\\src", "PAY0002", "6 -> 2.1.3",
         "6 -> 2.1.3  (U) Unmerged Exists"},
        {ChangeKind::Removed, "gone&.cpp", "\\Payroll", "PAY0001", "1 -> 2", ""},
    };
    return HtmlReport(MixedResult(), MixedContext(), withChanges ? &changes : nullptr);
}

TEST(HtmlReportTest, ThePageShowsTheContextCountsColoursAndChanges) {
    const std::string page = MixedPage(true);
    const std::vector<std::pair<const char*, std::string>> present = {
        {"a file name with <, &, quotes",
         "<td>a&lt;b&gt;&amp;&quot;q&#39;.cpp</td><td>\\Pay &amp; &lt;roll&gt;</td>"},
        {"the reason and its facts, escaped",
         "Because of a&lt;b&gt;&amp;&quot;q&#39;.cpp in the target.<span class=\"facts\">"
         "rule rule_of_a&lt;b&gt;&amp;&quot;q&#39;.cpp; source_version 3</span>"},
        {"the context", "<dt>Source packages</dt><dd>PAY0001, PAY0002</dd>"},
        {"the target package", "<dt>Target package</dt><dd>EU0001</dd>"},
        {"the options", "<dt>Merge option</dt><dd>Take Trunk</dd>"},
        {"when, by what, against which broker",
         "Made 2026-12-09 22:50:00 UTC by cpm-analyze 1.07 against broker demo."},
        {"the totals", "9 rows, 4 conflicts."},
        {"two unmerged rows", "<td>unmerged</td><td class=\"n\">2</td>"},
        {"an empty kind", "<td>tag_exists</td><td class=\"n\">1</td>"},
        {"mapped in blue (0x00BBGGRR converted)",
         "<td class=\"status\" style=\"color:#0000ff\">3 -&gt; 5.4.1</td>"},
        {"unmerged in the problem colour",
         "style=\"color:#c83200\">6 -&gt; 2.1.3  (U) Unmerged Exists</td>"},
        {"merge tagged", "style=\"color:#8000ff\">3 -&gt; 5  (M) Merge Tagged</td>"},
        {"a deleted source ignored", "style=\"color:#c88020\">4 (D) -&gt; Src Ignored</td>"},
        {"a conflict row", "<tr data-kind=\"tag_exists\" class=\"conflict\">"},
        {"a row that is none", "<tr data-kind=\"already_exists\"><td>here.cpp</td>"},
        {"the changes' heading, escaped", "<h2>Changes since before&lt;1&gt;.save</h2>"},
        {"a change count", "<td>new_conflict</td><td class=\"n\">1</td>"},
        {"no change of a kind", "<td>outcome_changed</td><td class=\"n\">0</td>"},
        {"a removed row",
         "<tr data-change=\"removed\"><td>removed</td><td>gone&amp;.cpp</td><td>\\Payroll</td>"
         "<td>PAY0001</td><td class=\"status\" style=\"color:#0000ff\">1 -&gt; 2</td>"},
        {"the filters", "<input type=\"checkbox\" id=\"f-conflicts\"> Conflicts only"},
        {"a kind to filter by", "<option value=\"not_analysed\">not_analysed</option>"},
    };
    for (const auto& [what, text] : present) EXPECT_NE(page.find(text), std::string::npos) << what;

    const std::vector<std::pair<const char*, std::string>> absent = {
        {"an unescaped name", "a<b>"},    {"an unescaped path", "<roll>"},
        {"a web address", "http://"},     {"a secure web address", "https://"},
        {"a loaded file", "src="},        {"a style sheet", "<link"},
        {"an imported style", "@import"}, {"a style's address", "url("},
        {"a font", "@font-face"},
    };
    for (const auto& [what, text] : absent) EXPECT_EQ(page.find(text), std::string::npos) << what;
}

TEST(HtmlReportTest, TheSummaryListsEveryKindInOrderAndChangesOnlyWhenGiven) {
    const std::string page = MixedPage(false);
    size_t at = page.find("id=\"kind-counts\"");
    ASSERT_NE(at, std::string::npos);
    for (int k = 0; k < static_cast<int>(OutcomeKind::Count); ++k) {
        const std::string row =
            std::string("<tr data-kind=\"") + KindName(static_cast<OutcomeKind>(k)) + "\"><td>";
        const size_t next = page.find(row, at);
        ASSERT_NE(next, std::string::npos) << KindName(static_cast<OutcomeKind>(k));
        at = next;
    }
    EXPECT_EQ(page.find("Changes since"), std::string::npos);

    // An empty result and an empty context still make a whole page.
    const std::string empty = HtmlReport({}, {}, nullptr);
    EXPECT_NE(empty.find("0 rows, 0 conflicts."), std::string::npos);
    EXPECT_NE(empty.find("The result holds no rows."), std::string::npos);
    EXPECT_NE(empty.find("<dt>Broker</dt><dd><span class=\"none\">(not given)</span>"),
              std::string::npos);
    EXPECT_NE(empty.find("</html>"), std::string::npos);
}

}  // namespace
}  // namespace qv
