// The main window: the SCM context boxes, the merge and placement options, the result list with
// the buttons that act on it, the run button, the two counters and the status line. It owns the
// records the list shows and the values the settings store remembers; every action of the
// program starts from one of its handlers.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainSettings.h"
#include "engine/Classify.h"
#include "engine/MappedVersion.h"
#include "engine/Outcome.h"
#include "engine/Records.h"
#include "report/ReportTable.h"
#include "report/ResultColumns.h"
#include "scm/Kco.h"
#include "scm/Ksql.h"
#include "scm/Repository.h"
#include "ui/Dialog.h"
#include "ui/MainWindowIds.h"
#include "ui/ReportCtrl.h"

namespace qv {

class CContextSetDlg;
class CWaitDlg;

// The target project, state and package, compared as a whole.
struct TargetContext {
    std::string project, state, package;
    bool operator==(const TargetContext&) const = default;
};

// What target items were loaded for: the broker whose repository answered, and the target.
struct LoadedTarget {
    std::string broker;
    TargetContext target;
    bool operator==(const LoadedTarget&) const = default;
};

// The layout of a fresh installation; the last two columns carry values but are not seen.
inline constexpr char kDefaultResultLayout[] =
    "File,175;Path,250;Version,50;Type,40;Tag,30;Merge Status,215;Src Package,150;Datasize,60;"
    "Creator,125;Created Date,125;Modifier,125;Modified Date,125;Itemobjid,0;Record,0";

// Text colours of the "Tag" cell by tag; other tags keep the window-text colour.
inline constexpr ColorRef ColorTagNew = 0x008000;       // "N"
inline constexpr ColorRef ColorTagReserved = 0x2080C8;  // "R"
inline constexpr ColorRef ColorTagMerge = 0xFF0080;     // "M"
inline constexpr ColorRef ColorTagDeleted = 0x2080C8;   // "D"

// The entries of the two option lists, in display order.
const std::vector<std::string>& MergeOptionEntries();
const std::vector<std::string>& PlacementOptionEntries();

// Status line texts.
inline constexpr char kStatusStart[] =
    " Enter Broker and credentials then click Set Context button to begin.";
inline constexpr char kStatusReady[] = " Ready";
inline constexpr char kStatusReadyToRun[] =
    " Ready - click the Cross Project Merge Analysis button to start the CPM analysis";
inline constexpr char kStatusSorting[] = " Sorting Top List by File Name...";
inline constexpr char kStatusRowClicked[] =
    " Ready - Right click on the selected item for more options";

// Captions of the button that switches between the conflicts and all rows.
inline constexpr char kCaptionListConflicts[] = "List Conflicts";
inline constexpr char kCaptionListAll[] = "List All";

// How many empty rows a blank list shows, so that its grid stays visible.
inline constexpr int kBlankListRows = 29;

// The colour of a "Tag" cell; false (and `color` untouched) for a tag that keeps the window-text
// colour.
bool TagTextColor(const std::string& tag, ColorRef& color);

// The column layout remembered in section "TopList": ColumnCount columns (at most 14) with their
// stored widths (45 when absent) and the titles of a restored layout, whose column 6 is
// "Package"; columns beyond a smaller count keep their default widths. Empty when no column
// count is stored.
std::string StoredResultLayout();

// The result list as the main window sets it up: the stored layout (else the default one), its
// notifications under `notifyId` (none for 0), grid lines, no check boxes, sorted by file name.
void ConfigureResultList(CReportCtrl& list, int notifyId = 0);
// The source record a run hands to the classification: File, Path, Version, Tag and, with
// `withPackage`, Src Package of a row of the result list.
CFObj RunSourceFromList(const CReportCtrl& list, int row, bool withPackage);
// Adds a row for every record of `items`, each at the top, with its cells and its record number
// in "Record"; `added(record, k)` is called for the new top row of the k-th record.
void AddRecordRows(CReportCtrl& list, const CMapStrToFObj& items,
                   const std::function<void(const CFObj&, int)>& added);

class CQuorvelDlg : public Dialog {
public:
    // Loads the remembered values from the settings store; nothing is shown yet.
    explicit CQuorvelDlg(Host& host);
    ~CQuorvelDlg() override;

