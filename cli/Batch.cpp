#include "cli/Batch.h"

#include <unistd.h>

#include <algorithm>
#include <optional>

#include "app/AppValues.h"
#include "app/IniFile.h"
#include "app/MainSettings.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "engine/AnalysisRun.h"
#include "engine/PackageSearch.h"
#include "engine/SourceLoad.h"
#include "engine/TargetData.h"
#include "engine/TargetLoad.h"
#include "scm/Ksql.h"
#include "ui/ExportImport.h"
#include "ui/MainWindow.h"

namespace qv::cli {

namespace {

// Shorter passwords are not masked: masking them would garble the messages' words.
constexpr size_t kMaskFrom = 3;

// The templates the batch program takes from the user's settings.
constexpr const char* kStoredTemplates[] = {"KsqlFmt", "KcoFmt"};

// Puts a classification's texts into the row's "Merge Status" cell; the colours are the list's.
// Puts a classification's texts into the row's "Merge Status" cell, the colours being the
// list's, and keeps the reason when `reasons` is given.
class CellSink : public OutcomeSink {
public:
    CellSink(CReportCtrl& list, int row, std::vector<OutcomeReason>* reasons)
        : list_(list), row_(row), reasons_(reasons) {}
    void Mark(ColorRef) override {}
    void Write(const std::string& text) override { list_.SetCellText(row_, kColMergeStatus, text); }
    void Explain(const OutcomeReason& reason) override {
        if (reasons_ && static_cast<size_t>(row_) < reasons_->size())
            (*reasons_)[static_cast<size_t>(row_)] = reason;
    }

private:
    CReportCtrl& list_;
    int row_;
    std::vector<OutcomeReason>* reasons_;
};

// The batch program's list as the rows of the run: outcomes into its cells, progress after
// every row, the R-tag warning as a message. Nothing cancels a batch run.
class BatchRows : public RunObserver {
public:
    // With `keepReasons` the reason of every row is kept for Reasons().
    BatchRows(CReportCtrl& list, BatchHost& host, const ProgressFn& progress, bool keepReasons)
        : list_(list), host_(host), progress_(progress) {
        if (keepReasons) reasons_.resize(static_cast<size_t>(list.RowCount()));
    }

