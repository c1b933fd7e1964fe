// The JUnit report: valid against the schema of the format, with the counts, failures and skips
// CI systems show, whatever the names hold, and the changes since an earlier prediction.
#include <gtest/gtest.h>

#include <string>

#include "report/Reports.h"
#include "tests/report/Sample.h"
#include "tests/report/XmlCheck.h"

namespace {

using qvtest::JunitSchemaErrors;
using qvtest::XPath;

TEST(JunitReport, CountsFailuresAndSkipsPerPackage) {
    const std::string xml =
        qv::JunitReport(qvtest::SampleResult(), qvtest::SampleContext(), nullptr);
    ASSERT_EQ(JunitSchemaErrors(xml), "") << xml;
    const struct {
        const char* xpath;
        const char* value;
    } cases[] = {
        {"concat(/testsuites/@tests, ' ', /testsuites/@failures, ' ', /testsuites/@skipped)",
         "6 3 1"},
        {"count(//testsuite)", "2"},
        {"concat(//testsuite[1]/@name, ' ', //testsuite[1]/@tests, ' ', "
         "//testsuite[1]/@failures, ' ', //testsuite[1]/@skipped)",
         "PAY0001 4 2 1"},
        {"concat(//testsuite[2]/@name, ' ', //testsuite[2]/@tests, ' ', //testsuite[2]/@failures)",
         "PAY0002 2 1"},
        {"string(//testsuite[1]/@timestamp)", "2026-12-09T22:50:00"},
        {"string(//testsuite[2]//property[@name='target_package']/@value)", "EU0001"},
        {"string(//property[@name='source_packages']/@value)", "PAY0001, PAY0002"},
        {"string(//testcase[@name='b.cpp']/@classname)", "\\Payroll\\src"},
        {"string(//testcase[@name='b.cpp']/failure/@message)", "6 -> 2.1.3  (U) Unmerged Exists"},
        {"string(//testcase[@name='b.cpp']/failure/@type)", "unmerged"},
        {"string(//testcase[@name='b.cpp']/failure)",
         "An unmerged branch version is in the target package.\ntarget_version: 2.1.3"},
        // Without a sentence the failure tells the outcome.
        {"string(//testcase[@name='e.cpp']/failure)", "4 (D) -> Src Ignored"},
        {"count(//testcase[@name='f.cpp']/skipped)", "1"},
        {"count(//testcase[@name='c.cpp']/*)", "0"},
    };
    for (const auto& c : cases) EXPECT_EQ(XPath(xml, c.xpath), c.value) << c.xpath;
}

TEST(JunitReport, EveryTextIsEscapedAndCharactersXmlCannotHoldAreReplaced) {
    qv::ResultTable table = qvtest::SampleResult();
    const std::string nasty = "<a href=\"x\">&amp;'\t\r\n\x01\x1f\xff\xc3(\xef\xbf\xbe]]>";
    table.rows[1][qv::kColFile] = nasty;
    table.rows[1][qv::kColPath] = nasty;
    table.rows[1][qv::kColMergeStatus] += nasty;
    table.rows[1][qv::kColSrcPackage] = nasty;
    table.reasons[1].why = nasty;
    table.reasons[1].facts.clear();
    qv::ReportContext context = qvtest::SampleContext();
    context.broker = nasty;
    context.made = "yesterday";  // no timestamp then
    const std::string xml = qv::JunitReport(table, context, nullptr);
    ASSERT_EQ(JunitSchemaErrors(xml), "") << xml;
    // What a reader gets back: markup and blanks as they were, the rest as U+FFFD.
    const std::string back = "<a href=\"x\">&amp;'\t\r\n\uFFFD\uFFFD\uFFFD\uFFFD(\uFFFD]]>";
    EXPECT_EQ(XPath(xml, "string(//testsuite[2]/testcase[1]/@name)"), back);
    EXPECT_EQ(XPath(xml, "string(//testsuite[2]/testcase[1]/@classname)"), back);
    EXPECT_EQ(XPath(xml, "string(//testsuite[2]/@name)"), back);
    EXPECT_EQ(XPath(xml, "string(//testsuite[2]/testcase[1]/failure)"), back);
    EXPECT_EQ(XPath(xml, "string(//property[@name='broker']/@value)"), back);
    EXPECT_EQ(XPath(xml, "count(//@timestamp)"), "0");
}

TEST(JunitReport, ChangesShowWithoutCountingAConflictTwice) {
    const qv::ResultTable now = qvtest::SampleResult();
    qv::ResultTable before = now;
    before.rows[1][qv::kColMergeStatus] = "6 -> 2.1.3";  // b.cpp: new conflict
    before.rows[3][qv::kColFile] = "gone.cpp";           // d.cpp added
    before.rows.push_back(qvtest::ResultRow("old.cpp", "1 (D) -> Src Ignored"));
    qv::Changes changes = qv::CompareResults(before, now);
    changes.oldFile = "old.list";
    const std::string xml = qv::JunitReport(now, qvtest::SampleContext(), &changes);
    ASSERT_EQ(JunitSchemaErrors(xml), "") << xml;
    const struct {
        const char* xpath;
        const char* value;
    } cases[] = {
        {"concat(/testsuites/@tests, ' ', /testsuites/@failures)", "8 3"},
        {"string(//testcase[@name='b.cpp']/system-out)",
         "new_conflict since old.list: 6 -> 2.1.3 => 6 -> 2.1.3  (U) Unmerged Exists"},
        {"string(//testcase[@name='d.cpp']/system-out)",
         "added since old.list: not there before, now 3 -> 5 (E) Merge Tag Exists"},
        {"count(//testcase[@name='a.cpp']/system-out)", "0"},
        {"concat(//testsuite[3]/@name, ' ', //testsuite[3]/@tests, ' ', //testsuite[3]/@failures)",
         "removed since old.list 2 0"},
        {"string(//testsuite[3]/testcase[@name='old.cpp']/system-out)",
         "removed since old.list: was 1 (D) -> Src Ignored, not there now"},
        {"string(//testsuite[1]//property[@name='changes']/@value)",
         "new_conflict 1, resolved_conflict 0, target_version_changed 0, outcome_changed 0, "
         "added 1, removed 2"},
    };
    for (const auto& c : cases) EXPECT_EQ(XPath(xml, c.xpath), c.value) << c.xpath;
}

TEST(JunitReport, AResultWithoutRowsStillNamesWhatWasAnalysed) {
    qv::ResultTable empty = qvtest::SampleResult();
    empty.rows.clear();
    empty.reasons.clear();
    const std::string xml = qv::JunitReport(empty, qvtest::SampleContext(), nullptr);
    ASSERT_EQ(JunitSchemaErrors(xml), "") << xml;
    EXPECT_EQ(XPath(xml, "concat(/testsuites/@tests, ' ', //testsuite/@name)"),
              "0 PAY0001, PAY0002");
}

}  // namespace
