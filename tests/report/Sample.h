// A small result as a run leaves it, shared by the report tests: rows of two source packages with
// every kind of outcome, and a reason for each.
#pragma once

#include <string>
#include <vector>

#include "report/ReportTable.h"
#include "report/ResultColumns.h"

namespace qvtest {

// A row of the result list: `file` in `path`, with `outcome` from `package`.
inline std::vector<std::string> ResultRow(const std::string& file, const std::string& outcome,
                                          const std::string& package = "PAY0001",
                                          const std::string& path = "\\Payroll\\src") {
    std::vector<std::string> row(qv::kResultColumnCount, "x");
    row[qv::kColFile] = file;
    row[qv::kColPath] = path;
    row[qv::kColMergeStatus] = outcome;
    row[qv::kColSrcPackage] = package;
    return row;
}

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
    const char* whys[] = {"", "An unmerged branch version is in the target package.",
                          "", "The target's latest version carries a merge tag.",
                          "", ""};
    for (const auto& row : t.rows) {
        qv::OutcomeReason r;
        r.kind = qv::KindOf(row[qv::kColMergeStatus]);
        r.why = whys[t.reasons.size()];
        t.reasons.push_back(r);
    }
    t.reasons[1].facts = {{"target_version", "2.1.3"}};
    return t;
}

inline qv::ReportContext SampleContext() {
    qv::ReportContext c;
    c.broker = "demo";
    c.srcProject = "Payroll";
    c.srcState = "DEV";
    c.packages = {"PAY0001", "PAY0002"};
    c.tgtProject = "PayrollEU";
    c.tgtState = "DEV";
    c.tgtPackage = "EU0001";
    c.mergeOption = "conservative";
    c.placement = "branch";
    c.made = "2026-12-09 22:50:00 UTC";
    c.madeBy = "cpm-analyze 1.07";
    return c;
}

}  // namespace qvtest
