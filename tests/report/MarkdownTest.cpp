// The Markdown report: the summary and the conflicts, cells that cannot break the tables, and a
// size a merge-request comment takes however many rows the result has.
#include <gtest/gtest.h>

#include <sstream>

#include "report/Reports.h"
#include "tests/report/Support.h"

namespace {

// The table lines of `text` that hold `part`.
int TableLinesWith(const std::string& text, const std::string& part) {
    std::istringstream in(text);
    int n = 0;
    for (std::string line; std::getline(in, line);)
        n += line.rfind("| ", 0) == 0 && line.find(part) != std::string::npos;
    return n;
}

TEST(MarkdownReport, SummaryConflictsAndCellsThatCannotBreakTheTable) {
    qv::ResultTable table = qvtest::SampleResult();
    table.rows[3][qv::kColFile] = "a|b\r\nc\nd<s>`x`*y*\x01";
    table.reasons[3].why = "one | two";
    const std::string md = qv::MarkdownReport(table, qvtest::SampleContext(), nullptr);
    for (const char* line : {
             "## Merge prediction: Payroll/DEV \xE2\x86\x92 PayrollEU/DEV/EU0001",
             "- Packages: PAY0001, PAY0002",
             "**6 rows, 3 conflicts**",
             "| not\\_analysed | 1 |",
             "| b.cpp | \\\\Payroll\\\\src | 6 -\\> 2.1.3  (U) Unmerged Exists | An unmerged "
             "branch version is in the target package. |",
             "| a\\|b<br>c<br>d\\<s\\>\\`x\\`\\*y\\*  | \\\\Payroll\\\\src | 3 -\\> 5 (E) Merge "
             "Tag "
             "Exists | one \\| two |",
         })
        EXPECT_NE(md.find(std::string(line) + "\n"), md.npos) << line << "\n" << md;
    EXPECT_EQ(TableLinesWith(md, "a.cpp"), 0);  // no conflict
    EXPECT_EQ(md.find("Changes since"), md.npos);
}

TEST(MarkdownReport, StaysWellUnderTheSizeOfAComment) {
    qv::ResultTable table, before;
    for (int i = 0; i < 5000; ++i) {
        const std::string file = "f" + std::to_string(i) + ".cpp", path(400, 'p');
        table.rows.push_back(qvtest::ResultRow(file, "3 -> 5 (E) Merge Tag Exists", "P", path));
        before.rows.push_back(qvtest::ResultRow(file, "3 -> 5", "P", path));
    }
    qv::ReportContext context = qvtest::SampleContext();
    context.packages.assign(500, std::string(100, 'k'));
    qv::Changes changes = qv::CompareResults(before, table);
    const std::string md = qv::MarkdownReport(table, context, &changes);
    EXPECT_LT(md.size(), 55000u);
    const int shown = TableLinesWith(md, "Merge Tag Exists |  |");
    EXPECT_GT(shown, 10);
    for (const std::string& part : std::vector<std::string>{
             "| new\\_conflict | 5000 |\n", " and 480 more\n", " more changes\n",
             "\xE2\x80\xA6 and " + std::to_string(5000 - shown) + " more conflicts\n"})
        EXPECT_NE(md.find(part), md.npos) << part;
}

}  // namespace
