// The target items in text form: a row of the target query turned into a record, the record's
// line of the target data file, and the target data file read back and written again.
#include "engine/TargetData.h"
#include "tests/fuzz/WindowSupport.h"
#include "ui/ExportImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qvfuzz::Window& w = qvfuzz::TheWindow();
    qv::CQuorvelDlg& window = *w.window;
    qvfuzz::Input in(data, size);
    const std::string project = in.Part();
    const std::string state = in.Part();
    const std::string row = in.Part();
    const std::string contents = in.Rest();
    const std::string path = qvfuzz::WorkDir() + "/" + qv::kTargetDataFileName;
    window.Values().TgtProject = project;
    window.Values().TgtState = state;

    // A row fills one field per column, none of them empty, and nothing beyond the query's.
    const qv::CTFObj record = qv::TargetRowRecord(row);
    size_t columns = 1;
    for (char c : row) columns += c == '\t';
    for (size_t i = 0; i < qv::kTargetFieldCount; ++i) {
        const bool filled = i < std::min(columns, qv::kTargetQueryColumns);
        FUZZ_CHECK(qv::TargetField(record, i).empty() != filled);
    }
    // A record's line reads back as the same record, from the file as well.
    const std::optional<std::string> line = qv::TargetRecordLine(record);
    if (line) {
        FUZZ_CHECK(qv::TargetRecordFromLine(*line) == record);
        FUZZ_CHECK(line->find('\n') == std::string::npos);
        if (qv::TargetHeaderSurvives(project) && qv::TargetHeaderSurvives(state)) {
            qvfuzz::WriteFile(path, project + "\n" + state + "\n" + *line + "\n");
            const int accepted = qv::CImport(window).LoadTargetData();
            // A project or state with a marker of the query tool is not taken.
            if (accepted > 0) {
                FUZZ_CHECK(accepted == 3);
                qv::CTFObj stored;
                FUZZ_CHECK(window.TargetItems().Lookup(record.itemObjId, stored) &&
                           stored == record);
            }
        }
    }

    // Any file: no more records than lines; what was read and written again reads back the same.
    qvfuzz::WriteFile(path, contents);
    const int accepted = qv::CImport(window).LoadTargetData();
    FUZZ_CHECK(w.host.boxes.empty());
    FUZZ_CHECK(accepted >= 0);
    FUZZ_CHECK(static_cast<size_t>(accepted) <= qvfuzz::MaxPieces(contents, qv::kResultReadSize));
    if (accepted == 0) return 0;
    const auto items = qvfuzz::Entries(window.TargetItems());
    FUZZ_CHECK(items.size() + 2 <= static_cast<size_t>(accepted));
    const qv::CMapStrToTFObj copy = window.TargetItems();
    qv::CExportTop writer(window.ResultList(), "");
    if (writer.SaveTargetData(copy, project, state, path)) {
        FUZZ_CHECK(qv::CImport(window).LoadTargetData() == static_cast<int>(items.size()) + 2);
        FUZZ_CHECK(qvfuzz::Entries(window.TargetItems()) == items);
    }
    return 0;
}
