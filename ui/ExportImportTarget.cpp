// The target data file: written from the target items after a load from the repository, read
// back instead of querying while the target project and state stay the same.
#include <string_view>

#include "app/AppValues.h"
#include "app/FileModes.h"
#include "app/IniFile.h"
#include "app/Paths.h"
#include "app/SharedRepository.h"
#include "app/Trace.h"
#include "engine/TargetData.h"
#include "host/Host.h"
#include "scm/Ksql.h"
#include "scm/LineReader.h"
#include "ui/ExportImport.h"
#include "ui/MainWindow.h"

namespace qv {

namespace {

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

bool CExportTop::SaveTargetData(const CMapStrToTFObj& items, const std::string& project,
                                const std::string& state, const std::string& path) {
    // The file is used without any check of its records, so it is written only when every line
    // reads back as what was written, and then whole (a file cut short would drop items).
    if (!TargetHeaderSurvives(project) || !TargetHeaderSurvives(state)) {
        WriteTrace(
            "SaveTargetData: %s not written: the target project or state would not read "
            "back unchanged",
            path.c_str());
        return false;
    }
    std::string contents;
    contents.reserve(static_cast<size_t>(items.GetCount()) * 256 + 256);
    contents += project;
    contents += '\n';
    contents += state;
    contents += '\n';
    std::string key;
    CTFObj record;
    for (auto pos = items.GetStartPosition(); pos;) {
        items.GetNextAssoc(pos, key, record);
        const std::optional<std::string> line = TargetRecordLine(record);
        if (!line) {
            WriteTrace(
                "SaveTargetData: %s not written: the record of item %s (key %s) has a "
                "field with a comma or a line break, an empty field or a line too long, "
                "and would not read back unchanged",
                path.c_str(), record.itemName.c_str(), key.c_str());
            return false;
        }
        contents += *line;
        contents += '\n';
    }
    // Every latest version of the target project: the user's alone unless the repository is
    // shared with a group, and never wider than the file that is there.
    if (!WriteFileAtomically(path, contents,
                             ReplacementMode(path, 0666, CurrentBrokerSharedWithGroup()))) {
        WriteTrace("SaveTargetData: Error: Unable to write: %s", path.c_str());
        return false;
    }
    return true;
}

int CImport::LoadTargetData() {
    WaitCursor wait(window_.host());
    const std::string path = JoinPath(TheApp().installDir, kTargetDataFileName);
    int err = 0;
    if (FileSize(path, err) == 0) return 0;

    CMapStrToTFObj& items = window_.TargetItems();
    items.RemoveAll();
    const MainWindowValues& values = window_.Values();
    LineReader reader(path, kResultReadSize);
    std::string line;
    int accepted = 0;
    while (reader.IsOpen() && reader.Next(line)) {
        if (line.empty()) continue;
        if (Contains(line, kKsqlErrorMarker) || Contains(line, kKsqlZeroResults)) return 0;
        if (accepted == 0 && line != values.TgtProject) return 0;
        if (accepted == 1 && line != values.TgtState) return 0;
        if (accepted >= 2) {
            const CTFObj record = TargetRecordFromLine(line);
            items.SetAt(record.itemObjId, record);
        }
        ++accepted;
    }
    if (!reader.IsOpen() || reader.Failed()) {
        window_.host().MessageBox(MsgKind::Plain, "Unable to read: " + path);
        return 0;
    }
    // The writer always writes both header lines: a file that ends after the project line was
    // cut short and says nothing about the target's items.
    if (accepted < 2) {
        items.RemoveAll();
        return 0;
    }
    return accepted;
}

}  // namespace qv
