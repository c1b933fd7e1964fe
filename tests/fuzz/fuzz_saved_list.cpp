// The saved-list reader over any file contents, and the list written back from what it read.
#include <algorithm>

#include "engine/SavedList.h"
#include "tests/fuzz/WindowSupport.h"
#include "ui/ExportImport.h"
#include "ui/ReportCtrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qvfuzz::Window& w = qvfuzz::TheWindow();
    qv::CQuorvelDlg& window = *w.window;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string path = qvfuzz::WorkDir() + "/" + qv::kSavedListFileName;
    qvfuzz::WriteFile(path, text);

    // A data line gives at most one record, and the header none.
    qv::CMapStrToFObj& items = window.SourceItems();
    const int count = qv::CImport(window).ReadSavedList(path, items);
    FUZZ_CHECK(w.host.boxes.empty());
    FUZZ_CHECK(count >= 0);
    FUZZ_CHECK(static_cast<size_t>(count) + 1 <= qvfuzz::MaxPieces(text, qv::kListReadSize));
    // An error or zero-results line gives 0 and keeps what was read before it.
    FUZZ_CHECK(static_cast<size_t>(items.GetCount()) + 1 <=
               qvfuzz::MaxPieces(text, qv::kListReadSize));
    if (count == 0) return 0;
    FUZZ_CHECK(items.GetCount() <= count);

    // The list shown from the records and saved again keeps every record; saved a second time
    // it gives the same file.
    window.PostTopList();
    FUZZ_CHECK(window.ResultList().RowCount() == items.GetCount());
    const std::string again = qvfuzz::WorkDir() + "/again.save";
    qv::CExportTop writer(window.ResultList(), "");
    FUZZ_CHECK(writer.WriteList(again) == (items.GetCount() > 0));
    qv::CMapStrToFObj reread;
    const int rereadCount = qv::CImport(window).ReadSavedList(again, reread);
    // A cell that holds an error or zero-results text (perhaps once its line breaks are gone)
    // ends the reading of the file written from it: the format cannot carry such a cell.
    for (const auto& [key, record] : qvfuzz::Entries(items)) {
        std::string line = qv::ListDataLine(
            {record.itemName, record.pathFullName, record.mappedVersion, record.itemType,
             record.versionStatus, record.result, record.packageName, record.dataSize,
             record.creator, record.creationTime, record.modifier, record.modifiedTime,
             record.itemObjId});
        if (qv::EndsListReading(line)) return 0;
    }
    FUZZ_CHECK(rereadCount == items.GetCount());
    FUZZ_CHECK(reread.GetCount() <= rereadCount);

    items = reread;
    window.PostTopList();
    const std::string third = qvfuzz::WorkDir() + "/third.save";
    FUZZ_CHECK(qv::CExportTop(window.ResultList(), "").WriteList(third));
    qv::CMapStrToFObj thirdRead;
    // (An empty cell is written as a blank, so an empty key and a blank key become one: the
    // second read may hold fewer records than lines, the third holds as many.)
    FUZZ_CHECK(qv::CImport(window).ReadSavedList(third, thirdRead) == reread.GetCount());
    // The same records; their order follows the list's sorting, which the removed line breaks
    // may change.
    auto sorted = [](const qv::CMapStrToFObj& map) {
        auto entries = qvfuzz::Entries(map);
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        return entries;
    };
    FUZZ_CHECK(sorted(thirdRead) == sorted(reread));
    return 0;
}
