// The Registry Settings dialog: shows and edits the four action templates and can put back the
// built-in defaults.
#pragma once

#include <string>

#include "app/MainSettings.h"
#include "ui/Dialog.h"

namespace qv {

inline constexpr int IDD_REGSETTINGS = 132;
inline constexpr int IDC_REG_PACKAGE = 2400;
inline constexpr int IDC_REG_KSVFMT = 2401;
inline constexpr int IDC_REG_KCOFMT = 2402;
inline constexpr int IDC_REG_SQLFMT = 2403;
inline constexpr int IDC_REG_KSQLFMT = 2404;
inline constexpr int IDC_REG_DEFAULTS = 2010;

// The dialog's four templates.
struct ActionTemplates {
    std::string KsvFmt;
    std::string KcoFmt;
    std::string KsqlFmt;
    std::string SqlFmt;
};

class CRegSettingsDlg : public Dialog {
public:
    // Opened with the main window's check-out package and its four templates.
    CRegSettingsDlg(Host& host, std::string package, ActionTemplates templates);

    static DialogTemplate MakeTemplate();

    // The templates taken by OK (the ones it was opened with until then).
    const ActionTemplates& Templates() const { return templates_; }

    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnOK() override;

    // Fills the four boxes with the built-in defaults; the forms with a package when the
    // dialog was opened with one.
    void OnResetDefaults();

private:
    std::string package_;
    ActionTemplates templates_;
};

// Opens the dialog modally for the main window. On OK the window's four templates take the
// dialog's values and KsvFmt, KcoFmt, KsqlFmt and SqlFmt are written to section "Settings".
// Returns the dialog's result.
int EditActionTemplates(Host& host, MainWindowValues& values);

}  // namespace qv
