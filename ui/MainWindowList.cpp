// The main window's list buttons: saving and loading the saved list, the CSV and HTML exports
// and Find.
#include <string>

#include "app/AppValues.h"
#include "app/MainSettings.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "engine/SavedList.h"
#include "ui/ExportImport.h"
#include "ui/FindTopDlg.h"
#include "ui/MainWindow.h"

namespace qv {

namespace {

constexpr char kSearchTextKey[] = "SearchTopText";
// The rows Find shows below the row it found.
constexpr int kRowsShownBelowFound = 3;

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The record key under which a loaded package can go: the count of records, or the next
// number after it that no record uses (keys of the package search are row numbers, so the
// count can already be taken).
std::string FreePackageKey(const CMapStrToPkgObj& packages) {
    CPkgObj unused;
    for (int k = packages.GetCount();; ++k) {
        std::string key = std::to_string(k);
        if (!packages.Lookup(key, unused)) return key;
    }
}

bool HasPackage(const CMapStrToPkgObj& packages, const std::string& name) {
    std::string key;
    CPkgObj p;
    for (auto pos = packages.GetStartPosition(); pos;) {
        packages.GetNextAssoc(pos, key, p);
        if (p.packageName == name) return true;
    }
    return false;
}

}  // namespace

std::string CQuorvelDlg::SavedListPath() {
    return TheApp().installDir + "/" + kSavedListFileName;
}

void CQuorvelDlg::SaveList() {
    WaitCursor wait(host());
    const std::string path = SavedListPath();
    SetStatus(" Saving list to: " + path);
    host().Sleep(200);
    CExportTop writer(ResultList(), "");
    writer.WriteList(path);
    // An empty list still counts as saved (the file is emptied); a file that could not be
    // written keeps the saving text under the error shown.
    if (!writer.WriteFailed()) SetStatus(" Ready - Current List Saved");
}

void CQuorvelDlg::LoadSavedList() {
    LoadSavedListFrom(SavedListPath());
}

void CQuorvelDlg::LoadSavedListFrom(const std::string& path) {
    WaitCursor wait(host());
    SetStatus(" Loading previous saved list: " + path);
    CImport reader(*this);
    if (reader.ReadSavedList(path, sourceItems_) == 0) {
        // A file that could not be opened has been reported as such; it is not an empty one.
        if (!reader.Unreadable()) host().MessageBox(MsgKind::Warning, "File is empty: " + path);
        return;
    }
    ClearList();
    PostTopList();
    CReportCtrl& list = ResultList();
    for (int r = 0, n = list.RowCount(); r < n; ++r) {
        const std::string package = list.CellText(r, kColSrcPackage);
        if (HasPackage(selectedPackages_, package)) continue;
        selectedPackages_.SetAt(FreePackageKey(selectedPackages_), CPkgObj{package, "1"});
    }
    SetStatus(kStatusReady);
}

void CQuorvelDlg::OnBtnExportList() {
    WaitCursor wait(host());
    CExportTop exporter(ResultList(), "Export Top List");
    exporter.ExportList(host(), ListReportContext());
}

ReportContext CQuorvelDlg::ListReportContext() const {
    ReportContext c;
    c.broker = values_.Broker;
    c.user = values_.UserId;
    c.srcProject = values_.SrcProject;
    c.srcState = values_.SrcState;
    std::string key;
    CPkgObj package;
    for (auto pos = selectedPackages_.GetStartPosition(); pos;) {
        selectedPackages_.GetNextAssoc(pos, key, package);
        if (package.IsSelected()) c.packages.push_back(package.packageName);
    }
    c.tgtProject = values_.TgtProject;
    c.tgtState = values_.TgtState;
    c.tgtPackage = values_.TgtPackage;
    c.mergeOption = SelectedMergeOption();
    c.placement = SelectedPlacementOption();
    c.made = ReportTimeNow();
    c.madeBy = std::string(kProgramFileName) + " " + kAppVersion;
    return c;
}

void CQuorvelDlg::FindInList() {
    if (searchText_.empty()) searchText_ = ReadSettingText(kSectionSettings, kSearchTextKey);
    CFindTopDlg dlg(host(), searchText_);
    if (host().RunModal(dlg) != IDOK) return;
    searchText_ = dlg.Text();
    if (searchText_.empty()) return;
    WriteSettingText(kSectionSettings, kSearchTextKey, searchText_);
    searchShown_ = searchText_;
    // The letter case is ignored: both sides are compared in upper case, and the upper-case
    // form is what the next dialog of this run starts with.
    searchText_ = UpperAscii(searchText_);
    SelectNextMatch(-1);
}

void CQuorvelDlg::FindNext() {
    // Like "Find...", not while a run has the list buttons disabled.
    if (!IsControlEnabled(IDC_FIND) || !IsControlVisible(IDC_FIND)) return;
    if (searchText_.empty() || searchShown_.empty()) {
        FindInList();
        return;
    }
    SelectNextMatch(ResultList().SelectedRow());
}

void CQuorvelDlg::SelectNextMatch(int after) {
    CReportCtrl& list = ResultList();
    const int rows = list.RowCount();
    for (int r = after < 0 ? 0 : after + 1; r < rows; ++r) {
        bool found = false;
        for (int c = 0; c < kResultColumnCount && !found; ++c)
            found = UpperAscii(list.CellTextRef(r, c)).find(searchText_) != std::string::npos;
        if (!found) continue;
        SetFocusId(IDC_RESULT_LIST);
        const int below = r + kRowsShownBelowFound;
        list.EnsureRowRangeVisible(r, below < rows ? below : r);
        list.SetRowSelected(r);
        return;
    }
    SetStatus("Not found: " + searchShown_);
}

}  // namespace qv
