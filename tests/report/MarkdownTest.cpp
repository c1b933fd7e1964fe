// The Markdown report: the summary and the conflicts, cells that cannot break the tables, and a
// size a merge-request comment takes however many rows the result has.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "report/Reports.h"
#include "tests/report/Sample.h"

namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The lines of a Markdown table that hold `part`.
int TableLinesWith(const std::string& text, const std::string& part) {
    std::istringstream in(text);
    int n = 0;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("| ", 0) == 0 && Has(line, part)) ++n;
    return n;
}

TEST(MarkdownReport, SummaryAndConflicts) {
    const std::string md =
        qv::MarkdownReport(qvtest::SampleResult(), qvtest::SampleContext(), nullptr);
    for (const char* part : {
             "## Merge prediction: Payroll/DEV \xE2\x86\x92 PayrollEU/DEV/EU0001\n",
             "- Packages: PAY0001, PAY0002\n",
             "**6 rows, 3 conflicts**\n",
             "| merge\\_tagged | 1 |\n",
             "| not\\_analysed | 1 |\n",
             "| File | Path | Outcome | Why |\n",
             "| b.cpp | \\\\Payroll\\\\src | 6 -\\> 2.1.3  (U) Unmerged Exists | An unmerged "
             "branch version is in the target package. |\n",
         })
        EXPECT_TRUE(Has(md, part)) << part << "\n" << md;
    EXPECT_FALSE(Has(md, "Changes since"));
    EXPECT_EQ(TableLinesWith(md, "a.cpp"), 0);  // no conflict
}

TEST(MarkdownReport, CellsCannotBreakTheTable) {
    qv::ResultTable table = qvtest::SampleResult();
    table.rows[1][qv::kColFile] = "a|b\r\nc\nd<script>`x`*y*\x01";
    table.reasons[1].why = "one | two";
    const std::string md = qv::MarkdownReport(table, qvtest::SampleContext(), nullptr);
    EXPECT_TRUE(Has(md, "| a\\|b<br>c<br>d\\<script\\>\\`x\\`\\*y\\*  | "));
    EXPECT_TRUE(Has(md, "| one \\| two |\n"));
}

TEST(MarkdownReport, StaysWellUnderTheSizeOfAComment) {
    qv::ResultTable table = qvtest::SampleResult();
    table.rows.clear();
    table.reasons.clear();
    qv::ResultTable before = table;
    const std::string longPath(400, 'p');
    for (int i = 0; i < 5000; ++i) {
        const std::string file = "f" + std::to_string(i) + ".cpp";
        table.rows.push_back(qvtest::ResultRow(file, "3 -> 5 (E) Merge Tag Exists", "P", longPath));
        before.rows.push_back(qvtest::ResultRow(file, "3 -> 5", "P", longPath));
    }
    qv::ReportContext context = qvtest::SampleContext();
    context.packages.assign(500, std::string(100, 'k'));
    qv::Changes changes = qv::CompareResults(before, table);
    changes.oldFile = "old.list";
    const std::string md = qv::MarkdownReport(table, context, &changes);
    EXPECT_LT(md.size(), 55000u);
    EXPECT_TRUE(Has(md, "| new\\_conflict | 5000 |\n"));
    const int conflictsShown = TableLinesWith(md, "Merge Tag Exists |  |");
    EXPECT_GT(conflictsShown, 10);
    EXPECT_TRUE(
        Has(md, "\xE2\x80\xA6 and " + std::to_string(5000 - conflictsShown) + " more conflicts\n"))
        << md.substr(md.size() - 500);
    EXPECT_TRUE(Has(md, " more changes\n"));
    EXPECT_TRUE(Has(md, " and 480 more\n"));
}

}  // namespace