    int RowCount() const override { return list_.RowCount(); }
    bool IsChecked(int row) const override {
        return list_.CheckBoxesShown() && list_.IsRowChecked(row);
    }
    CFObj Source(int row) const override { return RunSourceFromList(list_, row, true); }
    std::string StatusBefore(int row) const override {
        return list_.CellText(row, kColMergeStatus);
    }
    void Skipped(int row) override { list_.SetCellText(row, kColMergeStatus, ""); }
    OutcomeSink& Sink(int row) override {
        return sink_.emplace(list_, row, reasons_.empty() ? nullptr : &reasons_);
    }
    void Done(int row, const CFObj& source, const CTFObj& target) override {
        WriteTrace("Src: %s %s %s %s %s   Tgt: %s %s %s %s %s  \t\tResult: %d  %s",
                   source.itemName.c_str(), source.pathFullName.c_str(),
                   source.mappedVersion.c_str(), source.versionStatus.c_str(),
                   source.packageName.c_str(), target.itemName.c_str(), target.pathFullName.c_str(),
                   target.mappedVersion.c_str(), target.versionStatus.c_str(),
                   target.packageName.c_str(), row + 1, target.result.c_str());
        done_ = std::to_string(row + 1) + "/" + std::to_string(list_.RowCount()) + " rows  " +
                source.itemName;
    }
    void RTagged(int, const std::string& name) override {
        host_.MessageBox(MsgKind::Warning, RTaggedMessage(name));
    }
    void Abandoned(int row, const std::string& statusBefore) override {
        list_.SetCellText(row, kColMergeStatus, statusBefore);
    }
    Next AfterRow(int) override {
        if (progress_ && !done_.empty()) progress_(done_);
        return Next::Go;
    }
    // The reasons kept, one per row of the list.
    std::vector<OutcomeReason> TakeReasons() { return std::move(reasons_); }

private:
    CReportCtrl& list_;
    BatchHost& host_;
    const ProgressFn& progress_;
    std::optional<CellSink> sink_;
    std::string done_;
    std::vector<OutcomeReason> reasons_;
};

// No progress of a package's loading is shown.
class QuietLoad : public SourceLoadProgress, public TargetLoadProgress {
public:
    void Status(const std::string&) override {}
    void Close() override {}
    void Show(const std::string&) override {}
    void Flush() override {}
};

// A warning for the runs of the query tool that left no result since `before`.
void ReportFailedRuns(const CountingRepository& counted, int before, const char* during,
                      BatchHost& host) {
    const int failed = counted.FailedRuns() - before;
    if (failed <= 0) return;
    const std::string text = FailedRunsMessage(failed, during);
    WriteTrace("Error: %s", text.c_str());
    host.MessageBox(MsgKind::Warning, text);
}

// The context's own checks, as "Set CPM Context..." and the context dialog make them; false
// after a message.
bool ContextAccepted(const BatchOptions& o, const std::string& password, BatchHost& host) {
    if (o.broker.empty() || o.user.empty() || password.empty()) {
        host.MessageBox(MsgKind::Warning, "The Broker and login credentials cannot be blank.");
        return false;
    }
    // The search is asked before the source state is read: the state it checks here is the
    // remembered one, which a batch run has not got.
    if (o.tgtProject == o.srcProject) {
        host.MessageBox(MsgKind::Warning, "Error: The Source Project and State cannot be blank.");
        return false;
    }
    if (o.srcProject.empty() || o.srcState.empty()) {
        host.MessageBox(MsgKind::Plain, "Error: Project and State cannot be blank.");
        return false;
    }
    return true;
}

bool TargetAccepted(const BatchOptions& o, BatchHost& host) {
    const char* blank = o.tgtProject.empty()   ? "Error: The Target Project cannot be blank."
                        : o.tgtState.empty()   ? "Error: The Target State cannot be blank."
                        : o.tgtPackage.empty() ? "Error: The Target Package cannot be blank."
                                               : nullptr;
    if (!blank) return true;
    host.MessageBox(MsgKind::Warning, blank);
    return false;
}

}  // namespace

bool NeedsReasons(const BatchOptions& o) {
    // The reasons of a large list take more memory than its rows: they are kept only for the
    // formats that show them.
    switch (o.format) {
        case Format::Text:
        case Format::List:
            return false;
        case Format::Tsv:
            return o.why;
        case Format::Json:
        case Format::Junit:
        case Format::Html:
        case Format::Markdown:
            return true;
    }
    return true;
}

MsgResult BatchHost::MessageBox(MsgKind kind, const std::string& text, const std::string& caption) {
    HeadlessHost::MessageBox(kind, text, caption);
    ++failures;
    if (onMessage) onMessage(OneLine(text));
    return kind == MsgKind::Question ? MsgResult::No : MsgResult::Ok;
}

void BatchHost::PumpMessages() {
    HeadlessHost::PumpMessages();
    if (onPump) onPump();
}

std::string BatchHost::OneLine(const std::string& text) const {
    std::string line;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string piece = text.substr(start, end - start);
        if (piece.find_first_not_of(" \t") != std::string::npos) {
            if (!line.empty()) line += " - ";
            line += piece;
        }
        start = end + 1;
    }
    if (secret.size() >= kMaskFrom)
        for (size_t at = line.find(secret); at != std::string::npos; at = line.find(secret, at))
            line.replace(at, secret.size(), kMaskedPassword);
    return line;
}

void BatchHost::Fail(const std::string& text) {
    ++failures;
    if (onMessage) onMessage(OneLine(text));
}

void UseIsolatedSettings() {
    SwitchToRegistry(kCompanyKey);
    const IniFile user = CurrentSettings();
    IniFile seed;
    for (const char* key : kStoredTemplates)
        if (auto value = user.Get(kSectionSettings, key); value && !value->empty())
            seed.Set(kSectionSettings, key, *value);
    // The stored column layout gives the list its titles, as the user's desktop list has them,
    // so that the list output is the file the user's "Save List" writes.
    std::vector<std::string> layoutKeys = {"ColumnCount"};
    for (int i = 0; i < kResultColumnCount; ++i) layoutKeys.push_back(std::to_string(i));
    for (const std::string& key : layoutKeys)
        if (auto value = user.Get(kSectionTopList, key)) seed.Set(kSectionTopList, key, *value);
    SwitchToMemory(seed);
}

