// A result of every outcome kind for the HTML report's tests, with names that need escaping.
#pragma once

#include <string>
#include <vector>

#include "report/ReportTable.h"
#include "report/ResultColumns.h"

namespace qvtest {

// One row: the cells the report shows, the others empty.
inline std::vector<std::string> ResultRow(const std::string& file, const std::string& path,
                                          const std::string& version, const std::string& status,
                                          const std::string& package) {
    std::vector<std::string> row(qv::kResultColumnCount);
    row[qv::kColFile] = file;
    row[qv::kColPath] = path;
    row[qv::kColVersion] = version;
    row[qv::kColTag] = "N";
    row[qv::kColMergeStatus] = status;
    row[qv::kColSrcPackage] = package;
    return row;
}

// Rows of all eight outcome kinds (two unmerged ones), conflicts among them; the first file's name
// and path hold every character HTML treats specially. Each row has a reason.
inline qv::ResultTable MixedResult() {
    qv::ResultTable t;
    t.titles = {"File",         "Path",          "Version",   "Type",    "Tag",
                "Merge Status", "Src Package",   "Datasize",  "Creator", "Created Date",
                "Modifier",     "Modified Date", "Itemobjid", "Record"};
    t.rows = {
        ResultRow("a<b>&\"q'.cpp", "\\Pay & <roll>", "3", "3 -> 5.4.1", "PAY0001"),
        ResultRow("tax.cpp", "\\Payroll\\src", "6", "6 -> 2.1.3  (U) Unmerged Exists", "PAY0002"),
        ResultRow("rate.cpp", "\\Payroll\\src", "10", "3 -> 5  (M) Merge Tagged", "PAY0001"),
        ResultRow("fee.cpp", "\\Payroll\\src", "9", "3 -> 5 (E) Merge Tag Exists", "PAY0001"),
        ResultRow("old.cpp", "\\Payroll\\lib", "4", "4 (D) -> Src Ignored", "PAY0002"),
        ResultRow("skip.cpp", "\\Payroll\\lib", "2", "2 -> Ignored for Take Trunk option",
                  "PAY0002"),
        ResultRow("here.cpp", "\\Payroll\\lib", "1", "1 -> 0  Project item already exists",
                  "PAY0001"),
        ResultRow("none.cpp", "\\Payroll\\doc", "1", "", "PAY0001"),
        ResultRow("taxrate.cpp", "\\Payroll\\src", "7", "7 -> 3.1.1  (U) Unmerged Exists",
                  "PAY0002"),
    };
    for (const auto& row : t.rows) {
        qv::OutcomeReason r;
        r.kind = qv::KindOf(row[qv::kColMergeStatus]);
        r.rule = "rule_of_" + row[qv::kColFile];
        r.why = "Because of " + row[qv::kColFile] + " in the target.";
        r.facts = {{"source_version", row[qv::kColVersion]}};
        t.reasons.push_back(r);
    }
    // The search finds a row by its reason alone.
    t.reasons[2].why = "The target's latest version carries a zebra tag.";
    return t;
}

inline qv::ReportContext MixedContext() {
    qv::ReportContext c;
    c.broker = "demo";
    c.user = "pat";
    c.srcProject = "Payroll";
    c.srcState = "DEV";
    c.packages = {"PAY0001", "PAY0002"};
    c.tgtProject = "PayrollEU";
    c.tgtState = "DEV";
    c.tgtPackage = "EU0001";
    c.mergeOption = "Take Trunk";
    c.placement = "On Branch";
    c.made = "2026-12-09 22:50:00 UTC";
    c.madeBy = "cpm-analyze 1.07";
    return c;
}

}  // namespace qvtest
