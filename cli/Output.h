// The batch program's result in its four formats. The rows are the result list's, cell for
// cell, so every format shows the texts the desktop program shows.
#pragma once

#include <string>
#include <vector>

#include "cli/Options.h"

namespace qv {
class CReportCtrl;
}

namespace qv::cli {

// The result list's column titles and rows (fourteen cells each), top row first.
struct ResultTable {
    std::vector<std::string> titles;
    std::vector<std::vector<std::string>> rows;
};

// The list's columns and its rows; the empty rows of a blank list are left out.
ResultTable TableFromList(const CReportCtrl& list);

// The kinds of outcome the summaries count, in the order they are shown.
enum class OutcomeKind {
    Mapped,         // a version number in the target project
    MergeTagged,    // "(M)": the merged version would get a merge tag
    Unmerged,       // "(U)": an unmerged branch version exists in the target package
    TagExists,      // "(E)": the target's latest version carries a merge or reserve tag
    Deleted,        // "(D)": the source version is deleted
    Ignored,        // ignored for the option or already in the target project
    AlreadyExists,  // the target project already holds the item
    NotAnalysed,    // no outcome
    Count,
};
OutcomeKind KindOf(const std::string& status);
// The names the summaries use ("mapped", "merge_tagged", ...).
const char* KindName(OutcomeKind kind);

struct Summary {
    int rows = 0;
    int conflicts = 0;
    int byKind[static_cast<int>(OutcomeKind::Count)] = {};
};
Summary Summarize(const ResultTable& table);

// The rows whose outcome is a conflict.
ResultTable ConflictRows(const ResultTable& table);
// True when some row's outcome is a conflict.
bool HasConflict(const ResultTable& table);

// The formats. `list` is the saved-list format, made by the saved list's own line format.
std::string FormatText(const ResultTable& table);
std::string FormatList(const ResultTable& table);
std::string FormatJson(const ResultTable& table);
std::string FormatTsv(const ResultTable& table);
std::string FormatTable(const ResultTable& table, Format format);

// The summary line of the text format, e.g. "12 rows, 5 conflicts: mapped 4, merge_tagged 2, ...".
std::string SummaryLine(const Summary& summary);

}  // namespace qv::cli
