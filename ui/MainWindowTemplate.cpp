#include "ui/MainWindowTemplate.h"

#include "ui/MainWindowIds.h"

namespace qv {

namespace {

// A label placed to the left of the control it names: its text ends a few dialog units before
// the control and sits on the control's text line.
ControlTemplate LabelFor(const std::string& text, int left, int controlX, int controlY,
                         unsigned anchor = kAnchorNone) {
    constexpr int kGap = 3;
    return {IDC_STATIC, ControlKind::Static, text,  left, controlY + 3, controlX - kGap - left,
            8,          kRightAlign,         anchor};
}

}  // namespace

DialogTemplate MainWindowTemplate() {
    DialogTemplate t;
    t.id = IDD_QUORVEL_DIALOG;
    t.title = "Quorvel";
    t.width = 635;
    t.height = 466;
    t.style = kDlgSystemMenu | kDlgMinimizeBox | kDlgCentered | kDlgResizable;

    using K = ControlKind;
    t.controls = {
        {IDC_STATIC, K::Group, "SCM Context", 7, 7, 621, 102, kStyleNone, kGrowWidth},

        LabelFor("Broker:", 11, 47, 22),
        {IDC_BROKER, K::Edit, "", 47, 22, 153, 14, kStyleNone},
        LabelFor("UserId:", 204, 239, 22),
        {IDC_USERID, K::Edit, "", 239, 22, 110, 14, kStyleNone},
        LabelFor("Password:", 353, 403, 22),
        {IDC_PASSWORD, K::Edit, "", 403, 22, 110, 14, kPassword},
        {IDC_REG_SETTINGS, K::Button, "Reg Setings...", 563, 15, 60, 14, kStyleNone, kMoveRight},

        LabelFor("Source Project:", 11, 68, 45),
        {IDC_SRC_PROJECT, K::Edit, "", 68, 45, 153, 14, kReadOnly},
        LabelFor("Source State:", 224, 276, 45),
        {IDC_SRC_STATE, K::Edit, "", 276, 45, 153, 14, kReadOnly},
        LabelFor("Merge Options:", 432, 502, 46, kMoveRight),
        {IDC_MERGE_OPTIONS, K::ComboBox, "", 502, 46, 120, 73, kStyleNone, kMoveRight},

        LabelFor("Target Project:", 11, 68, 67),
        {IDC_TGT_PROJECT, K::Edit, "", 68, 67, 153, 14, kStyleNone},
        LabelFor("Target State:", 224, 276, 67),
        {IDC_TGT_STATE, K::Edit, "", 276, 67, 153, 14, kStyleNone},
        LabelFor("Placement Options:", 432, 502, 67, kMoveRight),
        {IDC_PLACEMENT_OPTIONS, K::ComboBox, "", 502, 67, 120, 73, kStyleNone, kMoveRight},

        LabelFor("Target Package:", 11, 68, 88),
        {IDC_TGT_PACKAGE, K::Edit, "", 68, 88, 153, 14, kStyleNone},
        {IDC_SET_CONTEXT, K::Button, "Set CPM Context...", 252, 89, 97, 14, kStyleNone},
        {IDC_REMEMBER_SETTINGS, K::CheckBox, "Remember Settings", 550, 95, 78, 10,
         kHidden | kDisabled, kMoveRight},

        {IDC_STATIC, K::Frame, "", 7, 108, 621, 326, kStyleNone, kGrowBoth},
        {IDC_FIND, K::Button, "Find...", 266, 117, 50, 14, kStyleNone},
        {IDC_EXPORT_LIST, K::Button, "Export List...", 320, 117, 50, 14, kStyleNone},
        {IDC_LIST_CONFLICTS, K::Button, "List Conflicts", 373, 117, 50, 14, kStyleNone},
        {IDC_CLEAR_LIST, K::Button, "Clear List", 426, 117, 50, 14, kStyleNone},
        {IDC_SAVE_LIST, K::Button, "Save List", 480, 117, 66, 14, kStyleNone},
        {IDC_LOAD_SAVED_LIST, K::Button, "Load Saved List", 549, 117, 66, 14, kStyleNone},
        {IDC_STATIC, K::Static,
         "Tessark Files in the Repository to be Cross Project Merged to Target Package:", 25, 134,
         320, 8, kStyleNone},
        {IDC_RESULT_LIST, K::List, "", 21, 146, 597, 258, kStyleNone, kGrowBoth},
        {IDC_ROW_COUNT, K::Edit, "", 19, 409, 69, 14, kReadOnly, kFollowBottom},
        {IDC_SELECT_ALL, K::CheckBox, "Select All", 101, 411, 45, 10, kManualCheck, kFollowBottom},
        {IDC_RUN_CPM, K::Button, "Cross Project Merge Analysis", 223, 413, 163, 14, kStyleNone,
         kFollowBottom},
        {IDC_PROCESSED_COUNT, K::Edit, "", 500, 409, 118, 14, kReadOnly, kFollowCorner},

        {IDC_STATUS, K::Static, "", 16, 446, 554, 13, kSunken, kMoveDown | kGrowWidth},
        {IDC_EXIT, K::Button, "Exit", 578, 445, 50, 14, kStyleNone, kFollowCorner},
    };
    t.accelerators = {
        {"Ctrl+F", IDC_FIND},        {"F3", ID_FIND_NEXT},      {"Ctrl+S", IDC_SAVE_LIST},
        {"Ctrl+E", IDC_EXPORT_LIST}, {"F5", ID_START_ANALYSIS},
    };
    return t;
}

DialogTemplate AboutTemplate() {
    DialogTemplate t;
    t.id = IDD_ABOUTBOX;
    t.title = "About...";
    t.width = 235;
    t.height = 70;
    t.style = kDlgSystemMenu | kDlgCentered;

    using K = ControlKind;
    t.controls = {
        {IDC_STATIC, K::Icon, "", 11, 10, 20, 20, kStyleNone},
        {IDC_STATIC, K::Static, "Quorvel", 40, 10, 185, 8, kStyleNone},
        {IDC_STATIC, K::Static, "Quorvel - Cross Project Merge Analysis", 40, 22, 185, 8,
         kStyleNone},
        {IDC_STATIC, K::Static, "Version 1.07", 40, 34, 185, 8, kStyleNone},
        {IDOK, K::Button, "OK", 178, 49, 50, 14, kDefaultButton},
    };
    return t;
}

std::vector<MenuEntry> ResultListMenu() {
    return {
        {ID_RUN_CPM_ITEM, "Run CPM on this item..."},
        {ID_OPEN_CRYSTALEDIT, "Open in Crystaledit..."},
        {ID_OPEN_HEXVIEWER, "Open in HexViewer..."},
        {ID_OPEN_DEFAULT_ASSOC, "Open in Default Assoc..."},
        {ID_WINDIFF_LATEST, "WinDiff vs Latest Version..."},
    };
}

}  // namespace qv
