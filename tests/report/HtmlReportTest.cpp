// The HTML report's page: what it shows of the context, the summary, the rows and the changes,
// that every text is escaped, and that it refers to nothing outside itself.
#include <gtest/gtest.h>

#include "report/Reports.h"
#include "tests/report/HtmlFixture.h"

namespace qv {
namespace {

TEST(HtmlReportTest, ThePageShowsTheContextCountsColoursAndChanges) {
    Changes changes{"before<1>.save",
                    {{ChangeKind::NewConflict, "tax.cpp", "\\src", "PAY0001", "6 -> 2.1.3",
                      "6 -> 2.1.3  (U) Unmerged Exists"},
                     {ChangeKind::Removed, "gone&.cpp", "\\src", "PAY0001", "1 -> 2", ""}}};
    const std::string page = HtmlReport(qvtest::MixedResult(), qvtest::MixedContext(), &changes);
    const char* const present[] = {
        "<td>a&lt;b&gt;&amp;&quot;q&#39;.cpp</td><td>\\Pay &amp; &lt;roll&gt;</td>",
        "Because of a&lt;b&gt;&amp;&quot;q&#39;.cpp.<span class=\"facts\">rule "
        "rule_a&lt;b&gt;&amp;&quot;q&#39;.cpp; source 3</span>",
        "<dt>Source packages</dt><dd>PAY0001, PAY0002</dd>",
        "<dt>Target package</dt><dd>EU0001</dd>",
        "<dt>Merge option</dt><dd>Take Trunk</dd>",
        "Made 2026-12-09 22:50:00 UTC by cpm-analyze 1.07 against broker demo.",
        "9 rows, 4 conflicts.",
        "<td>unmerged</td><td class=\"n\">2</td>",
        "<td>not_analysed</td><td class=\"n\">1</td>",
        // 0x00BBGGRR: ColorResult 0xFF0000 is blue, ColorProblem 0x0032C8 a red.
        "<td class=\"status\" style=\"color:#0000ff\">3 -&gt; 5.4.1</td>",
        "style=\"color:#c83200\">6 -&gt; 2.1.3  (U) Unmerged Exists</td>",
        "style=\"color:#8000ff\">3 -&gt; 5  (M) Merge Tagged</td>",
        "style=\"color:#c88020\">4 (D) -&gt; Src Ignored</td>",
        "<tr data-kind=\"tag_exists\" class=\"conflict\">",
        "<tr data-kind=\"already_exists\"><td>here.cpp</td>",
        "<h2>Changes since before&lt;1&gt;.save</h2>",
        "<td>new_conflict</td><td class=\"n\">1</td>",
        "<td>outcome_changed</td><td class=\"n\">0</td>",
        "<tr data-change=\"removed\"><td>removed</td><td>gone&amp;.cpp</td><td>\\src</td>"
        "<td>PAY0001</td><td class=\"status\" style=\"color:#0000ff\">1 -&gt; 2</td>",
    };
    for (const char* text : present) EXPECT_NE(page.find(text), std::string::npos) << text;
    // Nothing unescaped, nothing loaded from elsewhere.
    for (const char* text : {"a<b>", "<roll>", "http://", "https://", "src=", "<link", "@import",
                             "url(", "@font-face"})
        EXPECT_EQ(page.find(text), std::string::npos) << text;
}

TEST(HtmlReportTest, TheSummaryListsEveryKindInOrderAndChangesOnlyWhenGiven) {
    const std::string page = HtmlReport(qvtest::MixedResult(), qvtest::MixedContext(), nullptr);
    size_t at = page.find("id=\"kind-counts\"");
    for (int k = 0; k < static_cast<int>(OutcomeKind::Count); ++k) {
        const char* name = KindName(static_cast<OutcomeKind>(k));
        at = page.find(std::string("<tr data-kind=\"") + name + "\"><td>", at);
        ASSERT_NE(at, std::string::npos) << name;
    }
    EXPECT_EQ(page.find("Changes since"), std::string::npos);

    const std::string empty = HtmlReport({}, {}, nullptr);
    for (const char* text :
         {"0 rows, 0 conflicts.", "The result holds no rows.",
          "<dt>Broker</dt><dd><span class=\"none\">(not given)</span>", "</html>"})
        EXPECT_NE(empty.find(text), std::string::npos) << text;
}

}  // namespace
}  // namespace qv
