// The writer and the reader of the program's own list files: the saved result list and CSV
// exports (written from the result list), and the target data file (written from and read into
// the main window's target items). The line formats themselves live in engine/.
#pragma once

#include <string>
#include <utility>

#include "engine/Records.h"
#include "report/ReportTable.h"

namespace qv {

class CQuorvelDlg;
class CReportCtrl;
class Host;

// Writes list files. Each operation is defined beside the feature it serves: the saved list and
// the export in ExportImportList.cpp, the target data file in ExportImportTarget.cpp.
class CExportTop {
public:
    // The caption is kept for the callers' sake; nothing shows it.
    CExportTop(CReportCtrl& list, std::string caption)
        : list_(list), caption_(std::move(caption)) {}

    // The result list's rows to the list file at `path`, written whole or not at all.
    bool WriteList(const std::string& path);
    // The result list's rows as the HTML report of `context` to the file at `path`, written
    // whole or not at all; each row's reason is its "Merge Status" tooltip.
    bool WriteHtmlReport(const std::string& path, const ReportContext& context);
    // Asks the user for a file (through the host) and writes the list there: the HTML report of
    // `context` for a name ending in ".html" or ".htm", the CSV list for any other.
    bool ExportList(Host& host, const ReportContext& context = {});
    // True when the last WriteList could not write its file (the user has been told).
    bool WriteFailed() const { return writeFailed_; }
    // The target items of `project` and `state` to the target data file at `path`, written
    // whole or not at all.
    bool SaveTargetData(const CMapStrToTFObj& items, const std::string& project,
                        const std::string& state, const std::string& path);

private:
    // Writes a file the list's rows went into, with the mode rules of the exports; the user is
    // told when it cannot be written.
    bool WriteExport(const std::string& path, const std::string& contents);

    CReportCtrl& list_;
    std::string caption_;
    bool writeFailed_ = false;
};

// Reads list files into the main window's maps.
class CImport {
public:
    explicit CImport(CQuorvelDlg& window) : window_(window) {}

    // The saved list at `path` into `items`; the number of data lines read.
    int ReadSavedList(const std::string& path, CMapStrToFObj& items);
    // True when the last ReadSavedList could not open its file (the user has been told).
    bool Unreadable() const { return unreadable_; }
    // The target data file into the window's TargetItems; the number of accepted lines, 0 when
    // the file does not serve the window's target project and state.
    int LoadTargetData();

private:
    CQuorvelDlg& window_;
    bool unreadable_ = false;
};

}  // namespace qv
