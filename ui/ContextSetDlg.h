// The "Set Context and Source Packages List" dialog: the source project and state, the search for
// the state's packages and the choice among them, the target project, state and package, and the
// local path. It searches through the main window's repository and leaves its results in public
// values that the caller reads after OK.
#pragma once

#include <string>

#include "engine/PackageSearch.h"
#include "engine/Records.h"
#include "scm/Repository.h"
#include "ui/Dialog.h"

namespace qv {

inline constexpr int IDD_CONTEXT_SET = 129;
inline constexpr int IDC_CTX_SRC_PROJECT = 2704;
inline constexpr int IDC_CTX_SRC_STATE = 2705;
inline constexpr int IDC_CTX_LOCAL_PATH = 2706;
inline constexpr int IDC_CTX_TGT_PROJECT = 2707;
inline constexpr int IDC_CTX_PACKAGE_LIST = 2708;
inline constexpr int IDC_CTX_BROWSE = 2709;
inline constexpr int IDC_CTX_PACKAGE_COUNT = 2710;
inline constexpr int IDC_CTX_TGT_STATE = 2711;
inline constexpr int IDC_CTX_TGT_PACKAGE = 2712;
inline constexpr int IDC_CTX_SELECT_ALL = 2730;
inline constexpr int IDC_CTX_SEARCH = 2801;

// The package list's columns; "Record" carries the row's number and is not seen.
inline constexpr char kPackageListLayout[] = "Package, 400;Record, 0";
// How many empty rows the list shows when there is no package to show.
inline constexpr int kBlankPackageRows = 21;

class CContextSetDlg : public Dialog {
public:
    // Takes a copy of the packages chosen last time (same keys), the context values remembered in
    // the settings and the browse directory as the local path. Searches run on `repository`.
    CContextSetDlg(Host& host, Repository& repository, const CMapStrToPkgObj& selectedPackages);

    static DialogTemplate MakeTemplate();

    // The context, taken from the boxes by OK and Cancel.
    std::string SrcProject;
    std::string SrcState;
    std::string TgtProject;
    std::string TgtState;
    std::string TgtPackage;
    std::string LocalPath;
    // The packages listed, keyed by their place in the search result ("0", "1", ...); after OK
    // the chosen ones have `selected` "1".
    CMapStrToPkgObj PackageList;

    CReportCtrl& Packages() { return List(IDC_CTX_PACKAGE_LIST); }
    bool SelectAllMark() const { return IsDlgButtonChecked(IDC_CTX_SELECT_ALL) != 0; }

    // --- Handlers ---
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnOK() override;
    void OnCancel() override;
    // Enter in the source project or state box searches for packages instead of pressing OK.
    int EnterButtonFor(int focusId) const override {
        return focusId == IDC_CTX_SRC_PROJECT || focusId == IDC_CTX_SRC_STATE ? IDC_CTX_SEARCH : 0;
    }

    // "Search for Packages".
    void SearchForPackages();
    // Lists PackageList's records in key order, every row checked.
    void PostPackageList();
    // Reverses the toggle's mark and checks or unchecks every row to match.
    void SelectAll();
    // ". . .": the folder browser for the local path.
    void BrowseLocalPath();

private:
    // Takes the six values from their boxes and writes them to the settings.
    void TakeAndStoreValues();
    // A refusal of OK: the message with the exclamation icon, the focus on the control.
    void Refuse(const char* message, int focusId);

    Repository& repository_;
};

}  // namespace qv
