#include "cli/Batch.h"

#include <unistd.h>

#include <algorithm>

#include "app/AppValues.h"
#include "app/IniFile.h"
#include "app/MainSettings.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "ui/ContextSetDlg.h"
#include "ui/MainWindow.h"

namespace qv::cli {

namespace {

// Shorter passwords are not masked: masking them would garble the messages' words.
constexpr size_t kMaskFrom = 3;

// The templates the batch program takes from the user's settings.
constexpr const char* kStoredTemplates[] = {"KsqlFmt", "KcoFmt"};

// Answers the context dialog as a user would: the source project and state, the target, a
// search, the named packages checked and every other one unchecked, OK. Anything the dialog
// refuses has been told through the host, and the dialog is cancelled.
void AnswerContextDialog(const BatchOptions& o, BatchHost& host, Dialog& dialog) {
    auto& d = static_cast<CContextSetDlg&>(dialog);
    d.UserSetText(IDC_CTX_SRC_PROJECT, o.srcProject);
    d.UserSetText(IDC_CTX_SRC_STATE, o.srcState);
    d.UserSetText(IDC_CTX_TGT_PROJECT, o.tgtProject);
    d.UserSetText(IDC_CTX_TGT_STATE, o.tgtState);
    d.UserSetText(IDC_CTX_TGT_PACKAGE, o.tgtPackage);
    const int failuresBefore = host.failures;
    d.UserClick(IDC_CTX_SEARCH);
    if (host.failures != failuresBefore) {
        d.EndDialog(IDCANCEL);
        return;
    }
    CReportCtrl& list = d.Packages();
    std::vector<std::string> missing = o.packages;
    for (int r = 0, n = list.RowCount(); r < n; ++r) {
        const std::string& name = list.CellTextRef(r, 0);
        const bool wanted =
            std::find(o.packages.begin(), o.packages.end(), name) != o.packages.end();
        list.SetRowChecked(r, wanted);
        std::erase(missing, name);
    }
    for (const std::string& name : missing)
        host.Fail("no package " + name + " in project " + o.srcProject + ", state " + o.srcState);
    if (!missing.empty()) {
        d.EndDialog(IDCANCEL);
        return;
    }
    d.UserClick(IDOK);
    if (!d.IsEnded()) d.EndDialog(IDCANCEL);
}

int EntryIndex(const std::vector<std::string>& entries, const std::string& entry) {
    const auto it = std::find(entries.begin(), entries.end(), entry);
    return it == entries.end() ? 0 : static_cast<int>(it - entries.begin());
}

// The progress line's text: rows done, the total and the file being worked on.
std::string ProgressText(const CQuorvelDlg& window) {
    static constexpr char kProcessed[] = "CPM Processed Row: ";
    static constexpr char kRunning[] = " Running CPM Analysis... ";
    const std::string processed = window.GetDlgItemText(IDC_PROCESSED_COUNT);
    const std::string status = window.Status();
    if (processed.rfind(kProcessed, 0) != 0 || status.rfind(kRunning, 0) != 0) return {};
    return processed.substr(sizeof kProcessed - 1) + "/" +
           std::to_string(window.ResultList().RowCount()) + " rows  " +
           status.substr(sizeof kRunning - 1);
}

}  // namespace

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

    CQuorvelDlg window(host);
    host.ShowModeless(window);
    window.UserSetText(IDC_BROKER, o.broker);
    window.UserSetText(IDC_USERID, o.user);
    window.UserSetText(IDC_PASSWORD, password);
    window.UserSetText(IDC_TGT_PROJECT, o.tgtProject);
    window.UserSetText(IDC_TGT_STATE, o.tgtState);
    window.UserSetText(IDC_TGT_PACKAGE, o.tgtPackage);
    window.UserSelectCombo(IDC_MERGE_OPTIONS, EntryIndex(MergeOptionEntries(), o.mergeOption));
    window.UserSelectCombo(IDC_PLACEMENT_OPTIONS,
                           EntryIndex(PlacementOptionEntries(), o.placement));
    window.SetAnalysisQueryMode(o.perItemQueries ? QueryMode::PerItem : QueryMode::Bulk);

    if (wrapRepository) {
        // The window's own repository takes the connection values when it is asked for; they
        // are the ones the boxes hold, so they stay right behind the wrapper.
        window.Values().Broker = o.broker;
        window.Values().UserId = o.user;
        window.Values().Password = password;
        window.SetRepositoryForTesting(wrapRepository(window.ConnectedRepository()));
    }
    host.OnModal(IDD_CONTEXT_SET, [&](Dialog& d) { AnswerContextDialog(o, host, d); });
    const int failuresBefore = host.failures;
    window.UserClick(IDC_SET_CONTEXT);
    if (host.failures == failuresBefore && window.SelectedPackages().GetCount() == 0)
        host.Fail("the context was not set");
    if (host.failures != failuresBefore) return result;

    if (window.SourceItems().GetCount() > 0) {
        if (progress) host.onPump = [&] { progress(ProgressText(window)); };
        // The target items were loaded by "Set CPM Context..." a moment ago.
        window.UseLoadedTargetForNextRun();
        window.UserClick(IDC_RUN_CPM);
        host.onPump = nullptr;
        if (host.failures != failuresBefore) return result;
    }
    result.table = TableFromList(window.ResultList());
    result.ok = true;
    return result;
}

}  // namespace qv::cli
