// The main window's analysis: the run over the checked rows of the result list (which the run
// button also cancels), the run on one row from the context menu, and the classification of a
// row into its "Merge Status" cell.
#include <optional>
#include <string>

#include "app/MainSettings.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "engine/AnalysisRun.h"
#include "engine/BulkAnswers.h"
#include "engine/Classify.h"
#include "engine/TargetIndex.h"
#include "ui/MainWindow.h"

namespace qv {

namespace {

constexpr char kCaptionRun[] = "Cross Project Merge Analysis";
constexpr char kCaptionCancel[] = "Cancel";
constexpr char kStatusRunning[] = " Running CPM Analysis...";
constexpr char kStatusSearching[] = " Searching for problems...";
constexpr char kNoSourcePackages[] =
    "No Source Packages selected.\nPlease run the \"Set CMP Context\" button";
constexpr char kFailedTargetLoad[] = "Error: Failed to get target package data.";

}  // namespace

// Puts what the classification decides into the row's "Merge Status" cell.
class RowOutcomeSink : public OutcomeSink {
public:
    RowOutcomeSink(CQuorvelDlg& window, int row) : window_(window), row_(row) {}
    void Mark(ColorRef color) override { window_.MarkCell(row_, kColMergeStatus, color, false); }
    void Write(const std::string& text) override {
        window_.ResultList().SetCellText(row_, kColMergeStatus, text);
    }
    // The list view repaints what changed whenever paint messages are dispatched. A fast row
    // waits for the next frame; while a row waits for the query tool longer than a frame, the
    // wait repaints, so its placeholder is seen.
    void ShowPlaceholder() override { window_.PaintWhenDue(false); }
    // The reason is the cell's tooltip.
    void Explain(const OutcomeReason& reason) override {
        window_.ResultList().SetCellToolTip(row_, kColMergeStatus, reason.why);
    }

private:
    CQuorvelDlg& window_;
    int row_;
};

MappedVersion CQuorvelDlg::CalculateMappedVersion(const CTFObj& target, bool onBranch) {
    return MappedVersions().Calculate(Num(target.parentVersionId), target.mappedVersion, onBranch,
                                      Num(target.versionObjId), Num(target.itemObjId));
}

// The result list as the rows of a run: what the run decides goes into the rows' "Merge Status"
// cells, the trace, the processed-row count and the status line; between rows the window's
// input is let through, and a Cancel press or Exit stops the run.
class ListRunObserver : public RunObserver {
public:
    // `overList`: a run over the checked rows (else one row's run from the context menu).
    ListRunObserver(CQuorvelDlg& window, bool overList)
        : window_(window), list_(window.ResultList()), overList_(overList) {}
    // The trace lines held in `trace` are written whenever the window repaints.
    void FlushEveryFrame(TraceBatch& trace) { trace_ = &trace; }

