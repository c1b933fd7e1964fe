#include "ui/ContextSetDlg.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "app/AppValues.h"
#include "app/MainSettings.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "engine/PackageSearch.h"
#include "scm/Ksql.h"
#include "scm/Sql.h"
#include "ui/ReportCtrl.h"

namespace qv {

namespace {

constexpr char kSelectFolderTitle[] = "Select a directory...";

// A label to the left of the control it names, ending a few dialog units before it.
ControlTemplate LabelFor(const std::string& text, int left, int controlX, int controlY,
                         unsigned anchor = kAnchorNone) {
    constexpr int kGap = 3;
    return {IDC_STATIC, ControlKind::Static, text,  left, controlY + 3, controlX - kGap - left,
            8,          kRightAlign,         anchor};
}

// The fixed-width record number of the n-th listed package.
std::string RecordNumber(int n) {
    char format[16];
    std::snprintf(format, sizeof format, "%%0%dd", 4);
    char text[32];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

}  // namespace

DialogTemplate CContextSetDlg::MakeTemplate() {
    DialogTemplate t;
    t.id = IDD_CONTEXT_SET;
    t.title = "Set Context and Source Packages List";
    t.width = 316;
    t.height = 477;
    t.style = kDlgSystemMenu | kDlgCentered | kDlgResizable;

    using K = ControlKind;
    t.controls = {
        {IDC_STATIC, K::Group, "CPM Source", 5, 5, 304, 302, kStyleNone, kGrowBoth},
        LabelFor("Project:", 13, 53, 16),
        {IDC_CTX_SRC_PROJECT, K::Edit, "", 53, 16, 153, 14, kStyleNone},
        LabelFor("State:", 13, 53, 37),
        {IDC_CTX_SRC_STATE, K::Edit, "", 53, 37, 153, 14, kStyleNone},
        {IDC_CTX_SEARCH, K::Button, "Search for Packages", 94, 68, 125, 14, kStyleNone},
        {IDC_STATIC, K::Static, "Package List:", 13, 78, 70, 8, kStyleNone},
        {IDC_CTX_PACKAGE_LIST, K::List, "", 13, 88, 290, 193, kStyleNone, kGrowBoth},
        {IDC_CTX_PACKAGE_COUNT, K::Edit, "", 15, 287, 40, 14, kReadOnly, kFollowBottom},
        {IDC_CTX_SELECT_ALL, K::CheckBox, "SelectAll", 68, 289, 43, 10, kManualCheck | kPushLike,
         kFollowBottom},

        {IDC_STATIC, K::Group, "CPM Target", 5, 311, 304, 82, kStyleNone, kMoveDown | kGrowWidth},
        LabelFor("Project:", 13, 63, 328, kFollowBottom),
        {IDC_CTX_TGT_PROJECT, K::Edit, "", 63, 328, 153, 14, kStyleNone, kFollowBottom},
        LabelFor("State:", 13, 63, 349, kFollowBottom),
        {IDC_CTX_TGT_STATE, K::Edit, "", 63, 349, 153, 14, kStyleNone, kFollowBottom},
        LabelFor("Package:", 13, 64, 370, kFollowBottom),
        {IDC_CTX_TGT_PACKAGE, K::Edit, "", 64, 370, 153, 14, kStyleNone, kFollowBottom},

        {IDC_STATIC, K::Group, "", 5, 402, 304, 50, kStyleNone, kMoveDown | kGrowWidth},
        {IDC_STATIC, K::Static,
         "This Path is used for individual file item CPM analysis (required)", 13, 418, 290, 8,
         kStyleNone, kFollowBottom},
        LabelFor("Local Path:", 9, 53, 431, kFollowBottom),
        {IDC_CTX_LOCAL_PATH, K::Edit, "", 53, 431, 227, 14, kStyleNone, kMoveDown | kGrowWidth},
        {IDC_CTX_BROWSE, K::Button, ". . .", 279, 431, 26, 14, kStyleNone, kFollowCorner},

        {IDOK, K::Button, "OK", 205, 457, 50, 14, kDefaultButton, kFollowCorner},
        {IDCANCEL, K::Button, "Cancel", 259, 457, 50, 14, kStyleNone, kFollowCorner},
    };
    return t;
}

CContextSetDlg::CContextSetDlg(Host& host, Repository& repository,
                               const CMapStrToPkgObj& selectedPackages)
    : Dialog(host, MakeTemplate()), PackageList(selectedPackages), repository_(repository) {
    SrcProject = ReadSettingText(kSectionSettings, "SrcProject");
    SrcState = ReadSettingText(kSectionSettings, "SrcState");
    TgtProject = ReadSettingText(kSectionSettings, "TgtProject");
    TgtState = ReadSettingText(kSectionSettings, "TgtState");
    TgtPackage = ReadSettingText(kSectionSettings, "TgtPackage");
    LocalPath = TheApp().browseDir;
}

bool CContextSetDlg::OnInitDialog() {
    CReportCtrl& list = Packages();
    list.ConfigureColumns(kPackageListLayout);
    list.SetNotifyId(IDC_CTX_PACKAGE_LIST);
    list.ShowGridLines(true);
    list.ShowCheckBoxes(false);
    list.SortByColumn(0, true);
    list.RemoveAllRows();
    if (PackageList.GetCount() > 0) {
        PostPackageList();
    } else {
        for (int i = 0; i < kBlankPackageRows; ++i) list.AddRow(i, "");
    }
    SetDlgItemText(IDC_CTX_SRC_PROJECT, SrcProject);
    SetDlgItemText(IDC_CTX_SRC_STATE, SrcState);
    SetDlgItemText(IDC_CTX_TGT_PROJECT, TgtProject);
    SetDlgItemText(IDC_CTX_TGT_STATE, TgtState);
    SetDlgItemText(IDC_CTX_TGT_PACKAGE, TgtPackage);
    SetDlgItemText(IDC_CTX_LOCAL_PATH, LocalPath);
    return true;
}

void CContextSetDlg::OnCommand(int id) {
    switch (id) {
        case IDC_CTX_SEARCH:
            SearchForPackages();
            break;
        case IDC_CTX_BROWSE:
            BrowseLocalPath();
            break;
        case IDC_CTX_SELECT_ALL:
            SelectAll();
            break;
        default:
            Dialog::OnCommand(id);
            break;
    }
}

void CContextSetDlg::SearchForPackages() {
    WaitCursor wait(host());
    CReportCtrl& list = Packages();
    if (list.RowCount() > 0) list.RemoveAllRows();
    // Emptied even when no row was shown: the packages a failed search read before its error
    // line must not be listed by a later search that finds fewer. The count goes with them.
    PackageList.RemoveAll();
    SetDlgItemText(IDC_CTX_PACKAGE_COUNT, "0");

    SrcProject = GetDlgItemText(IDC_CTX_SRC_PROJECT, kEditMaxChars);
    TgtProject = GetDlgItemText(IDC_CTX_TGT_PROJECT, kEditMaxChars);
    if (TgtProject == SrcProject) {
        host().MessageBox(MsgKind::Warning,
                          SrcProject.empty() || SrcState.empty()
                              ? "Error: The Source Project and State cannot be blank."
                              : "Error: The Target Project cannot be the same as the Source "
                                "Project.");
        SetFocusId(IDC_CTX_TGT_PROJECT);
        return;
    }
    SrcState = GetDlgItemText(IDC_CTX_SRC_STATE, kEditMaxChars);
    if (SrcProject.empty() || SrcState.empty()) {
        host().MessageBox(MsgKind::Plain, "Error: Project and State cannot be blank.");
        return;
    }

    if (SearchPackages(repository_, host(), SrcProject, SrcState, PackageList)) PostPackageList();
}

void CContextSetDlg::PostPackageList() {
    WriteTrace("ContextSetDlg::PostPackageList");
    SetDlgItemText(IDC_CTX_PACKAGE_COUNT, "0");
    if (PackageList.GetCount() == 0) return;
    CReportCtrl& list = Packages();
    list.RemoveAllRows();
    list.ShowCheckBoxes(false);
    list.ShowCheckBoxes(true);

    // Keys in ascending order as numbers; keys that read as the same number keep their order.
    std::vector<std::pair<std::string, CPkgObj>> records;
    std::string key;
    CPkgObj record;
    for (auto pos = PackageList.GetStartPosition(); pos;) {
        PackageList.GetNextAssoc(pos, key, record);
        records.emplace_back(key, record);
    }
    std::stable_sort(records.begin(), records.end(), [](const auto& a, const auto& b) {
        return std::atoll(a.first.c_str()) < std::atoll(b.first.c_str());
    });
    int n = 0;
    for (const auto& [k, r] : records) {
        ++n;
        const int row = list.AddRow(list.RowCount(), r.packageName);
        list.SetCellText(row, 1, RecordNumber(n));
        list.SetRowKey(row, k);
        WriteTrace("SrcPackage: %s", r.packageName.c_str());
    }
    CheckDlgButton(IDC_CTX_SELECT_ALL, 0);
    SelectAll();
    SetDlgItemText(IDC_CTX_PACKAGE_COUNT, std::to_string(PackageList.GetCount()));
}

void CContextSetDlg::SelectAll() {
    const bool mark = !SelectAllMark();
    CheckDlgButton(IDC_CTX_SELECT_ALL, mark ? 1 : 0);
    CReportCtrl& list = Packages();
    for (int r = 0, n = list.RowCount(); r < n; ++r) list.SetRowChecked(r, mark);
}

void CContextSetDlg::BrowseLocalPath() {
    AppValues app = TheApp();
    std::string result = app.browseDir;
    if (std::optional<std::string> chosen =
            host().BrowseForFolder(kSelectFolderTitle, app.browseDir);
        chosen && !chosen->empty()) {
        result = *chosen;
        app.browseDir = result;
        SetAppValues(app);
    }
    if (!result.empty()) SetDlgItemText(IDC_CTX_LOCAL_PATH, result);
}

void CContextSetDlg::TakeAndStoreValues() {
    SrcProject = GetDlgItemText(IDC_CTX_SRC_PROJECT, kEditMaxChars);
    SrcState = GetDlgItemText(IDC_CTX_SRC_STATE, kEditMaxChars);
    TgtProject = GetDlgItemText(IDC_CTX_TGT_PROJECT, kEditMaxChars);
    TgtState = GetDlgItemText(IDC_CTX_TGT_STATE, kEditMaxChars);
    TgtPackage = GetDlgItemText(IDC_CTX_TGT_PACKAGE, kEditMaxChars);
    LocalPath = GetDlgItemText(IDC_CTX_LOCAL_PATH, kEditMaxChars);
    SettingsBatch batch;
    batch.WriteText(kSectionSettings, "SrcProject", SrcProject);
    batch.WriteText(kSectionSettings, "SrcState", SrcState);
    batch.WriteText(kSectionSettings, "TgtProject", TgtProject);
    batch.WriteText(kSectionSettings, "TgtState", TgtState);
    batch.WriteText(kSectionSettings, "TgtPackage", TgtPackage);
    batch.WriteText(kSectionSettings, "LocalPath", LocalPath);
    batch.Commit();
}

void CContextSetDlg::Refuse(const char* message, int focusId) {
    host().MessageBox(MsgKind::Warning, message);
    SetFocusId(focusId);
}

void CContextSetDlg::OnOK() {
    TakeAndStoreValues();
    if (TgtProject.empty())
        return Refuse("Error: The Target Project cannot be blank.", IDC_CTX_TGT_PROJECT);
    if (TgtState.empty())
        return Refuse("Error: The Target State cannot be blank.", IDC_CTX_TGT_STATE);
    if (TgtPackage.empty())
        return Refuse("Error: The Target Package cannot be blank.", IDC_CTX_TGT_PACKAGE);
    if (TgtProject == SrcProject)
        return Refuse("Error: The Target Project cannot be the same as the Source Project.",
                      IDC_CTX_TGT_PROJECT);
    if (PackageList.GetCount() == 0)
        return Refuse("Error: No Source Packages in Package List.", IDC_CTX_SEARCH);

    // Each row marks the record it shows, found by the key the row carries, so the order in
    // which the rows are shown does not matter.
    const CReportCtrl& list = Packages();
    for (int row = 0, n = list.RowCount(); row < n; ++row) {
        const std::string& key = list.RowKey(row);
        CPkgObj record;
        if (key.empty() || !PackageList.Lookup(key, record)) continue;
        const std::string selected = list.IsRowChecked(row) ? "1" : "";
        if (record.selected == selected) continue;
        record.selected = selected;
        PackageList.SetAt(key, record);
    }

    WriteTrace("ContextSetDlg: SrcProject = %s", SrcProject.c_str());
    WriteTrace("ContextSetDlg: SrcState = %s", SrcState.c_str());
    WriteTrace("ContextSetDlg: TgtProject = %s", TgtProject.c_str());
    WriteTrace("ContextSetDlg: TgtState = %s", TgtState.c_str());
    WriteTrace("ContextSetDlg: TgtPackage = %s", TgtPackage.c_str());
    WriteTrace("ContextSetDlg: LocalPath = %s", LocalPath.c_str());
    EndDialog(IDOK);
}

void CContextSetDlg::OnCancel() {
    TakeAndStoreValues();
    EndDialog(IDCANCEL);
}

}  // namespace qv
