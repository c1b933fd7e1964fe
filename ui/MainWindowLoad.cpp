// The main window's "Set CPM Context...": the context dialog and the loading of the chosen source
// packages' items.
#include <vector>

#include "app/AppValues.h"
#include "app/Trace.h"
#include "engine/SourceItems.h"
#include "scm/Sql.h"
#include "ui/ContextSetDlg.h"
#include "ui/MainWindow.h"
#include "ui/WaitDlg.h"

namespace qv {

namespace {

constexpr char kNoResultsMarker[] = "KSQL query has";

}  // namespace

void CQuorvelDlg::SetCpmContext() {
    if (GetDlgItemText(IDC_BROKER, kEditMaxChars).empty() ||
        GetDlgItemText(IDC_USERID, kEditMaxChars).empty() ||
        GetDlgItemText(IDC_PASSWORD, kEditMaxChars).empty()) {
        host().MessageBox(MsgKind::Warning, "The Broker and login credentials cannot be blank.");
        return;
    }

    // A target box left empty keeps the value remembered for it, also through the settings save,
    // so that the dialog opens with it.
    const TargetContext previous{values_.TgtProject, values_.TgtState, values_.TgtPackage};
    TakeControlValues();
    const std::pair<int, std::string*> targets[] = {{IDC_TGT_PROJECT, &values_.TgtProject},
                                                    {IDC_TGT_STATE, &values_.TgtState},
                                                    {IDC_TGT_PACKAGE, &values_.TgtPackage}};
    const std::string* kept[] = {&previous.project, &previous.state, &previous.package};
    for (int i = 0; i < 3; ++i)
        if (targets[i].second->empty()) *targets[i].second = *kept[i];
    qv::SaveSettings(values_, ColumnWidths(), TheApp());

    CContextSetDlg dialog(host(), Repo(), selectedPackages_);
    if (host().RunModal(dialog) == IDOK) LoadChosenContext(dialog);
}

void CQuorvelDlg::LoadChosenContext(const CContextSetDlg& dialog) {
    WaitCursor waitCursor(host());
    values_.SrcProject = dialog.SrcProject;
    values_.SrcState = dialog.SrcState;
    values_.TgtProject = dialog.TgtProject;
    values_.TgtState = dialog.TgtState;
    values_.TgtPackage = dialog.TgtPackage;
    SetDlgItemText(IDC_SRC_PROJECT, values_.SrcProject);
    SetDlgItemText(IDC_SRC_STATE, values_.SrcState);
    SetDlgItemText(IDC_TGT_PROJECT, values_.TgtProject);
    SetDlgItemText(IDC_TGT_STATE, values_.TgtState);
    SetDlgItemText(IDC_TGT_PACKAGE, values_.TgtPackage);
    SetDlgItemText(IDC_ROW_COUNT, "");
    SetDlgItemText(IDC_PROCESSED_COUNT, "");

    selectedPackages_.RemoveAll();
    ResultList().RemoveAllRows();
    ResultList().ShowCheckBoxes(false);
    std::string key;
    CPkgObj package;
    for (auto pos = dialog.PackageList.GetStartPosition(); pos;) {
        dialog.PackageList.GetNextAssoc(pos, key, package);
        if (package.IsSelected()) selectedPackages_.SetAt(key, package);
    }
    if (selectedPackages_.GetCount() == 0) {
        ClearList();
        return;
    }

    int failedBefore = FailedQueryRuns();
    int proceed = 1;  // the loading goes on through every package even when cancelled
    {
        CWaitDlg wait(host(), proceed, selectedPackages_.GetCount(), *this);
        ResultList().ShowCheckBoxes(true);
        sourceItems_.RemoveAll();
        int handled = 0;
        for (auto pos = selectedPackages_.GetStartPosition(); pos; ++handled) {
            selectedPackages_.GetNextAssoc(pos, key, package);
            if (!LoadSourcePackage(package.packageName, wait, handled)) return;
        }
        wait.Close();
    }
    if (sourceItems_.GetCount() == 0) {
        ReportFailedQueryRuns(failedBefore, "the loading");
        return;
    }

    PostTopList();
    // Target items loaded for another target or broker, whatever changed the boxes since, are
    // loaded again.
    const int failedBeforeTarget = FailedQueryRuns();
    if (TargetDataLoaded() || GetTargetPackageData()) {
        SetStatus(kStatusReadyToRun);
        SetFocusId(IDC_RUN_CPM);
    } else {
        WriteTrace("Error: Failed to get target package data.");
        // The target loader has told of its own failed run.
        failedBefore += FailedQueryRuns() - failedBeforeTarget;
    }
    ReportFailedQueryRuns(failedBefore, "the loading");
}

bool CQuorvelDlg::LoadSourcePackage(const std::string& packageName, CWaitDlg& wait, int handled) {
    // Also collects the lines of a package without results.
    std::string status = " Processing Package: " + packageName;
    SetStatus(status);
    WriteTrace("%s", status.c_str());
    wait.SetStatusText(packageName);
    wait.ReportProgress(handled);

    Repository& repository = Repo();
    const int run = repository.Run(FormatStatement(
        kSourcePackageItemsFormat, {values_.SrcProject, values_.SrcState, packageName}));
    if (run == kKsqlStatementUnwritten) {
        wait.Close();
        return false;
    }
    if (run != kKsqlOk) return true;

    const ResultLines result = repository.Lines(kResultReadSize);
    if (!result.readable) {
        wait.Close();
        const std::string message = "Unable to read: " + repository.ResultPath();
        WriteTrace("%s", message.c_str());
        host().MessageBox(MsgKind::Plain, message);
        return false;
    }
    bool noResults = false;
    bool headerSeen = false;
    ToolLines tool(kNoResultsMarker);
    // The line of every item taken, traced together: one write instead of one per item.
    std::vector<std::string> taken;
    for (const std::string& line : result.lines) {
        if (line.empty()) continue;
        const ToolLines::Kind kind = tool.Next(line);
        if (kind == ToolLines::kError) {
            WriteTraceLines(taken);
            host().MessageBox(MsgKind::Plain, line);
            wait.Close();
            return false;
        }
        if (noResults || kind == ToolLines::kZeroResults) {
            status += line;
            status += '\n';
            noResults = true;
            continue;
        }
        if (!headerSeen) {
            headerSeen = true;
            continue;
        }
        const CFObj record = SourceRecordFromRow(line, packageName);
        if (KeepGreaterMappedVersion(sourceItems_, record))
            taken.push_back("    " + record.itemName + " " + record.pathFullName + " " +
                            record.mappedVersion + " " + record.versionStatus + " " +
                            record.packageName);
    }
    WriteTraceLines(taken);
    if (noResults) {
        status = "Processing Package: " + packageName + " - " + status;
        SetStatus(status);
        WriteTrace("%s", status.c_str());
    }
    return true;
}

}  // namespace qv