    int RowCount() const override { return list_.RowCount(); }
    bool IsChecked(int row) const override { return window_.IsRowCheckedForRun(row); }
    CFObj Source(int row) const override { return window_.RunSourceRecord(row, overList_); }
    std::string StatusBefore(int row) const override {
        return list_.CellText(row, kColMergeStatus);
    }
    void Skipped(int row) override { list_.SetCellText(row, kColMergeStatus, ""); }
    OutcomeSink& Sink(int row) override { return sink_.emplace(window_, row); }
    void Done(int row, const CFObj& source, const CTFObj& target) override {
        window_.TraceRow(source, target, row + 1);
        window_.SetDlgItemText(IDC_PROCESSED_COUNT,
                               "CPM Processed Row: " + std::to_string(row + 1));
        if (overList_) window_.SetStatus(std::string(kStatusRunning) + " " + source.itemName);
    }
    void RTagged(int row, const std::string& name) override {
        window_.ShowRTagged(row, name, overList_);
    }
    void Abandoned(int row, const std::string& statusBefore) override {
        list_.SetCellText(row, kColMergeStatus, statusBefore);
        window_.ColorRowByStatus(row, kColMergeStatus, statusBefore, true);
    }
    Next AfterRow(int) override {
        // Input (a Cancel press among it) reaches the window here; on a window system the
        // repaint and the dispatch happen once per frame, or after any row that took longer.
        if (window_.PaintWhenDue(true) && trace_) trace_->Flush();
        // "Exit" closed the window between two rows: the rest of the list is not worked on.
        if (window_.IsEnded()) return Next::Ended;
        return window_.analysisRunning_ ? Next::Go : Next::Cancelled;
    }

private:
    CQuorvelDlg& window_;
    CReportCtrl& list_;
    bool overList_;
    TraceBatch* trace_ = nullptr;
    std::optional<RowOutcomeSink> sink_;
};

CFObj RunSourceFromList(const CReportCtrl& list, int row, bool withPackage) {
    CFObj source;
    source.itemName = list.CellText(row, kColFile);
    source.pathFullName = list.CellText(row, kColPath);
    source.mappedVersion = list.CellText(row, kColVersion);
    source.versionStatus = list.CellText(row, kColTag);
    if (withPackage) source.packageName = list.CellText(row, kColSrcPackage);
    return source;
}

CFObj CQuorvelDlg::RunSourceRecord(int row, bool withPackage) const {
    return RunSourceFromList(ResultList(), row, withPackage);
}

bool CQuorvelDlg::IsRowCheckedForRun(int row) const {
    // The rows of a blank list show no check box; "Select All" may still have set their flag.
    const CReportCtrl& list = ResultList();
    return list.CheckBoxesShown() && list.IsRowChecked(row);
}

bool CQuorvelDlg::PaintWhenDue(bool andInput) {
    const auto now = std::chrono::steady_clock::now();
    const int frameMs = host().FrameMs();
    if (frameMs > 0 && now - lastPaint_ < std::chrono::milliseconds(frameMs)) return false;
    lastPaint_ = now;
    host().PumpPaintMessages();
    if (andInput) host().PumpMessages();
    return true;
}

void CQuorvelDlg::ReportFailedQueryRuns(int before, const char* during) {
    const int failed = FailedQueryRuns() - before;
    if (failed <= 0) return;
    const std::string text = FailedRunsMessage(failed, during);
    WriteTrace("Error: %s", text.c_str());
    host().MessageBox(MsgKind::Warning, text);
}

QueryMode CQuorvelDlg::AnalysisQueryMode() const {
    if (queryMode_) return *queryMode_;
    return QueryModeFromSetting(ReadSettingText(kSectionSettings, kAnalysisQueriesKey));
}

void CQuorvelDlg::EndRun() {
    SetDlgItemText(IDC_RUN_CPM, kCaptionRun);
    analysisRunning_ = false;
    SetStatus(kStatusReadyToRun);
    EnableRunControls(true);
}

CQuorvelDlg::TargetCheck CQuorvelDlg::ReadTargetAndLoad(const char* traceFormat) {
    struct Box {
        int id;
        std::string* value;
        const char* missing;
    };
    const Box boxes[] = {
        {IDC_TGT_PROJECT, &values_.TgtProject, "Target Project is required."},
        {IDC_TGT_STATE, &values_.TgtState, "Target State is required."},
        {IDC_TGT_PACKAGE, &values_.TgtPackage, "Target Package is required."},
    };
    for (const Box& box : boxes) {
        const std::string text = GetDlgItemText(box.id, kEditMaxChars);
        if (text.empty()) {
            host().MessageBox(MsgKind::Plain, box.missing);
            SetFocusId(box.id);
            return TargetCheck::Missing;
        }
        *box.value = text;
    }
    WriteTrace(traceFormat, values_.TgtProject.c_str(), values_.TgtState.c_str(),
               values_.TgtPackage.c_str());
    // Every run loads the target items afresh (one statement): items loaded earlier may have
    // changed in the repository since (a new version, a tag set or removed), and an outcome
    // classified against them would be a wrong prediction.
    if (!GetTargetPackageData()) {
        WriteTrace("%s", kFailedTargetLoad);
        return TargetCheck::LoadFailed;
    }
    return TargetCheck::Ok;
}

void CQuorvelDlg::ShowRTagged(int row, const std::string& name, bool scrollToRowItself) {
    host().MessageBox(MsgKind::Warning, RTaggedMessage(name));
    SetFocusId(IDC_RESULT_LIST);
    CReportCtrl& list = ResultList();
    if (row + 3 < list.RowCount())
        list.EnsureRowVisible(row + 3);
    else if (scrollToRowItself)
        list.EnsureRowVisible(row);
    list.SetRowSelected(row);
}

void CQuorvelDlg::ScrollToProblem(int row) {
    SetFocusId(IDC_RESULT_LIST);
    CReportCtrl& list = ResultList();
    list.EnsureRowVisible(row + 3 < list.RowCount() ? row + 3 : row);
}

void CQuorvelDlg::TraceRow(const CFObj& s, const CTFObj& t, int rowNumber) {
    WriteTrace("Src: %s %s %s %s %s   Tgt: %s %s %s %s %s  \t\tResult: %d  %s", s.itemName.c_str(),
               s.pathFullName.c_str(), s.mappedVersion.c_str(), s.versionStatus.c_str(),
               s.packageName.c_str(), t.itemName.c_str(), t.pathFullName.c_str(),
               t.mappedVersion.c_str(), t.versionStatus.c_str(), t.packageName.c_str(), rowNumber,
               t.result.c_str());
}

void CQuorvelDlg::OnBtnRunCPM() {
    WaitCursor wait(host());
    if (GetDlgItemText(IDC_RUN_CPM, kEditMaxChars) == kCaptionCancel) {
        // The run notices this after the row it is working on.
        SetDlgItemText(IDC_RUN_CPM, kCaptionRun);
        analysisRunning_ = false;
        EnableRunControls(true);
        return;
    }
    SetDlgItemText(IDC_RUN_CPM, kCaptionCancel);
    analysisRunning_ = true;
    EnableRunControls(false);

    if (selectedPackages_.GetCount() == 0) {
        WriteTrace("OnBtnRunCPM: No Source Packages selected");
        host().MessageBox(MsgKind::Warning, kNoSourcePackages);
        EndRun();
        return;
    }
    CReportCtrl& list = ResultList();
    const int n = list.RowCount();
    if (n == 0) {
        EndRun();
        WriteTrace("OnBtnRunCPM: END");
        return;
    }
    // A run over no checked row would only empty every outcome the list shows.
    bool anyChecked = false;
    for (int i = 0; i < n && !anyChecked; ++i) anyChecked = IsRowCheckedForRun(i);
    if (!anyChecked) {
        WriteTrace("OnBtnRunCPM: No rows are checked");
        host().MessageBox(MsgKind::Plain, "No rows are checked.");
        EndRun();
        return;
    }
    const QueryMode queries = AnalysisQueryMode();
    WriteTrace("CPM Queries: %s", QueryModeName(queries));
    if (ReadTargetAndLoad("OnBtnRunCPM: TgtProject: %s  State: %s  Package: %s") !=
        TargetCheck::Ok) {
        EndRun();
        return;
    }

    const std::string merge = SelectedMergeOption();
    const std::string placement = SelectedPlacementOption();
    SetStatus(kStatusRunning);
    SetDlgItemText(IDC_PROCESSED_COUNT, "");
    WriteTrace("CPM Options: %s - %s", merge.c_str(), placement.c_str());

    AnalysisRun run(targetItems_, MappedVersions(), [this](const CTFObj& t, bool onBranch) {
        return CalculateMappedVersion(t, onBranch);
    });
    ListRunObserver rows(*this, true);
    run.AskAhead(queries, ConnectedRepository(), rows, placement);
    const int failedBefore = FailedQueryRuns();
    // The rows' trace lines reach the file once per frame, numbered and stamped as if written
    // at once.
    TraceBatch trace;
    rows.FlushEveryFrame(trace);
    const RunEnd end = run.Run({merge, placement, values_.TgtPackage}, rows);
    switch (end.kind) {
        case RunEnd::Finished:
            break;
        case RunEnd::RTagged:
            EndRun();
            return;
        case RunEnd::Abandoned:
            // The calculation could not send its statement (and said so): every later row
            // would fail the same way. The row keeps its earlier outcome.
            WriteTrace("OnBtnRunCPM: Statement could not be written - END");
            EndRun();
            return;
        case RunEnd::Ended:
            // The closing line stays the last of the trace; the rows' lines and that one reach
            // the file before the program ends.
            EndRun();
            trace.Flush();
            return;
        case RunEnd::Cancelled:
            // The rows below were not analysed by this run: outcomes of an earlier run left in
            // them would pass for this one's.
            for (int j = end.row + 1; j < n; ++j) list.SetCellText(j, kColMergeStatus, "");
            SetDlgItemText(IDC_RUN_CPM, kCaptionRun);
            SetStatus(" CPM Analysis cancelled after row " + std::to_string(end.row + 1) + " of " +
                      std::to_string(n) + ": the rows below it were not analysed");
            WriteTrace("OnBtnRunCPM: Cancel Button pressed - END");
            EnableRunControls(true);
            ReportFailedQueryRuns(failedBefore, "the analysis");
            return;
    }

    SetStatus(kStatusSearching);
    for (const char* tag : {"(E)", "(U)", "(M)"}) {
        int found = -1;
        for (int j = 0; j < n && found < 0; ++j)
            if (list.CellTextRef(j, kColMergeStatus).find(tag) != std::string::npos) found = j;
        if (found >= 0) {
            ScrollToProblem(found);
            break;
        }
    }
    EndRun();
    WriteTrace("OnBtnRunCPM: END");
    ReportFailedQueryRuns(failedBefore, "the analysis");
}

void CQuorvelDlg::RunSelectedItemCPM(int row) {
    WaitCursor wait(host());
    WriteTrace("RunSelectedItemCPM: START");
    if (selectedPackages_.GetCount() == 0) {
        WriteTrace("RunSelectedItemCPM: No Source Packages selected");
        host().MessageBox(MsgKind::Warning, kNoSourcePackages);
        return;
    }
    CReportCtrl& list = ResultList();
    if (list.RowCount() == 0) {
        WriteTrace("RunSelectedItemCPM: END");
        SetStatus(kStatusReady);
        return;
    }
    if (ReadTargetAndLoad("RunSelectedItemCPM: Tgt: Project: %s State: %s Package: %s") !=
        TargetCheck::Ok)
        return;

    const std::string merge = SelectedMergeOption();
    const std::string placement = SelectedPlacementOption();
    SetStatus(kStatusRunning);
    WriteTrace("RunSelectedItemCPM: %s - %s", merge.c_str(), placement.c_str());

    ListRunObserver rows(*this, false);
    const CFObj source = rows.Source(row);
    if (source.versionStatus == "R") {
        rows.RTagged(row, source.itemName);
        SetStatus(kStatusReady);
        return;
    }
    AnalysisRun run(targetItems_, MappedVersions(), [this](const CTFObj& t, bool onBranch) {
        return CalculateMappedVersion(t, onBranch);
    });
    // One row asks its own statements: answers asked ahead for a whole run may be old by now.
    run.AskAhead(QueryMode::PerItem, ConnectedRepository(), rows, placement);
    const int failedBefore = FailedQueryRuns();
    CTFObj target;
    if (run.RunOne(row, {merge, placement, values_.TgtPackage}, rows, target) ==
        ClassifyResult::Abandoned) {
        SetStatus(kStatusReady);
        return;
    }
    rows.Done(row, source, target);
    WriteTrace("RunSelectedItemCPM: END");
    SetStatus(kStatusReady);
    ReportFailedQueryRuns(failedBefore, "the analysis");
}

void CQuorvelDlg::OnRunSelectedItem() {
    const int row = ResultList().FocusedRow();
    if (row >= 0) RunSelectedItemCPM(row);
}

}  // namespace qv
