#include "ui/ResultTableOfList.h"

#include "report/ResultColumns.h"
#include "ui/ReportCtrl.h"

namespace qv {

ResultTable TableFromList(const CReportCtrl& list) {
    ResultTable table;
    const int columns = list.ColumnCount();
    for (int c = 0; c < columns; ++c) table.titles.push_back(list.ColumnTitle(c));
    for (int r = 0, n = list.RowCount(); r < n; ++r) {
        std::vector<std::string> row;
        bool blank = true;
        for (int c = 0; c < columns; ++c) {
            row.push_back(list.CellTextRef(r, c));
            blank = blank && row.back().empty();
        }
        if (blank) continue;
        OutcomeReason reason;
        const std::string& status = CellOf(row, kColMergeStatus);
        reason.kind = KindOf(status);
        reason.targetVersion = TargetVersionOf(status);
        reason.why = list.CellToolTip(r, kColMergeStatus);
        table.rows.push_back(std::move(row));
        table.reasons.push_back(std::move(reason));
    }
    return table;
}

}  // namespace qv
