// The saved result list and CSV exports: the result list to a list file, and a saved list back
// into a map of source items.
#include <cctype>
#include <cerrno>
#include <cstring>

#include "app/AtomicFile.h"
#include "app/FileModes.h"
#include "app/MainSettings.h"
#include "app/Settings.h"
#include "app/SharedRepository.h"
#include "engine/SavedList.h"
#include "report/Reports.h"
#include "scm/LineReader.h"
#include "ui/ExportImport.h"
#include "ui/MainWindow.h"
#include "ui/ReportCtrl.h"
#include "ui/ResultTableOfList.h"

namespace qv {

namespace {

// Where exports go when none has been made yet, relative to the current directory.
constexpr char kDefaultExportDir[] = "../data";
constexpr char kExportDirKey[] = "ExportTopDirectory";

// A list that holds nothing to write: no rows, or the blank list "Clear List" leaves.
bool NothingToWrite(const CReportCtrl& list) {
    return list.RowCount() == 0 || list.CellTextRef(0, 0).empty();
}

// A file name ending in ".html" or ".htm", in any letter case.
bool NamesHtmlFile(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == "html" || extension == "htm";
}

}  // namespace

bool CExportTop::WriteList(const std::string& path) {
    writeFailed_ = false;
    std::string contents;
    const bool rows = !NothingToWrite(list_);
    if (rows) {
        const int columns = list_.ColumnCount();
        std::vector<std::string> cells(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) cells[static_cast<size_t>(c)] = list_.ColumnTitle(c);
        contents = ListHeaderLine(cells);
        for (int r = 0, n = list_.RowCount(); r < n; ++r) {
            for (int c = 0; c < columns; ++c)
                cells[static_cast<size_t>(c)] = list_.CellTextRef(r, c);
            contents += ListDataLine(cells);
        }
    }
    // A list without rows still empties the file.
    return WriteExport(path, contents) && rows;
}

bool CExportTop::WriteExport(const std::string& path, const std::string& contents) {
    // Written whole or not at all: the saved list may be the user's only copy of an analysis.
    // It names the analysed items: a new file is the user's alone unless the repository is
    // shared with a group; a file that is there keeps its mode.
    const unsigned mode = CreationMode(0666, CurrentBrokerSharedWithGroup());
    if (!WriteFileAtomically(path, contents, ExistingFileMode(path, mode))) {
        writeFailed_ = true;
        const std::string why = std::strerror(errno);
        list_.host().MessageBox(MsgKind::Error, "Unable to write " + path + ":\n" + why);
        return false;
    }
    return true;
}

bool CExportTop::WriteHtmlReport(const std::string& path, const ReportContext& context) {
    writeFailed_ = false;
    return WriteExport(path, HtmlReport(TableFromList(list_), context, nullptr));
}

bool CExportTop::ExportList(Host& host, const ReportContext& context) {
    if (NothingToWrite(list_)) return false;
    std::string dir = ReadSettingText(kSectionSettings, kExportDirKey);
    if (dir.empty()) dir = kDefaultExportDir;

    FileDialogRequest request;
    request.save = true;  // the user names a file to write, which may not exist yet
    request.initialDir = dir;
    request.filters = {{"CSV Files (*.csv)", "*.csv"}, {"HTML report (*.html)", "*.html;*.htm"}};
    request.overwritePrompt = true;
    const std::optional<std::string> chosen = host.FileDialog(request);
    if (!chosen) return false;

    WaitCursor wait(host);
    if (const size_t slash = chosen->rfind('/'); slash != std::string::npos)
        WriteSettingText(kSectionSettings, kExportDirKey,
                         slash == 0 ? "/" : chosen->substr(0, slash));
    return NamesHtmlFile(*chosen) ? WriteHtmlReport(*chosen, context) : WriteList(*chosen);
}

int CImport::ReadSavedList(const std::string& path, CMapStrToFObj& items) {
    LineReader reader(path, kListReadSize);
    unreadable_ = !reader.IsOpen();
    if (unreadable_) {
        window_.host().MessageBox(MsgKind::Plain, "Unable to read: " + path);
        return 0;
    }
    items.RemoveAll();
    int count = 0;
    bool header = true;
    std::string line;
    while (reader.Next(line)) {
        if (header) {
            if (EndsListReading(line)) return 0;
            header = false;
            continue;
        }
        // A line of commas alone holds no field: as a record with an empty file name it would
        // sort first in the list, and a list whose first file name is empty counts as empty
        // when it is saved again.
        if (line.empty() || SplitListLine(line).empty()) continue;
        const CFObj record = SavedListRecord(line);
        items.AddIfAbsent(record.itemObjId, record);
        ++count;
    }
    return count;
}

}  // namespace qv
