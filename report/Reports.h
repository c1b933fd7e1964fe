// The reports of a result: JUnit XML for CI systems, one self-contained HTML page for people, and
// Markdown for a merge-request comment or a CI job summary; and the comparison with an earlier
// prediction that each of them can show.
#pragma once

#include <optional>
#include <string>

#include "report/ReportTable.h"

namespace qv {

// One `testsuite` per source package, one `testcase` per row; a conflict is a failure whose
// message is the outcome and whose text is the reason, a row not analysed is skipped.
std::string JunitReport(const ResultTable& table, const ReportContext& context,
                        const Changes* changes);

// One HTML page that needs nothing from outside: the context and options, a summary with a bar
// chart, the colour-coded table with its reasons, filters, a search and sortable columns.
std::string HtmlReport(const ResultTable& table, const ReportContext& context,
                       const Changes* changes);

// A summary table and the conflicts.
std::string MarkdownReport(const ResultTable& table, const ReportContext& context,
                           const Changes* changes);

// An earlier prediction from a list-format file or a list saved by the desktop program; nothing,
// with `error` set to one line, when the file cannot be read or is no such list.
std::optional<ResultTable> ReadEarlierResult(const std::string& path, std::string& error);

// How `now` differs from `before`, row by row.
Changes CompareResults(const ResultTable& before, const ResultTable& now);

}  // namespace qv
