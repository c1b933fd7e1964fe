#include "ui/MainWindow.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

#include "app/App.h"
#include "app/AppValues.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "ui/MainWindowTemplate.h"
#include "ui/RegSettingsDlg.h"

namespace qv {

namespace {

// A row of a blank list: every cell empty. It stands for no record.
bool IsBlankRow(const CReportCtrl& list, int row) {
    for (int c = 0; c < list.ColumnCount(); ++c)
        if (!list.CellTextRef(row, c).empty()) return false;
    return true;
}

// The titles of a layout restored from the settings, by column.
constexpr const char* kStoredTitles[kResultColumnCount] = {
    "File",     "Path",    "Version",      "Type",     "Tag",           "Merge Status", "Package",
    "Datasize", "Creator", "Created Date", "Modifier", "Modified Date", "Itemobjid",    "Record",
};

// The widths of the default layout, by column.
constexpr int kDefaultWidths[kResultColumnCount] = {175, 250, 50,  40,  30,  215, 150,
                                                    60,  125, 125, 125, 125, 0,   0};

}  // namespace

const std::vector<std::string>& MergeOptionEntries() {
    static const std::vector<std::string> entries = {"Merge Conservatively", "Merge Aggressively",
                                                     "Take Trunk Version", "Take Branch Version"};
    return entries;
}

const std::vector<std::string>& PlacementOptionEntries() {
    static const std::vector<std::string> entries = {"Branch Only", "Trunk Only",
                                                     "Trunk or Branch"};
    return entries;
}

bool TagTextColor(const std::string& tag, ColorRef& color) {
    if (tag == "N")
        color = ColorTagNew;
    else if (tag == "R")
        color = ColorTagReserved;
    else if (tag == "M")
        color = ColorTagMerge;
    else if (tag == "D")
        color = ColorTagDeleted;
    else
        return false;
    return true;
}

std::string StoredResultLayout() {
    const int count = ReadSettingInt(kSectionTopList, "ColumnCount", 0);
    if (count <= 0) return {};
    std::string layout;
    // Counts beyond the known columns add nothing. A count below them (a store edited by hand)
    // still gives every column, the missing ones at their default widths: the program addresses
    // the columns by number, and without the "Record" column every row would carry the same key.
    for (int i = 0; i < kResultColumnCount; ++i) {
        const int width =
            i < count ? ReadSettingInt(kSectionTopList, std::to_string(i), 45) : kDefaultWidths[i];
        layout += kStoredTitles[i];
        layout += ',';
        layout += std::to_string(width);
        layout += ';';
    }
    return layout;
}

CQuorvelDlg::CQuorvelDlg(Host& host) : Dialog(host, MainWindowTemplate()) {
    LoadSettings(values_, TheApp());
    CReportCtrl& list = ResultList();
    list.SetRowClickedHandler([this](int id, int row) { OnRowClicked(id, row); });
    list.SetRowDoubleClickedHandler([this](int id, int row) { OnRowDoubleClicked(id, row); });
}

Repository& CQuorvelDlg::Repo() {
    counted_.Use(ConnectedRepository());
    return counted_;
}

Repository& CQuorvelDlg::ConnectedRepository() {
    if (repositoryOverride_) return *repositoryOverride_;
    if (!ksqlContext_) {
        ksqlContext_ = std::make_unique<KsqlContext>(values_.KsqlFmt);
        ksqlRepository_ = std::make_unique<KsqlRepository>(*ksqlContext_);
    }
    ksqlContext_->host = &host();
    ksqlContext_->installDir = TheApp().installDir;
    ksqlContext_->broker = values_.Broker;
    ksqlContext_->userId = values_.UserId;
    ksqlContext_->password = values_.Password;
    return *ksqlRepository_;
}

void CQuorvelDlg::SetRepositoryForTesting(Repository* repository) {
    repositoryOverride_ = repository;
    mappedVersions_.reset();
}

MappedVersionCalculator& CQuorvelDlg::MappedVersions() {
    Repository& repository = Repo();  // takes the current connection values
    if (!mappedVersions_) {
        mappedVersions_ = std::make_unique<MappedVersionCalculator>(repository, host());
    }
    return *mappedVersions_;
}

CQuorvelDlg::~CQuorvelDlg() {
    // Queued list notifications must not reach a window that is going away.
    CReportCtrl& list = ResultList();
    list.SetRowClickedHandler({});
    list.SetRowDoubleClickedHandler({});
}

bool CQuorvelDlg::OnInitDialog() {
    initialized_ = false;
    if (SystemMenu().empty()) {
        AppendSystemMenu(0, "");
        AppendSystemMenu(IDM_ABOUTBOX, kAboutMenuText);
    }

    SetDlgItemText(IDC_BROKER, values_.Broker);
    SetDlgItemText(IDC_USERID, values_.UserId);
    SetDlgItemText(IDC_PASSWORD, values_.Password);
    SetDlgItemText(IDC_SRC_PROJECT, values_.SrcProject);
    SetDlgItemText(IDC_SRC_STATE, values_.SrcState);
    SetDlgItemText(IDC_TGT_PROJECT, values_.TgtProject);
    SetDlgItemText(IDC_TGT_STATE, values_.TgtState);
    SetDlgItemText(IDC_TGT_PACKAGE, values_.TgtPackage);

    // The password is never traced.
    WriteTrace("Broker=%s  Userid=%s  Pswd=**********", values_.Broker.c_str(),
               values_.UserId.c_str());

    SelectStoredOption(IDC_MERGE_OPTIONS, MergeOptionEntries(), values_.MergeOption);
    SelectStoredOption(IDC_PLACEMENT_OPTIONS, PlacementOptionEntries(), values_.PlacementOption);

    CReportCtrl& list = ResultList();
    ConfigureResultList(list, IDC_RESULT_LIST);

    sourceItems_.RemoveAll();
    conflictItems_.RemoveAll();
    ClearList();

    SetStatus(kStatusStart);
    SetTitle(std::string(kAppName) + " " + kAppVersion + " - Quorvel");
    // A saved list named on the command line is loaded as "Load Saved List" loads its own.
    if (!TheApp().listFile.empty()) LoadSavedListFrom(TheApp().listFile);
    initialized_ = true;
    return true;
}

void CQuorvelDlg::SelectStoredOption(int id, const std::vector<std::string>& entries,
                                     const std::string& stored) {
    ComboResetContent(id);
    for (const std::string& e : entries) ComboAddString(id, e);
    // The first entry that begins with the stored text, letter case ignored; a stored text that
    // begins no entry selects the first, so that an option is always chosen.
    if (ComboSelectString(id, -1, stored) < 0) ComboSetCurSel(id, 0);
}

std::string CQuorvelDlg::SelectedEntry(int id, const std::string& fallback) const {
    const int sel = ComboGetCurSel(id);
    return sel < 0 ? fallback : ComboGetLBText(id, sel);
}

std::string CQuorvelDlg::SelectedMergeOption() const {
    return SelectedEntry(IDC_MERGE_OPTIONS, values_.MergeOption);
}

std::string CQuorvelDlg::SelectedPlacementOption() const {
    return SelectedEntry(IDC_PLACEMENT_OPTIONS, values_.PlacementOption);
}

// --- The result list ---

// The counter is drawn at once, also in the middle of a long fill that lets nothing else through.
void CQuorvelDlg::SetRowCounter(int count) {
    SetDlgItemText(IDC_ROW_COUNT, std::to_string(count));
    host().PumpPaintMessages();
}

void CQuorvelDlg::PostTopList() {
    if (sourceItems_.GetCount() == 0) {
        SetRowCounter(0);
        return;
    }
    ResultList().RemoveAllRows();
    SetRowCounter(0);
    FillFromMap(sourceItems_);
    SetRowCounter(sourceItems_.GetCount());
    WriteTrace("PostTopList: Count=%s", std::to_string(sourceItems_.GetCount()).c_str());
}

void ConfigureResultList(CReportCtrl& list, int notifyId) {
    const std::string stored = StoredResultLayout();
    list.ConfigureColumns(stored.empty() ? std::string(kDefaultResultLayout) : stored);
    if (notifyId) list.SetNotifyId(notifyId);
    list.ShowGridLines(true);
    list.ShowCheckBoxes(false);
    list.SortByColumn(kColFile, true);
}

void AddRecordRows(CReportCtrl& list, const CMapStrToFObj& items,
                   const std::function<void(const CFObj&, int)>& added) {
    int k = 0;
    std::string key;
    CFObj r;
    for (auto pos = items.GetStartPosition(); pos;) {
        items.GetNextAssoc(pos, key, r);
        list.AddRow(0, "");
        const std::string* const cells[kColRecord] = {
            &r.itemName, &r.pathFullName, &r.mappedVersion, &r.itemType, &r.versionStatus,
            &r.result,   &r.packageName,  &r.dataSize,      &r.creator,  &r.creationTime,
            &r.modifier, &r.modifiedTime, &r.itemObjId,
        };
        for (int c = 0; c < kColRecord; ++c) list.SetCellText(0, c, *cells[c]);
        list.SetCellText(0, kColRecord, std::to_string(k));
        if (!r.reason.empty()) list.SetCellToolTip(0, kColMergeStatus, r.reason);
        if (added) added(r, k);
        ++k;
    }
}

void CQuorvelDlg::FillFromMap(const CMapStrToFObj& items) {
    CReportCtrl& list = ResultList();
    AddRecordRows(list, items, [this](const CFObj& r, int k) {
        if (ColorRef tag; TagTextColor(r.versionStatus, tag)) MarkCell(0, kColTag, tag, true);
        ColorRowByStatus(0, kColMergeStatus, r.result, true);
        if ((k + 1) % 1000 == 0) SetRowCounter(k + 1);
    });
    if (list.RowCount() > 0) {
        SetStatus(kStatusSorting);
        list.SortByColumn(kColFile, true);
        list.ShowCheckBoxes(true);
        CheckDlgButton(IDC_SELECT_ALL, 0);
        SelectAll();
        SetStatus(kStatusReadyToRun);
    } else {
        ClearList();
    }
}

CFObj CQuorvelDlg::RowRecord(int row) const {
    const CReportCtrl& list = ResultList();
    CFObj r;
    r.itemName = list.CellText(row, kColFile);
    r.pathFullName = list.CellText(row, kColPath);
    r.mappedVersion = list.CellText(row, kColVersion);
    r.itemType = list.CellText(row, kColType);
    r.versionStatus = list.CellText(row, kColTag);
    r.result = list.CellText(row, kColMergeStatus);
    r.reason = list.CellToolTip(row, kColMergeStatus);
    r.packageName = list.CellText(row, kColSrcPackage);
    r.dataSize = list.CellText(row, kColDatasize);
    r.creator = list.CellText(row, kColCreator);
    r.creationTime = list.CellText(row, kColCreatedDate);
    r.modifier = list.CellText(row, kColModifier);
    r.modifiedTime = list.CellText(row, kColModifiedDate);
    r.itemObjId = list.CellText(row, kColItemObjId);
    return r;
}

void CQuorvelDlg::PostTopConflicts() {
    CReportCtrl& list = ResultList();
    const int n = list.RowCount();
    if (n == 0) return;
    SetRowCounter(0);
    conflictItems_.RemoveAll();
    sourceItems_.RemoveAll();
    for (int i = 0; i < n; ++i) {
        // The empty rows of a blank list hold no record; taking them in would bring back an
        // empty, checked row with the next "List All".
        if (IsBlankRow(list, i)) continue;
        const CFObj r = RowRecord(i);
        const std::string key = list.CellText(i, kColRecord);
        sourceItems_.AddIfAbsent(key, r);
        if (IsConflict(r.result)) conflictItems_.SetAt(key, r);
    }
    list.RemoveAllRows();
    FillFromMap(conflictItems_);
    SetRowCounter(conflictItems_.GetCount());
    WriteTrace("PostTopConflicts: Count=%s", std::to_string(conflictItems_.GetCount()).c_str());
}

void CQuorvelDlg::OnBtnListConflicts() {
    WaitCursor wait(host());
    if (GetDlgItemText(IDC_LIST_CONFLICTS, kEditMaxChars) == kCaptionListConflicts) {
        PostTopConflicts();
        SetDlgItemText(IDC_LIST_CONFLICTS, kCaptionListAll);
    } else {
        PostTopList();
        SetDlgItemText(IDC_LIST_CONFLICTS, kCaptionListConflicts);
    }
    SetStatus(kStatusReady);
}

void CQuorvelDlg::ClearList() {
    CReportCtrl& list = ResultList();
    list.ShowCheckBoxes(false);
    list.RemoveAllRows();
    for (int i = 0; i < kBlankListRows; ++i) list.AddRow(i, "");
}

void CQuorvelDlg::SelectAll() {
    const bool checked = IsDlgButtonChecked(IDC_SELECT_ALL) == 0;
    CheckDlgButton(IDC_SELECT_ALL, checked ? 1 : 0);
    selectAll_ = checked;
    CReportCtrl& list = ResultList();
    for (int r = 0, n = list.RowCount(); r < n; ++r) list.SetRowChecked(r, checked);
}

void CQuorvelDlg::MarkCell(int row, int column, ColorRef color, bool keepScroll) {
    CReportCtrl& list = ResultList();
    SetFocusId(IDC_RESULT_LIST);
    if (!keepScroll) list.EnsureRowVisible(row);
    list.SetCellTextColor(row, column, color, true);
}

void CQuorvelDlg::ColorRowByStatus(int row, int column, const std::string& text, bool keepScroll) {
    if (!keepScroll) {
        SetFocusId(IDC_RESULT_LIST);
        ResultList().EnsureRowVisible(row);
    }
    MarkCell(row, kColMergeStatus, ColorResult, keepScroll);
    if (const ColorRef color = StatusTextColor(text); color != ColorResult)
        MarkCell(row, column, color, keepScroll);
}

// --- Controls a run disables ---

const std::vector<int>& CQuorvelDlg::RunControlIds() {
    static const std::vector<int> ids = {
        IDC_BROKER,          IDC_USERID,        IDC_PASSWORD,
        IDC_REG_SETTINGS,    IDC_MERGE_OPTIONS, IDC_PLACEMENT_OPTIONS,
        IDC_TGT_PROJECT,     IDC_TGT_STATE,     IDC_TGT_PACKAGE,
        IDC_SET_CONTEXT,     IDC_FIND,          IDC_EXPORT_LIST,
        IDC_LIST_CONFLICTS,  IDC_CLEAR_LIST,    IDC_SAVE_LIST,
        IDC_LOAD_SAVED_LIST, IDC_SELECT_ALL,
    };
    return ids;
}

void CQuorvelDlg::EnableRunControls(bool enable) {
    for (int id : RunControlIds()) EnableControl(id, enable);
    host().PumpPaintMessages();
    host().PumpMessages();
}

// --- Settings ---

std::vector<int> CQuorvelDlg::ColumnWidths() const {
    const CReportCtrl& list = ResultList();
    std::vector<int> widths;
    for (int c = 0; c < list.ColumnCount(); ++c) widths.push_back(list.ColumnWidth(c));
    return widths;
}

bool CQuorvelDlg::SaveSettings() {
    TakeControlValues();
    if (qv::SaveSettings(values_, ColumnWidths(), TheApp())) return true;
    // The previous settings file stays as it was; the user learns that this session's values
    // were not kept.
    const std::string why = std::strerror(errno);
    host().MessageBox(MsgKind::Error, "Unable to write " + SettingsFilePath() + ":\n" + why);
    return false;
}

void CQuorvelDlg::TakeControlValues() {
    values_.UserId = GetDlgItemText(IDC_USERID, kEditMaxChars);
    values_.Password = GetDlgItemText(IDC_PASSWORD, kEditMaxChars);
    values_.Broker = GetDlgItemText(IDC_BROKER, kEditMaxChars);
    values_.SrcProject = GetDlgItemText(IDC_SRC_PROJECT, kEditMaxChars);
    values_.SrcState = GetDlgItemText(IDC_SRC_STATE, kEditMaxChars);
    values_.TgtProject = GetDlgItemText(IDC_TGT_PROJECT, kEditMaxChars);
    values_.TgtState = GetDlgItemText(IDC_TGT_STATE, kEditMaxChars);
    values_.TgtPackage = GetDlgItemText(IDC_TGT_PACKAGE, kEditMaxChars);
    values_.MergeOption = SelectedMergeOption();
    values_.PlacementOption = SelectedPlacementOption();
}

void CQuorvelDlg::CommitCredentials() {
    WaitCursor wait(host());
    const std::string broker = GetDlgItemText(IDC_BROKER, kEditMaxChars);
    const std::string user = GetDlgItemText(IDC_USERID, kEditMaxChars);
    const std::string password = GetDlgItemText(IDC_PASSWORD, kEditMaxChars);
    if (broker.empty() || user.empty() || password.empty()) return;
    if (broker == values_.Broker && user == values_.UserId && password == values_.Password) return;
    values_.Broker = broker;
    values_.UserId = user;
    values_.Password = password;
}

// --- Handlers ---

void CQuorvelDlg::OnCommand(int id) {
    switch (id) {
        case IDC_REG_SETTINGS:
            OnRegSettings();
            break;
        case IDC_SET_CONTEXT:
            OnBtnSetContext();
            break;
        case IDC_FIND:
            OnBtnFind();
            break;
        case ID_FIND_NEXT:
            FindNext();
            break;
        case ID_START_ANALYSIS:
            if (!AnalysisRunning()) UserClick(IDC_RUN_CPM);
            break;
        case IDC_EXPORT_LIST:
            OnBtnExportList();
            break;
        case IDC_LIST_CONFLICTS:
            OnBtnListConflicts();
            break;
        case IDC_CLEAR_LIST:
            ClearList();
            break;
        case IDC_SAVE_LIST:
            OnBtnSaveList();
            break;
        case IDC_LOAD_SAVED_LIST:
            OnBtnLoadSavedList();
            break;
        case IDC_SELECT_ALL:
            SelectAll();
            break;
        case IDC_RUN_CPM:
            OnBtnRunCPM();
            break;
        case IDC_EXIT:
            ExitProgram();
            break;
        case ID_RUN_CPM_ITEM:
            OnRunSelectedItem();
            break;
        case ID_OPEN_CRYSTALEDIT:
            OnOpenCrystalEdit();
            break;
        case ID_OPEN_HEXVIEWER:
            OnOpenHexViewer();
            break;
        case ID_OPEN_DEFAULT_ASSOC:
            OnOpenDefaultAssoc();
            break;
        case ID_WINDIFF_LATEST:
            OnWinDiffLatest();
            break;
        default:
            Dialog::OnCommand(id);
            break;
    }
}

int CQuorvelDlg::EnterButtonFor(int focusId) const {
    return focusId == IDC_PASSWORD ? IDC_SET_CONTEXT : 0;
}

void CQuorvelDlg::OnKillFocus(int id) {
    if (!initialized_) return;
    if (id == IDC_BROKER || id == IDC_USERID || id == IDC_PASSWORD) CommitCredentials();
}

void CQuorvelDlg::OnSysCommand(int command) {
    if (command == IDM_ABOUTBOX) OnAbout();
}

void CQuorvelDlg::OnContextMenu(int controlId, int x, int y) {
    if (controlId != IDC_RESULT_LIST || analysisRunning_) return;
    if (ResultList().CellTextRef(0, kColFile).empty()) return;
    const int command = host().TrackPopupMenu(ResultListMenu(), x, y);
    if (command != 0) OnCommand(command);
}

void CQuorvelDlg::OnRowClicked(int notifyId, int /*row*/) {
    if (notifyId == IDC_RESULT_LIST) SetStatus(kStatusRowClicked);
}

void CQuorvelDlg::OnAbout() {
    Dialog about(host(), AboutTemplate());
    host().RunModal(about);
}

void CQuorvelDlg::OnRegSettings() {
    EditActionTemplates(host(), values_);
}

void CQuorvelDlg::ExitProgram() {
    SaveSettings();
    WriteTrace("%s EXIT", kAppName);
    ReturnToStartupDir();
    // A run in progress notices this after its row and returns; the modal loop then ends.
    EndDialog(IDCANCEL);
}

}  // namespace qv
