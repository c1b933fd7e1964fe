// The JUnit report: valid against the format's schema, with the counts, failures and skips CI
// systems show, whatever the names hold, and the changes since an earlier prediction.
#include <gtest/gtest.h>

#include "report/Reports.h"
#include "tests/report/Support.h"

namespace {

using qvtest::XPath;

// Each XPath expression with the value it has in `xml`, which must be valid.
void ExpectValues(const std::string& xml,
                  const std::vector<std::pair<std::string, std::string>>& cases) {
    ASSERT_EQ(qvtest::JunitSchemaErrors(xml), "") << xml;
    for (const auto& [xpath, value] : cases) EXPECT_EQ(XPath(xml, xpath), value) << xpath;
}

std::string Counts(const std::string& element) {
    return "concat(" + element + "/@name, ' ', " + element + "/@tests, ' ', " + element +
           "/@failures, ' ', " + element + "/@skipped)";
}

TEST(JunitReport, CountsFailuresAndSkipsPerPackage) {
    ExpectValues(
        qv::JunitReport(qvtest::SampleResult(), qvtest::SampleContext(), nullptr),
        {{Counts("/testsuites"), "merge prediction 6 3 1"},
         {Counts("//testsuite[1]"), "PAY0001 4 2 1"},
         {Counts("//testsuite[2]"), "PAY0002 2 1 0"},
         {"count(//testsuite)", "2"},
         {"string(//testsuite[1]/@timestamp)", "2026-12-09T22:50:00"},
         {"string(//testsuite[2]//property[@name='target_package']/@value)", "EU0001"},
         {"string(//property[@name='source_packages']/@value)", "PAY0001, PAY0002"},
         {"string(//testcase[@name='b.cpp']/@classname)", "\\Payroll\\src"},
         {"string(//testcase[@name='b.cpp']/failure/@message)", "6 -> 2.1.3  (U) Unmerged Exists"},
         {"string(//testcase[@name='b.cpp']/failure/@type)", "unmerged"},
         {"string(//testcase[@name='b.cpp']/failure)",
          "An unmerged branch version is in the target package.\ntarget_version: 2.1.3"},
         {"string(//testcase[@name='e.cpp']/failure)", "4 (D) -> Src Ignored"},
         {"count(//testcase[@name='f.cpp']/skipped)", "1"},
         {"count(//testcase[@name='c.cpp']/*)", "0"}});
}

TEST(JunitReport, EveryTextIsEscapedAndCharactersXmlCannotHoldAreReplaced) {
    qv::ResultTable table = qvtest::SampleResult();
    const std::string nasty = "<a b=\"x\">&amp;'\t\r\n\x01\x1f\xff\xc3(\xef\xbf\xbe]]>";
    for (const int column : {qv::kColFile, qv::kColPath, qv::kColSrcPackage})
        table.rows[1][column] = nasty;
    table.rows[1][qv::kColMergeStatus] += nasty;
    table.reasons[1] = {qv::OutcomeKind::Unmerged, "", nasty, "", {}};
    qv::ReportContext context = qvtest::SampleContext();
    context.broker = nasty;
    context.made = "yesterday";  // no timestamp then
    // What a reader gets back: markup and blanks as they were, the rest as U+FFFD.
    const std::string back = "<a b=\"x\">&amp;'\t\r\n\uFFFD\uFFFD\uFFFD\uFFFD(\uFFFD]]>";
    const std::string tc = "//testsuite[2]/testcase[1]";
    ExpectValues(qv::JunitReport(table, context, nullptr),
                 {{"string(" + tc + "/@name)", back},
                  {"string(" + tc + "/@classname)", back},
                  {"string(" + tc + "/failure)", back},
                  {"string(//testsuite[2]/@name)", back},
                  {"string(//property[@name='broker']/@value)", back},
                  {"count(//@timestamp)", "0"}});
}

TEST(JunitReport, ChangesShowWithoutCountingAConflictTwice) {
    const qv::ResultTable now = qvtest::SampleResult();
    qv::ResultTable before = now;
    before.rows[1][qv::kColMergeStatus] = "6 -> 2.1.3";  // b.cpp: a new conflict
    before.rows[3][qv::kColFile] = "gone.cpp";           // d.cpp: added
    before.rows.push_back(qvtest::ResultRow("old.cpp", "1 (D) -> Src Ignored"));
    qv::Changes changes = qv::CompareResults(before, now);
    changes.oldFile = "old.list";
    ExpectValues(
        qv::JunitReport(now, qvtest::SampleContext(), &changes),
        {{Counts("/testsuites"), "merge prediction 8 3 1"},
         {Counts("//testsuite[3]"), "removed since old.list 2 0 0"},
         {"string(//testcase[@name='b.cpp']/system-out)",
          "new_conflict since old.list: 6 -> 2.1.3 => 6 -> 2.1.3  (U) Unmerged Exists"},
         {"string(//testcase[@name='d.cpp']/system-out)",
          "added since old.list: not there before, now 3 -> 5 (E) Merge Tag Exists"},
         {"count(//testcase[@name='a.cpp']/system-out)", "0"},
         {"string(//testsuite[3]/testcase[@name='old.cpp']/system-out)",
          "removed since old.list: was 1 (D) -> Src Ignored, not there now"},
         {"string(//testsuite[1]//property[@name='changes']/@value)",
          "new_conflict 1, resolved_conflict 0, target_version_changed 0, outcome_changed 0, "
          "added 1, removed 2"}});
    // Without rows the report still names what was analysed.
    ExpectValues(qv::JunitReport(qv::ResultTable{}, qvtest::SampleContext(), nullptr),
                 {{Counts("/testsuites"), "merge prediction 0 0 0"},
                  {"string(//testsuite/@name)", "PAY0001, PAY0002"}});
}

}  // namespace
