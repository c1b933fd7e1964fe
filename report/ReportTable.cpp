#include "report/ReportTable.h"

#include <algorithm>
#include <ctime>

#include "engine/Outcome.h"
#include "report/ResultColumns.h"

namespace qv {

const std::string& CellOf(const std::vector<std::string>& row, int column) {
    static const std::string empty;
    return column >= 0 && static_cast<size_t>(column) < row.size()
               ? row[static_cast<size_t>(column)]
               : empty;
}

std::string ReportTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
    return text;
}

Summary Summarize(const ResultTable& table) {
    Summary s;
    for (const auto& row : table.rows) {
        const std::string& status = CellOf(row, kColMergeStatus);
        ++s.rows;
        if (IsConflict(status)) ++s.conflicts;
        ++s.byKind[static_cast<int>(KindOf(status))];
    }
    return s;
}

ResultTable ConflictRows(const ResultTable& table) {
    ResultTable out;
    out.titles = table.titles;
    for (size_t r = 0; r < table.rows.size(); ++r) {
        if (!IsConflict(CellOf(table.rows[r], kColMergeStatus))) continue;
        out.rows.push_back(table.rows[r]);
        if (const OutcomeReason* reason = table.ReasonOf(r)) out.reasons.push_back(*reason);
    }
    return out;
}

bool HasConflict(const ResultTable& table) {
    return std::any_of(table.rows.begin(), table.rows.end(),
                       [](const auto& row) { return IsConflict(CellOf(row, kColMergeStatus)); });
}

std::string SummaryLine(const Summary& s) {
    std::string line = std::to_string(s.rows) + (s.rows == 1 ? " row, " : " rows, ") +
                       std::to_string(s.conflicts) +
                       (s.conflicts == 1 ? " conflict:" : " conflicts:");
    for (int k = 0; k < static_cast<int>(OutcomeKind::Count); ++k) {
        line += k == 0 ? " " : ", ";
        line += KindName(static_cast<OutcomeKind>(k));
        line += ' ';
        line += std::to_string(s.byKind[k]);
    }
    return line;
}

const char* ChangeKindName(ChangeKind kind) {
    static const char* const names[] = {
        "new_conflict", "resolved_conflict", "target_version_changed", "outcome_changed", "added",
        "removed"};
    const int k = static_cast<int>(kind);
    return k >= 0 && k < static_cast<int>(ChangeKind::Count) ? names[k] : "outcome_changed";
}

int Changes::Count(ChangeKind kind) const {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(),
                                          [kind](const RowChange& c) { return c.kind == kind; }));
}

}  // namespace qv
