// The saved-list reader over any file contents, and the list written back from what it read;
// and any cells written as a data line and split again.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/SavedList.h"
#include "tests/fuzz/WindowSupport.h"
#include "ui/ExportImport.h"
#include "ui/ReportCtrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qvfuzz::Window& w = qvfuzz::TheWindow();
    qv::CQuorvelDlg& window = *w.window;
    const std::string text(reinterpret_cast<const char*>(data), size);

    // What the writer writes reads back the same: the input's NUL-separated parts as cells come
    // back as the writer gives them (cut, without line breaks, an empty cell as a blank), commas
    // and double quotes included.
    std::vector<std::string> cells, expected;
    for (size_t begin = 0; begin < size;) {
        size_t end = text.find('\0', begin);
        if (end == std::string::npos) end = size;
        cells.push_back(text.substr(begin, end - begin));
        std::string e;
        for (char c : cells.back().substr(0, qv::kListCellMaxChars))
            if (c != '\r' && c != '\n') e += c;
        expected.push_back(e.empty() ? " " : e);
        begin = end + 1;
    }
    std::string written = qv::ListDataLine(cells);
    written.resize(written.size() - 2);  // the CR LF that the line reader takes off
    FUZZ_CHECK(qv::SplitListLine(written) == expected);
    const std::string path = qvfuzz::WorkDir() + "/" + qv::kSavedListFileName;
    qvfuzz::WriteFile(path, text);

    // A data line gives at most one record, and the header none.
    qv::CMapStrToFObj& items = window.SourceItems();
    const int count = qv::CImport(window).ReadSavedList(path, items);
    FUZZ_CHECK(w.host.boxes.empty());
    FUZZ_CHECK(count >= 0);
    FUZZ_CHECK(static_cast<size_t>(count) + 1 <= qvfuzz::MaxPieces(text, qv::kListReadSize));
    // An error or zero-results first line gives 0.
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
    // Every row comes back, those holding the tool's error or zero-results texts included.
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
