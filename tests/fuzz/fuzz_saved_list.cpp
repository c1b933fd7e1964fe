// The saved-list reader over any file contents, and the list written back from what it read.
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
    FUZZ_CHECK(items.GetCount() <= count);
    if (count == 0) return 0;

    // The list shown from the records and saved again keeps every record; saved a second time
    // it gives the same file.
    window.PostTopList();
    FUZZ_CHECK(window.ResultList().RowCount() == items.GetCount());
    const std::string again = qvfuzz::WorkDir() + "/again.save";
    qv::CExportTop writer(window.ResultList(), "");
    FUZZ_CHECK(writer.WriteList(again) == (items.GetCount() > 0));
    qv::CMapStrToFObj reread;
    const int rereadCount = qv::CImport(window).ReadSavedList(again, reread);
    FUZZ_CHECK(rereadCount == items.GetCount());
    FUZZ_CHECK(reread.GetCount() <= rereadCount);

    items = reread;
    window.PostTopList();
    const std::string third = qvfuzz::WorkDir() + "/third.save";
    FUZZ_CHECK(qv::CExportTop(window.ResultList(), "").WriteList(third));
    qv::CMapStrToFObj thirdRead;
    FUZZ_CHECK(qv::CImport(window).ReadSavedList(third, thirdRead) == rereadCount);
    FUZZ_CHECK(qvfuzz::Entries(thirdRead) == qvfuzz::Entries(reread));
    return 0;
}
