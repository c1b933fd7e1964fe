#include "ui/RegSettingsDlg.h"

#include "app/Settings.h"

namespace qv {

DialogTemplate CRegSettingsDlg::MakeTemplate() {
    DialogTemplate t;
    t.id = IDD_REGSETTINGS;
    t.title = "Registry Settings - Action templates used for operations in this program";
    t.width = 400;
    t.height = 140;
    t.style = kDlgSystemMenu | kDlgCentered;
    constexpr int labelX = 7, labelW = 44, editX = 54, editW = 339, rowH = 14, labelDy = 3;
    auto row = [&](int id, const char* label, int y, unsigned style) {
        t.controls.push_back({IDC_STATIC, ControlKind::Static, label, labelX, y + labelDy, labelW,
                              8, style & kHidden});
        t.controls.push_back({id, ControlKind::Edit, "", editX, y, editW, rowH, style});
    };
    row(IDC_REG_PACKAGE, "Package:", 7, kReadOnly | kHidden);
    row(IDC_REG_KSVFMT, "KSV Fmt:", 27, kStyleNone);
    row(IDC_REG_KCOFMT, "KCO Fmt:", 47, kStyleNone);
    row(IDC_REG_SQLFMT, "SQL Fmt:", 67, kStyleNone);
    row(IDC_REG_KSQLFMT, "KSQL Fmt:", 87, kStyleNone);
    t.controls.push_back(
        {IDC_REG_DEFAULTS, ControlKind::Button, "Reset to Defaults", 7, 117, 70, 14, kStyleNone});
    t.controls.push_back({IDOK, ControlKind::Button, "OK", 289, 117, 50, 14, kDefaultButton});
    t.controls.push_back({IDCANCEL, ControlKind::Button, "Cancel", 343, 117, 50, 14, kStyleNone});
    return t;
}

CRegSettingsDlg::CRegSettingsDlg(Host& host, std::string package, ActionTemplates templates)
    : Dialog(host, MakeTemplate()),
      package_(std::move(package)),
      templates_(std::move(templates)) {}

bool CRegSettingsDlg::OnInitDialog() {
    SetDlgItemText(IDC_REG_PACKAGE, package_);
    SetDlgItemText(IDC_REG_KSVFMT, templates_.KsvFmt);
    SetDlgItemText(IDC_REG_KCOFMT, templates_.KcoFmt);
    SetDlgItemText(IDC_REG_SQLFMT, templates_.SqlFmt);
    SetDlgItemText(IDC_REG_KSQLFMT, templates_.KsqlFmt);
    SetFocusId(IDC_REG_KSVFMT);
    return false;
}

void CRegSettingsDlg::OnCommand(int id) {
    if (id == IDC_REG_DEFAULTS) {
        OnResetDefaults();
        return;
    }
    Dialog::OnCommand(id);
}

void CRegSettingsDlg::OnResetDefaults() {
    const bool withPackage = !package_.empty();
    SetDlgItemText(IDC_REG_KSVFMT, withPackage ? kDefaultKsvFmtWithPackage : kDefaultKsvFmt);
    SetDlgItemText(IDC_REG_KCOFMT, withPackage ? kDefaultKcoFmtWithPackage : kDefaultKcoFmt);
    SetDlgItemText(IDC_REG_SQLFMT, kDefaultSqlFmt);
    SetDlgItemText(IDC_REG_KSQLFMT, kDefaultKsqlFmt);
    SetFocusId(IDC_REG_KSVFMT);
}

void CRegSettingsDlg::OnOK() {
    templates_.KsvFmt = GetDlgItemText(IDC_REG_KSVFMT, kEditMaxChars);
    templates_.KcoFmt = GetDlgItemText(IDC_REG_KCOFMT, kEditMaxChars);
    templates_.SqlFmt = GetDlgItemText(IDC_REG_SQLFMT, kEditMaxChars);
    templates_.KsqlFmt = GetDlgItemText(IDC_REG_KSQLFMT, kEditMaxChars);
    EndDialog(IDOK);
}

int EditActionTemplates(Host& host, MainWindowValues& values) {
    CRegSettingsDlg dlg(host, values.CheckoutPackage,
                        {values.KsvFmt, values.KcoFmt, values.KsqlFmt, values.SqlFmt});
    const int result = host.RunModal(dlg);
    if (result != IDOK) return result;
    const ActionTemplates& t = dlg.Templates();
    values.KsvFmt = t.KsvFmt;
    values.KcoFmt = t.KcoFmt;
    values.KsqlFmt = t.KsqlFmt;
    values.SqlFmt = t.SqlFmt;
    SettingsBatch batch;
    batch.WriteText(kSectionSettings, "KsvFmt", values.KsvFmt);
    batch.WriteText(kSectionSettings, "KcoFmt", values.KcoFmt);
    batch.WriteText(kSectionSettings, "KsqlFmt", values.KsqlFmt);
    batch.WriteText(kSectionSettings, "SqlFmt", values.SqlFmt);
    batch.Commit();
    return result;
}

}  // namespace qv