BatchResult RunBatch(const BatchOptions& o, const std::string& password, const std::string& workDir,
                     BatchHost& host, const ProgressFn& progress,
                     const RepositoryWrapper& wrapRepository) {
    BatchResult result;
    AppValues app;
    app.provisionalInstallDir = workDir;
    app.installDir = workDir;
    app.browseDir = JoinPath(workDir, "Temp");
    app.compareDir = JoinPath(workDir, "Temp1");
    app.traceFile = o.traceFile;
    if (char cwd[4096]; getcwd(cwd, sizeof cwd)) app.startupDir = cwd;
    app.windowsDir = ConfigDir() + "/";
    SetAppValues(app);
    SetTraceFile(o.traceFile);
    UseIsolatedSettings();
    host.secret = password;

    // The repository: the query tool in the work directory with the user's KsqlFmt, every run
    // counted.
    MainWindowValues values;
    LoadSettings(values, TheApp());
    KsqlContext context(values.KsqlFmt);
    context.host = &host;
    context.installDir = workDir;
    context.broker = o.broker;
    context.userId = o.user;
    context.password = password;
    KsqlRepository tool(context);
    Repository& connection = wrapRepository ? *wrapRepository(tool) : tool;
    CountingRepository counted;
    counted.Use(connection);
    WriteTrace("Broker=%s  Userid=%s  Pswd=**********", o.broker.c_str(), o.user.c_str());

    const int failuresBefore = host.failures;
    auto failed = [&] { return host.failures != failuresBefore; };
    if (!ContextAccepted(o, password, host)) return result;
    CMapStrToPkgObj found;
    if (!SearchPackages(counted, host, o.srcProject, o.srcState, found)) return result;
    std::vector<std::string> missing = o.packages;
    std::string key;
    CPkgObj package;
    for (auto pos = found.GetStartPosition(); pos;) {
        found.GetNextAssoc(pos, key, package);
        std::erase(missing, package.packageName);
    }
    for (const std::string& name : missing)
        host.Fail("no package " + name + " in project " + o.srcProject + ", state " + o.srcState);
    if (!missing.empty() || !TargetAccepted(o, host)) return result;

    // The named packages' items, in the order of the search, as the main window loads them.
    CMapStrToFObj sourceItems;
    QuietLoad quiet;
    int failedBefore = counted.FailedRuns();
    for (auto pos = found.GetStartPosition(); pos;) {
        found.GetNextAssoc(pos, key, package);
        if (std::find(o.packages.begin(), o.packages.end(), package.packageName) ==
            o.packages.end())
            continue;
        if (!LoadSourcePackage(counted, host, o.srcProject, o.srcState, package.packageName,
                               sourceItems, quiet))
            return result;
    }
    CReportCtrl list(host);
    ConfigureResultList(list);
    if (sourceItems.GetCount() == 0) {
        ReportFailedRuns(counted, failedBefore, "the loading", host);
        if (failed()) return result;
        result.table = TableFromList(list);
        result.ok = true;
        return result;
    }
    AddRecordRows(list, sourceItems, {});
    list.SortByColumn(kColFile, true);
    list.ShowCheckBoxes(true);
    for (int r = 0, n = list.RowCount(); r < n; ++r) list.SetRowChecked(r, true);
    WriteTrace("PostTopList: Count=%s", std::to_string(sourceItems.GetCount()).c_str());
    sourceItems.RemoveAll();  // the rows hold them now

    // The target items, loaded once for the run that follows.
    CMapStrToTFObj targets;
    MappedVersionCalculator calculator(counted, host);
    calculator.SetTargetContext(o.tgtProject, o.tgtState);
    int targetRows = 0;
    const int failedBeforeTarget = counted.FailedRuns();
    if (!CheckTargetExists(counted, host, o.tgtProject, o.tgtState, o.tgtPackage) ||
        !ReadTargetItems(counted, host, o.tgtProject, o.tgtState, targets, quiet, targetRows)) {
        WriteTrace("Error: Failed to get target package data.");
        // The target load has told of its own failed run.
        failedBefore += counted.FailedRuns() - failedBeforeTarget;
        ReportFailedRuns(counted, failedBefore, "the loading", host);
        return result;
    }
    if (targetRows > 0)
        CExportTop(list, "").SaveTargetData(targets, o.tgtProject, o.tgtState,
                                            JoinPath(workDir, kTargetDataFileName));
    ReportFailedRuns(counted, failedBefore, "the loading", host);
    if (failed()) return result;

    // The run over every row.
    const QueryMode queries = o.perItemQueries ? QueryMode::PerItem : QueryMode::Bulk;
    WriteTrace("CPM Queries: %s", QueryModeName(queries));
    WriteTrace("CPM Options: %s - %s", o.mergeOption.c_str(), o.placement.c_str());
    AnalysisRun run(targets, calculator, [&](const CTFObj& t, bool onBranch) {
        return calculator.Calculate(Num(t.parentVersionId), t.mappedVersion, onBranch,
                                    Num(t.versionObjId), Num(t.itemObjId));
    });
    targets.RemoveAll();  // the run keeps its own index of them
    BatchRows rows(list, host, progress, NeedsReasons(o));
    run.AskAhead(queries, connection, rows, o.placement);
    failedBefore = counted.FailedRuns();
    const RunEnd end = run.Run({o.mergeOption, o.placement, o.tgtPackage}, rows);
    if (end.kind != RunEnd::Finished) return result;
    ReportFailedRuns(counted, failedBefore, "the analysis", host);
    if (failed()) return result;
    result.table = TableFromList(list);
    // Every row of a run has its file name, so the list's rows are the table's.
    if (std::vector<OutcomeReason> reasons = rows.TakeReasons();
        reasons.size() == result.table.rows.size())
        result.table.reasons = std::move(reasons);
    result.ok = true;
    return result;
}

}  // namespace qv::cli