    // --- State ---
    MainWindowValues& Values() { return values_; }
    const MainWindowValues& Values() const { return values_; }
    CMapStrToFObj& SourceItems() { return sourceItems_; }
    CMapStrToFObj& ConflictItems() { return conflictItems_; }
    CMapStrToTFObj& TargetItems() { return targetItems_; }
    CMapStrToPkgObj& SelectedPackages() { return selectedPackages_; }
    bool AnalysisRunning() const { return analysisRunning_; }
    void SetAnalysisRunning(bool running) { analysisRunning_ = running; }
    // True when the target items hold the data of the current broker and target: items loaded
    // for another target, or through another broker, do not count, whatever changed the boxes.
    bool TargetDataLoaded() const { return targetDataLoaded_ && loadedTarget_ == CurrentTarget(); }
    // Setting it records the current broker and target as what the items were loaded for.
    void SetTargetDataLoaded(bool loaded) {
        targetDataLoaded_ = loaded;
        if (loaded) loadedTarget_ = CurrentTarget();
    }
    LoadedTarget CurrentTarget() const {
        return {values_.Broker, {values_.TgtProject, values_.TgtState, values_.TgtPackage}};
    }
    bool SelectAllState() const { return selectAll_; }
    // True once the window's start-up has finished.
    bool IsInitialized() const { return initialized_; }
    CReportCtrl& ResultList() { return List(IDC_RESULT_LIST); }
    const CReportCtrl& ResultList() const { return List(IDC_RESULT_LIST); }

    // --- The status line and the options ---
    void SetStatus(const std::string& text) { SetDlgItemText(IDC_STATUS, text); }
    std::string Status() const { return GetDlgItemText(IDC_STATUS); }
    // The texts of the entries selected in the option lists; the remembered option when no
    // entry is selected.
    std::string SelectedMergeOption() const;
    std::string SelectedPlacementOption() const;

    // --- The result list ---
    // Fills the list from SourceItems: one row per record, inserted at the top, Tag and Merge
    // Status coloured, then sorted by "File" and every row checked. With no records only the
    // row counter changes (to "0"); a fill that shows nothing leaves the list blank.
    void PostTopList();
    // Rebuilds SourceItems from the rows of the list (keyed by their "Record" cell) and
    // ConflictItems from the rows whose outcome holds "(D)", "(U)" or "(E)", then shows the
    // conflicts. Nothing happens on a list without rows.
    void PostTopConflicts();
    // The "List Conflicts" / "List All" switch.
    void OnBtnListConflicts();
    // Blanks the list: no check boxes, 29 empty rows. The maps are not touched.
    void ClearList();
    // Toggles the "Select All" box and sets every row's check box to its new state.
    void SelectAll();
    // Gives the list the keyboard focus, scrolls the row into view unless keepScroll, and sets
    // the cell's text colour.
    void MarkCell(int row, int column, ColorRef color, bool keepScroll);
    // Colours the row's "Merge Status" cell with ColorResult, then `column` by the text's
    // colour (StatusTextColor) when that is another one.
    void ColorRowByStatus(int row, int column, const std::string& text, bool keepScroll);
    // The record a row shows (cells 0 to 12; `result` from "Merge Status").
    CFObj RowRecord(int row) const;

    // --- Controls a run disables ---
    // The Broker, UserId and Password boxes, "Reg Setings...", both option lists, the three
    // target boxes and the buttons that change the list or the context. The run button, "Exit"
    // and the list stay enabled.
    static const std::vector<int>& RunControlIds();
    // Enables or disables that set, then repaints and lets every pending message through.
    void EnableRunControls(bool enable);

    // --- The repository ---
    // The repository every query of the analysis goes to: the query tool in the install
    // directory with the remembered broker, user, password and KsqlFmt (taken afresh on each
    // call; a default the query runner falls back to lands in Values().KsqlFmt), or the one a
    // test put in its place.
    Repository& Repo();
    // The repository behind Repo()'s count of failed runs: the query tool, or the one a test put
    // in its place. A wrapper that is to take the window's place wraps this one, not Repo().
    Repository& ConnectedRepository();
    void SetRepositoryForTesting(Repository* repository);
    // How many runs of the query tool failed since the window was made (no result at all).
    int FailedQueryRuns() const { return counted_.FailedRuns(); }
    // After a loading or an analysis during which runs of the query tool failed (counted from
    // `before`): one warning that says how many, and that what they decided is not reliable.
    void ReportFailedQueryRuns(int before, const char* during);
    // The mapped version calculation over Repo(); its remembered target view belongs to the
    // target data loaded last.
    MappedVersionCalculator& MappedVersions();
    // How a run over the list asks the repository: the settings key "AnalysisQueries" of
    // section "Settings" (Bulk unless it says PerItem), or what the owner set in its place.
    QueryMode AnalysisQueryMode() const;
    void SetAnalysisQueryMode(std::optional<QueryMode> mode) { queryMode_ = mode; }

