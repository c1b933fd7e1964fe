// The main window's "Set CPM Context...": the context dialog and the loading of the chosen source
// packages' items.
#include <vector>

#include "app/AppValues.h"
#include "app/Trace.h"
#include "engine/SourceLoad.h"
#include "scm/Sql.h"
#include "ui/ContextSetDlg.h"
#include "ui/MainWindow.h"
#include "ui/WaitDlg.h"

namespace qv {

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

namespace {

// The status line and the wait dialog as the progress of one package's loading: the dialog names
// the package and moves its bar when the loading of the package starts.
class PackageProgress : public SourceLoadProgress {
public:
    PackageProgress(CQuorvelDlg& window, CWaitDlg& wait, const std::string& package, int handled)
        : window_(window), wait_(wait), package_(package), handled_(handled) {}
    void Status(const std::string& text) override {
        window_.SetStatus(text);
        if (started_) return;
        started_ = true;
        wait_.SetStatusText(package_);
        wait_.ReportProgress(handled_);
    }
    void Close() override { wait_.Close(); }

private:
    CQuorvelDlg& window_;
    CWaitDlg& wait_;
    const std::string& package_;
    int handled_;
    bool started_ = false;
};

}  // namespace

bool CQuorvelDlg::LoadSourcePackage(const std::string& packageName, CWaitDlg& wait, int handled) {
    PackageProgress progress(*this, wait, packageName, handled);
    return qv::LoadSourcePackage(Repo(), host(), values_.SrcProject, values_.SrcState, packageName,
                                 sourceItems_, progress);
}

}  // namespace qv
