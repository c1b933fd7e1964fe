// What the reports are made from: the result list's titles and rows, the reason of each row, the
// context and options the analysis ran with, and the changes since an earlier prediction.
#pragma once

#include <string>
#include <vector>

#include "engine/Reason.h"

namespace qv {

// The result list's column titles and rows (fourteen cells each), top row first. `reasons` is
// empty (a saved list has none) or holds one reason per row.
struct ResultTable {
    std::vector<std::string> titles;
    std::vector<std::vector<std::string>> rows;
    std::vector<OutcomeReason> reasons;

    // The reason of a row; nullptr when the table holds none.
    const OutcomeReason* ReasonOf(size_t row) const {
        return row < reasons.size() ? &reasons[row] : nullptr;
    }
};

// A cell of a row; empty when the row is shorter.
const std::string& CellOf(const std::vector<std::string>& row, int column);

// The context and options of the analysis behind a report, and when and by what it was made.
struct ReportContext {
    std::string broker;
    std::string user;
    std::string srcProject;
    std::string srcState;
    std::vector<std::string> packages;
    std::string tgtProject;
    std::string tgtState;
    std::string tgtPackage;
    std::string mergeOption;
    std::string placement;
    std::string made;    // when, e.g. "2026-12-09 22:50:00 UTC"
    std::string madeBy;  // the program and its version, e.g. "cpm-analyze 1.07"
};

// The time now as ReportContext::made gives it.
std::string ReportTimeNow();

struct Summary {
    int rows = 0;
    int conflicts = 0;
    int byKind[static_cast<int>(OutcomeKind::Count)] = {};
};
Summary Summarize(const ResultTable& table);

// The rows whose outcome is a conflict, with their reasons.
ResultTable ConflictRows(const ResultTable& table);
// True when some row's outcome is a conflict.
bool HasConflict(const ResultTable& table);

// The summary line, e.g. "12 rows, 5 conflicts: mapped 4, merge_tagged 2, ...".
std::string SummaryLine(const Summary& summary);

// How a row differs from the earlier prediction.
enum class ChangeKind {
    NewConflict,           // a conflict now, not before
    ResolvedConflict,      // a conflict before, not now
    TargetVersionChanged,  // neither, or both, a conflict, with another target version
    OutcomeChanged,        // another outcome with the same target version
    Added,                 // a row now that was not there before
    Removed,               // a row before that is not there now
    Count,
};
// The names reports use ("new_conflict", ...).
const char* ChangeKindName(ChangeKind kind);

struct RowChange {
    ChangeKind kind = ChangeKind::OutcomeChanged;
    std::string file;
    std::string path;
    std::string package;
    std::string before;  // the earlier outcome; empty for an added row
    std::string after;   // the current outcome; empty for a removed row
};

// The changes of a result against an earlier one, in the current rows' order, removed rows last.
struct Changes {
    std::string oldFile;  // the earlier prediction's file, as given
    std::vector<RowChange> rows;
    int Count(ChangeKind kind) const;
};

}  // namespace qv