    // --- The analysis ---
    // "Cross Project Merge Analysis": classifies every checked row, top to bottom, letting the
    // window's messages through after each row. While it runs the button reads "Cancel", and a
    // press on it stops the run after the row being worked on.
    virtual void OnBtnRunCPM();
    // Classifies one row, checked or not, outside a run.
    void RunSelectedItemCPM(int row);
    // The source record a run hands to the classification: File, Path, Version, Tag and (for a
    // run over the list) Src Package of the row.
    CFObj RunSourceRecord(int row, bool withPackage) const;
    // True when the row takes part in a run over the list: its check box is shown and checked.
    bool IsRowCheckedForRun(int row) const;

    // --- Target data ---
    // Loads TargetItems, the latest versions of the target project and state's items, from the
    // repository, once the target is known to exist; true when they are loaded.
    virtual bool GetTargetPackageData();
    // True when the repository holds the target project, its state and the target package; a
    // warning names what it lacks, or the failure has been reported.
    virtual bool TargetExists(const TargetContext& target);

    // --- Loading the source packages ---
    // "Set CPM Context...": checks the credentials, saves the settings, runs the context dialog
    // and, after OK, loads the latest version of every item of the chosen packages into
    // SourceItems (the greater mapped version when packages share an item), fills the list and
    // makes sure the target data is loaded.
    void SetCpmContext();
    // Its part after the dialog's OK: takes the dialog's context and packages and loads them.
    // `previous` is the target context from before the dialog; a change means the target data
    // must be loaded again.
    void LoadChosenContext(const CContextSetDlg& dialog);

    // --- Settings ---
    // Takes the boxes and the selected options into Values() and writes them, with the result
    // list's column widths, to the settings store. False when the store could not be written.
    bool SaveSettings();
    std::vector<int> ColumnWidths() const;
    // Leaving the Broker, UserId or Password box: when none of the three is empty and one of
    // them differs from the remembered value, all three become the remembered credentials.
    void CommitCredentials();

    // --- Handlers ---
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    // Neither Enter nor Escape closes the main window, so that a key press does not take an
    // unsaved analysis with it; Exit and the close box do.
    void OnOK() override {}
    void OnKeyEscape() override {}
    void OnKillFocus(int id) override;
    void OnSysCommand(int command) override;
    void OnContextMenu(int controlId, int x, int y) override;
    // Enter in the password box sets the context, as "Set CPM Context..." does.
    int EnterButtonFor(int focusId) const override;

    // The About box, modal.
    virtual void OnAbout();
    // "Reg Setings...": the Registry Settings dialog for the four action templates.
    virtual void OnRegSettings();
    // "Exit": saves the settings, writes the closing trace line, returns to the start-up directory
    // and closes with Cancel, so that start-up ends the program the orderly way (writing the
    // status file). No process is ended, another window of the program least of all. During a
    // run the run stops after the row being worked on and the window closes then.
    virtual void ExitProgram();
    virtual void OnRowClicked(int notifyId, int row);
    virtual void OnRowDoubleClicked(int /*notifyId*/, int /*row*/) {}

    // "Set CPM Context...".
    virtual void OnBtnSetContext() { SetCpmContext(); }
    // Context menu entry "Run CPM on this item...": RunSelectedItemCPM on the focused row;
    // nothing without one.
    virtual void OnRunSelectedItem();

    // --- The list buttons (ui/MainWindowList.cpp) ---
    virtual void OnBtnFind() { FindInList(); }
    // "Export List...": the list as a CSV file or, for a name ending in ".html" or ".htm", as
    // the HTML report of ListReportContext().
    virtual void OnBtnExportList();
    // What the list's report names: the broker, user, source and target, the selected packages
    // and options, made now by this program.
    ReportContext ListReportContext() const;
    virtual void OnBtnSaveList() { SaveList(); }
    virtual void OnBtnLoadSavedList() { LoadSavedList(); }
    // "Save List": the list as shown to the saved list file in the install directory.
    void SaveList();
    // "Load Saved List": the saved list into SourceItems and the list; its packages become
    // selected packages.
    void LoadSavedList();
    // Loads the saved list at `path` as LoadSavedList loads toplist.save, with the same messages.
    void LoadSavedListFrom(const std::string& path);
    // "Find...": selects the first row from the top in which a cell holds the text, ignoring
    // case, and scrolls it into view with up to three rows below it; "Not found: <text>" in the
    // status line when no row holds it.
    void FindInList();
    // F3: the same search from the row after the selected one (Find's dialog when nothing was
    // looked for yet in this run); nothing while "Find..." is disabled.
    void FindNext();
    // The text the last search looked for (upper case once a search ran).
    const std::string& SearchText() const { return searchText_; }
    // The saved list file in the install directory.
    static std::string SavedListPath();

