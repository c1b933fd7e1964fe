#include "engine/AnalysisRun.h"

namespace qv {

std::string RTaggedMessage(const std::string& name) {
    return "CPM Analysis Error: R tagged item found in Source item list\n\n" + name +
           "\n\nCPM Analysis cannot continue until this item is corrected.";
}

void AnalysisRun::AskAhead(QueryMode mode, Repository& repository, const RunObserver& rows,
                           const std::string& placement) {
    calculator_.ForgetAnswersAskedAhead();
    if (mode != QueryMode::Bulk) return;
    std::vector<const CTFObj*> runTargets;
    for (int i = 0, n = rows.RowCount(); i < n; ++i)
        if (rows.IsChecked(i))
            if (const CTFObj* t = targets_.Find(rows.Source(i).itemName)) runTargets.push_back(t);
    calculator_.AskAhead(repository, runTargets, placement == kBranchOnly);
}

ClassifyResult AnalysisRun::RunOne(int row, const RunOptions& options, RunObserver& rows,
                                   CTFObj& target) {
    const CFObj source = rows.Source(row);
    const std::string statusBefore = rows.StatusBefore(row);
    const CTFObj* found = targets_.Find(source.itemName);
    target = found ? *found : CTFObj();
    ClassifyRequest request;
    request.targetFound = found != nullptr;
    request.mergeOption = options.mergeOption;
    request.placement = options.placement;
    request.statusBefore = statusBefore;
    request.tgtPackage = options.tgtPackage;
    const ClassifyResult result = ClassifyItem(request, source, target, mapped_, rows.Sink(row));
    if (result == ClassifyResult::Abandoned) rows.Abandoned(row, statusBefore);
    return result;
}

RunEnd AnalysisRun::Run(const RunOptions& options, RunObserver& rows) {
    const int n = rows.RowCount();
    for (int i = 0; i < n; ++i) {
        if (!rows.IsChecked(i)) {
            rows.Skipped(i);
        } else {
            const CFObj source = rows.Source(i);
            if (source.versionStatus == "R") {
                rows.RTagged(i, source.itemName);
                return {RunEnd::RTagged, i};
            }
            CTFObj target;
            if (RunOne(i, options, rows, target) == ClassifyResult::Abandoned)
                return {RunEnd::Abandoned, i};
            rows.Done(i, source, target);
        }
        switch (rows.AfterRow(i)) {
            case RunObserver::Next::Go:
                break;
            case RunObserver::Next::Cancelled:
                return {RunEnd::Cancelled, i};
            case RunObserver::Next::Ended:
                return {RunEnd::Ended, i};
        }
    }
    return {RunEnd::Finished, n - 1};
}

}  // namespace qv
