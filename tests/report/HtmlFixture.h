// A result of every outcome kind for the HTML report's tests, with names that need escaping.
#pragma once

#include <string>
#include <vector>

#include "report/ReportTable.h"
#include "report/ResultColumns.h"

namespace qvtest {

// One row: the cells the report shows, the others empty.
inline std::vector<std::string> ShownRow(const std::string& file, const std::string& version,
                                         const std::string& status,
                                         const std::string& path = "\\Payroll\\src") {
    std::vector<std::string> row(qv::kResultColumnCount);
    row[qv::kColFile] = file;
    row[qv::kColPath] = path;
    row[qv::kColVersion] = version;
    row[qv::kColTag] = "N";
    row[qv::kColMergeStatus] = status;
    row[qv::kColSrcPackage] = "PAY0001";
    return row;
}

// All eight outcome kinds (two unmerged rows, four conflicts); the first row's name and path hold
// every character HTML treats specially. Each row has a reason naming its file.
inline qv::ResultTable MixedResult() {
    qv::ResultTable t;
    t.titles = {"File", "Path", "Version", "Type", "Tag", "Merge Status", "Src Package"};
    t.rows = {ShownRow("a<b>&\"q'.cpp", "3", "3 -> 5.4.1", "\\Pay & <roll>"),
              ShownRow("tax.cpp", "6", "6 -> 2.1.3  (U) Unmerged Exists"),
              ShownRow("rate.cpp", "10", "3 -> 5  (M) Merge Tagged"),
              ShownRow("fee.cpp", "9", "3 -> 5 (E) Merge Tag Exists"),
              ShownRow("old.cpp", "4", "4 (D) -> Src Ignored", "\\lib"),
              ShownRow("skip.cpp", "2", "2 -> Ignored for Take Trunk option", "\\lib"),
              ShownRow("here.cpp", "1", "1 -> 0  Project item already exists", "\\lib"),
              ShownRow("none.cpp", "1", "", "\\lib"),
              ShownRow("taxrate.cpp", "7", "7 -> 3.1.1  (U) Unmerged Exists")};
    for (const auto& row : t.rows)
        t.reasons.push_back({qv::KindOf(row[qv::kColMergeStatus]),
                             "rule_" + row[qv::kColFile],
                             "Because of " + row[qv::kColFile] + ".",
                             "",
                             {{"rule", "rule_" + row[qv::kColFile]}, {"source", "3"}}});
    t.reasons[2].why = "The latest version carries a zebra tag.";  // found by its reason alone
    return t;
}

inline qv::ReportContext MixedContext() {
    return {
        "demo", "pat",    "Payroll",    "DEV",       {"PAY0001", "PAY0002"},    "PayrollEU",
        "DEV",  "EU0001", "Take Trunk", "On Branch", "2026-12-09 22:50:00 UTC", "cpm-analyze 1.07"};
}

}  // namespace qvtest
