// What the report tests share: a small result with every kind of outcome, its context, and
// xmllint as the judge of XML output (the JUnit schema lies next to this file).
#pragma once

#include <string>
#include <vector>

#include "report/ReportTable.h"
#include "report/ResultColumns.h"
#include "tests/support/ToolRunner.h"

namespace qvtest {

inline std::vector<std::string> ResultRow(const std::string& file, const std::string& outcome,
                                          const std::string& package = "PAY0001",
                                          const std::string& path = "\\Payroll\\src") {
    std::vector<std::string> row(qv::kResultColumnCount, "x");
    row[qv::kColFile] = file, row[qv::kColPath] = path;
    row[qv::kColMergeStatus] = outcome, row[qv::kColSrcPackage] = package;
    return row;
}

// Rows of two packages; b.cpp and d.cpp have a reason with a sentence, b.cpp with a fact too.
inline qv::ResultTable SampleResult() {
    qv::ResultTable t;
    t.titles = {"File",         "Path",          "Version",   "Type",    "Tag",
                "Merge Status", "Src Package",   "Datasize",  "Creator", "Created Date",
                "Modifier",     "Modified Date", "Itemobjid", "Record"};
    t.rows = {ResultRow("a.cpp", "3 -> 5.4.1"),
              ResultRow("b.cpp", "6 -> 2.1.3  (U) Unmerged Exists"),
              ResultRow("c.cpp", "3 -> 5  (M) Merge Tagged", "PAY0002"),
              ResultRow("d.cpp", "3 -> 5 (E) Merge Tag Exists", "PAY0002"),
              ResultRow("e.cpp", "4 (D) -> Src Ignored"),
              ResultRow("f.cpp", "")};
    t.reasons.resize(t.rows.size());
    t.reasons[1].why = "An unmerged branch version is in the target package.";
    t.reasons[1].facts = {{"target_version", "2.1.3"}};
    t.reasons[3].why = "The target's latest version carries a merge tag.";
    return t;
}

inline qv::ReportContext SampleContext() {
    qv::ReportContext c;
    c.broker = "demo", c.srcProject = "Payroll", c.srcState = "DEV";
    c.packages = {"PAY0001", "PAY0002"};
    c.tgtProject = "PayrollEU", c.tgtState = "DEV", c.tgtPackage = "EU0001";
    c.made = "2026-12-09 22:50:00 UTC";
    return c;
}

// Empty when `xml` is valid against the JUnit schema; else what xmllint says.
inline std::string JunitSchemaErrors(const std::string& xml) {
    const std::string here = __FILE__;
    const std::string xsd = here.substr(0, here.rfind('/') + 1) + "junit.xsd";
    const ToolResult r = RunProgram("/usr/bin/xmllint", {"--noout", "--schema", xsd, "-"}, xml);
    return r.exitCode == 0 ? std::string() : "xmllint " + std::to_string(r.exitCode) + ": " + r.err;
}

// The value of an XPath expression over `xml`, without the line feed xmllint ends it with.
inline std::string XPath(const std::string& xml, const std::string& expression) {
    const ToolResult r = RunProgram("/usr/bin/xmllint", {"--xpath", expression, "-"}, xml);
    if (r.exitCode != 0) return "xpath failed: " + r.err;
    return r.out.empty() || r.out.back() != '\n' ? r.out : r.out.substr(0, r.out.size() - 1);
}

}  // namespace qvtest