    // --- Context menu entries, acting on the list's focused row (ui/MainWindowActions.cpp) ---
    virtual void OnOpenCrystalEdit() { OpenInEditor(); }
    virtual void OnOpenHexViewer() { OpenInHexViewer(); }
    virtual void OnOpenDefaultAssoc() { OpenWithDefaultApp(); }
    virtual void OnWinDiffLatest() { CompareWithLatestVersion(); }
    void OpenInEditor();
    void OpenInHexViewer();
    void OpenWithDefaultApp();
    void CompareWithLatestVersion();
    // Checks out the latest version of the item name in the target project and state below the
    // compare directory; true with the local file's path, false when it cannot be compared.
    bool CheckOutLatestTargetVersion(const std::string& itemName, std::string& localFile);

    // What a check-out for browse needs, from the window's values.
    KcoContext CheckOutContext();
    // Checks the version that `row` names out for browse, as RunKco does (its result). A copy
    // already in the browse directory is used only when this window checked it out for the same
    // package, version and item; any other copy is checked out again.
    int CheckOutRowForBrowse(int row);
    // True (after telling the user) when the item's local copy would not be a plain file below
    // the check-out directory.
    bool RefuseUnplainItem(const std::string& path, const std::string& name);

protected:
    // The mapped version of a target record for one placement: the calculation over the
    // repository with num() of the record's parent version, version and item ids.
    virtual MappedVersion CalculateMappedVersion(const CTFObj& target, bool onBranch);

private:
    // Reads the boxes and the selected options into Values() (the first step of SaveSettings).
    void TakeControlValues();
    // Loads one package's items into SourceItems; false when the whole loading must end (an
    // error line, an unreadable result file or an unwritten statement file).
    bool LoadSourcePackage(const std::string& packageName, CWaitDlg& wait, int handled);

    friend class RowOutcomeSink;
    friend class ListRunObserver;
    // The run's shared steps.
    enum class TargetCheck { Ok, Missing, LoadFailed };
    // Reads the three target boxes into the context (a message and the focus for an empty one)
    // and loads the target data when they changed or are not loaded. `traceFormat` names the
    // target in the trace.
    TargetCheck ReadTargetAndLoad(const char* traceFormat);
    void EndRun();  // back to idle: caption, flag, status line, controls
    void ShowRTagged(int row, const std::string& name, bool scrollToRowItself);
    // Scrolls the list so that the row and up to three below it are visible.
    void ScrollToProblem(int row);
    void TraceRow(const CFObj& source, const CTFObj& target, int rowNumber);
    // Repaints when a frame has passed since the last repaint (at once on a host without
    // frames); lets every pending message through as well when `andInput`. True when it did.
    bool PaintWhenDue(bool andInput);

    // Replaces the rows by the records of `items` (steps shared by both fills).
    void FillFromMap(const CMapStrToFObj& items);
    void SetRowCounter(int count);
    void SelectStoredOption(int id, const std::vector<std::string>& entries,
                            const std::string& stored);
    std::string SelectedEntry(int id, const std::string& fallback) const;

    MainWindowValues values_;
    std::unique_ptr<KsqlContext> ksqlContext_;
    std::unique_ptr<KsqlRepository> ksqlRepository_;
    Repository* repositoryOverride_ = nullptr;
    // Every statement of the window goes through it, so that no failed run goes unnoticed.
    CountingRepository counted_;
    std::unique_ptr<MappedVersionCalculator> mappedVersions_;
    std::optional<QueryMode> queryMode_;
    CMapStrToFObj sourceItems_;
    CMapStrToFObj conflictItems_;
    CMapStrToTFObj targetItems_;
    CMapStrToPkgObj selectedPackages_;
    bool analysisRunning_ = false;
    bool targetDataLoaded_ = false;
    LoadedTarget loadedTarget_;
    bool selectAll_ = false;
    bool initialized_ = false;
    std::chrono::steady_clock::time_point lastPaint_{};
    // Selects the first row after `after` (-1: from the top) that holds the search text.
    void SelectNextMatch(int after);

    std::string searchText_;
    std::string searchShown_;  // the text of the last search as it was typed
    // The browse copies this window checked out: local path to the package, version and item
    // they are of.
    std::map<std::string, std::string> browseCopies_;
};

}  // namespace qv
