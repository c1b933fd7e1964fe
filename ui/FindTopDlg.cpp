#include "ui/FindTopDlg.h"

#include <utility>

#include "app/MainSettings.h"
#include "app/Settings.h"

namespace qv {

DialogTemplate FindTopTemplate() {
    DialogTemplate t;
    t.id = IDD_FIND_TOP;
    t.title = "Find";
    t.width = 236;
    t.height = 62;
    t.style = kDlgSystemMenu;
    const unsigned hidden = kHidden | kDisabled;
    t.controls = {
        {IDC_STATIC, ControlKind::Static, "File Name:", 4, 8, 42, 8, kStyleNone},
        {IDC_FIND_TEXT, ControlKind::Edit, "", 47, 7, 128, 12, kStyleNone},
        {IDOK, ControlKind::Button, "&Find", 182, 5, 50, 14, kDefaultButton},
        {IDCANCEL, ControlKind::Button, "Cancel", 182, 23, 50, 14, kStyleNone},
        // Options the search does not offer: created, never shown.
        {IDC_FIND_WHOLE_WORD, ControlKind::CheckBox, "Match &whole word only", 4, 26, 100, 12,
         hidden},
        {IDC_FIND_MATCH_CASE, ControlKind::CheckBox, "Match &case", 4, 42, 64, 12, hidden},
        {IDC_STATIC, ControlKind::Group, "Direction", 107, 26, 68, 28, hidden},
        {IDC_FIND_UP, ControlKind::Radio, "&Up", 111, 38, 25, 12, hidden},
        {IDC_FIND_DOWN, ControlKind::Radio, "&Down", 138, 38, 35, 12, hidden},
    };
    return t;
}

CFindTopDlg::CFindTopDlg(Host& host, std::string text)
    : Dialog(host, FindTopTemplate()), text_(std::move(text)) {}

bool CFindTopDlg::OnInitDialog() {
    SetDlgItemText(IDC_FIND_TEXT, text_);
    CheckDlgButton(IDC_FIND_WHOLE_WORD, wholeWord_ ? 1 : 0);
    CheckDlgButton(IDC_FIND_MATCH_CASE, matchCase_ ? 1 : 0);
    CheckDlgButton(IDC_FIND_UP, down_ ? 0 : 1);
    CheckDlgButton(IDC_FIND_DOWN, down_ ? 1 : 0);
    EnableControl(IDOK, !text_.empty());
    SetFocusId(IDC_FIND_TEXT);
    return true;
}

void CFindTopDlg::OnEditChange(int id) {
    if (id == IDC_FIND_TEXT) EnableControl(IDOK, !GetDlgItemText(IDC_FIND_TEXT).empty());
}

void CFindTopDlg::TakeOverValues() {
    text_ = GetDlgItemText(IDC_FIND_TEXT);
    wholeWord_ = IsDlgButtonChecked(IDC_FIND_WHOLE_WORD) != 0;
    matchCase_ = IsDlgButtonChecked(IDC_FIND_MATCH_CASE) != 0;
    down_ = IsDlgButtonChecked(IDC_FIND_DOWN) != 0;
}

void CFindTopDlg::OnOK() {
    TakeOverValues();
    WriteSettingText(kSectionSettings, "FindString", text_);
    EndDialog(IDOK);
}

void CFindTopDlg::OnCancel() {
    TakeOverValues();
    EndDialog(IDCANCEL);
}

}  // namespace qv
