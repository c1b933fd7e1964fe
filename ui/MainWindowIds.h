// Resource ids of the main window, its About box and the result list's context menu.
#pragma once

namespace qv {

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_QUORVEL_DIALOG = 102;

// SCM context.
inline constexpr int IDC_BROKER = 1007;
inline constexpr int IDC_USERID = 1000;
inline constexpr int IDC_PASSWORD = 1001;
inline constexpr int IDC_REG_SETTINGS = 2026;
inline constexpr int IDC_SRC_PROJECT = 1008;
inline constexpr int IDC_SRC_STATE = 1009;
inline constexpr int IDC_MERGE_OPTIONS = 2804;
inline constexpr int IDC_TGT_PROJECT = 1010;
inline constexpr int IDC_TGT_STATE = 1011;
inline constexpr int IDC_PLACEMENT_OPTIONS = 2805;
inline constexpr int IDC_TGT_PACKAGE = 1012;
inline constexpr int IDC_SET_CONTEXT = 2720;
inline constexpr int IDC_REMEMBER_SETTINGS = 1002;

// The list area.
inline constexpr int IDC_FIND = 2027;
inline constexpr int IDC_EXPORT_LIST = 1108;
inline constexpr int IDC_LIST_CONFLICTS = 1112;
inline constexpr int IDC_CLEAR_LIST = 1111;
inline constexpr int IDC_SAVE_LIST = 1110;
inline constexpr int IDC_LOAD_SAVED_LIST = 1109;
inline constexpr int IDC_RESULT_LIST = 1090;
inline constexpr int IDC_ROW_COUNT = 2024;
inline constexpr int IDC_SELECT_ALL = 2730;
inline constexpr int IDC_RUN_CPM = 2023;
inline constexpr int IDC_PROCESSED_COUNT = 2025;

// The bottom line.
inline constexpr int IDC_STATUS = 2701;
inline constexpr int IDC_EXIT = 2806;

// The result list's context menu and its commands.
inline constexpr int IDR_RESULT_LIST_MENU = 2500;
inline constexpr int ID_RUN_CPM_ITEM = 32771;
inline constexpr int ID_OPEN_CRYSTALEDIT = 2520;
inline constexpr int ID_OPEN_HEXVIEWER = 2530;
inline constexpr int ID_OPEN_DEFAULT_ASSOC = 2540;
inline constexpr int ID_WINDIFF_LATEST = 2510;

// The key F3: the next row after the selected one that holds the text of the last Find.
inline constexpr int ID_FIND_NEXT = 32772;
// The key F5: "Cross Project Merge Analysis", but never the Cancel that button is during a run.
inline constexpr int ID_START_ANALYSIS = 32773;

// The entry the main window adds to its system menu.
inline constexpr int IDM_ABOUTBOX = 16;

}  // namespace qv
