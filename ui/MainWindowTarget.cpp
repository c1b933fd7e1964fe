// The main window's target data: loading the latest versions of the target items from the
// repository, after checking that the target exists, and writing the target data file.
#include <chrono>
#include <optional>
#include <string_view>

#include "app/AppValues.h"
#include "app/Paths.h"
#include "app/Trace.h"
#include "engine/TargetData.h"
#include "ui/ExportImport.h"
#include "ui/MainWindow.h"

namespace qv {

namespace {

constexpr char kStatusGettingTarget[] = " Getting Target Package Data...";
constexpr char kErrorTargetBlank[] = "Error: Target Project, State, or Package cannot be blank.";
constexpr char kErrorTargetRunKsql[] =
    "Error: Target RunKsql failed - unable to connect to the broker.";

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// Shows the latest item in the status line, and writes the trace lines held since, at most once
// per frame: a repaint and a trace write per item would cost more than the load itself, and
// nobody reads faster than the screen shows. The trace ends up the same.
class FrameThrottle {
public:
    explicit FrameThrottle(CQuorvelDlg& window) : window_(window) {}
    ~FrameThrottle() { Flush(); }

    void Show(std::string text) {
        pending_ = std::move(text);
        hasPending_ = true;
        if (Clock::now() - shown_ >= kFrame) Flush();
    }
    // Shows what is still waiting and writes the trace lines held back.
    void Flush() {
        trace_.Flush();
        shown_ = Clock::now();
        if (!hasPending_) return;
        window_.SetStatus(pending_);
        window_.host().PumpPaintMessages();
        hasPending_ = false;
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kFrame{16};

    CQuorvelDlg& window_;
    TraceBatch trace_;
    std::string pending_;
    bool hasPending_ = false;
    Clock::time_point shown_{};
};

// Runs one statement of the target load and reads its result; nothing when the run or the read
// failed, which has been reported.
std::optional<ResultLines> RunTargetStatement(CQuorvelDlg& window, const std::string& statement) {
    Host& host = window.host();
    Repository& repo = window.Repo();
    const int run = repo.Run(statement);
    // A statement that could not be written has been reported by the runner.
    if (run == kKsqlStatementUnwritten) return std::nullopt;
    if (run != kKsqlOk) {
        WriteTrace("%s", kErrorTargetRunKsql);
        host.MessageBox(MsgKind::Plain, kErrorTargetRunKsql);
        return std::nullopt;
    }
    ResultLines result = repo.Lines(kResultReadSize);
    if (!result.readable) {
        const std::string text =
            "GetTargetPackageData: Error: Target Unable to read: " + repo.ResultPath();
        WriteTrace("%s", text.c_str());
        host.MessageBox(MsgKind::Plain, text);
        return std::nullopt;
    }
    return result;
}

}  // namespace

// A misspelled target would otherwise be analysed as an empty one: every item new, every
// conflict hidden.
bool CQuorvelDlg::TargetExists(const TargetContext& target) {
    const std::string statement =
        TargetExistsStatement(target.project, target.state, target.package);
    const std::optional<ResultLines> result = RunTargetStatement(*this, statement);
    if (!result) return false;
    std::string row;
    bool header = true;
    ToolLines tool;
    for (const std::string& line : result->lines) {
        if (tool.Next(line) == ToolLines::kError) {
            const std::string text = statement + "\n\n" + line;
            WriteTrace("%s", text.c_str());
            host().MessageBox(MsgKind::Plain, text);
            return false;
        }
        if (line.empty()) continue;
        if (!header) {
            row = line;
            break;
        }
        header = false;
    }
    const std::string missing =
        MissingTargetMessage(row, target.project, target.state, target.package);
    if (missing.empty()) return true;
    WriteTrace("Error: %s", missing.c_str());
    host().MessageBox(MsgKind::Warning, missing);
    return false;
}

namespace {

// Steps of the load from the repository: the target statement, then every row of its result
// into the target items; the file is written when rows were stored. False after a failure,
// which has been reported.
bool QueryTargetItems(CQuorvelDlg& window, const std::string& project, const std::string& state) {
    Host& host = window.host();
    CMapStrToTFObj& items = window.TargetItems();
    Repository& repo = window.Repo();
    const std::string statement = TargetStatement(project, state);
    const std::optional<ResultLines> loaded = RunTargetStatement(window, statement);
    if (!loaded) return false;
    const ResultLines& result = *loaded;

    int rows = 0;
    {
        FrameThrottle status(window);
        ToolLines tool(kKsqlZeroResultsNoDot);
        for (const std::string& line : result.lines) {
            if (line.empty()) continue;
            const ToolLines::Kind kind = tool.Next(line);
            if (kind == ToolLines::kError) {
                const std::string text = statement + "\n\n" + line;
                WriteTrace("%s", text.c_str());
                status.Flush();
                host.MessageBox(MsgKind::Plain, text);
                return false;
            }
            if (kind == ToolLines::kZeroResults) {
                WriteTrace("%s", line.c_str());
                break;
            }
            if (Contains(line, kTargetHeaderMarker)) continue;
            // A piece as long as a whole read is part of a longer line: no row of the target
            // query is that long, and its pieces would each become a made-up item.
            if (line.size() >= kResultReadSize) {
                const std::string text =
                    "GetTargetPackageData: Error: Target line too long in " + repo.ResultPath();
                WriteTrace("%s", text.c_str());
                status.Flush();
                items.RemoveAll();
                host.MessageBox(MsgKind::Plain, text);
                return false;
            }

            const CTFObj record = TargetRowRecord(line);
            if (record.versionStatus == "R" || record.versionStatus == "M") {
                WriteTrace("CPM Analysis Error: Target Package contains an %s tag version: %s",
                           record.versionStatus.c_str(), record.itemName.c_str());
            }
            items.SetAt(std::to_string(rows), record);
            ++rows;
            WriteTrace("    %s    %s %s %s", record.itemName.c_str(),
                       record.environmentName.c_str(), record.stateName.c_str(),
                       record.packageName.c_str());
            status.Show(std::string(kStatusGettingTarget) + " " + record.itemName);
        }
    }
    if (rows > 0) {
        window.SetTargetDataLoaded(true);
        WaitCursor wait(host);
        CExportTop(window.ResultList(), "")
            .SaveTargetData(items, project, state,
                            JoinPath(TheApp().installDir, kTargetDataFileName));
    }
    return true;
}

}  // namespace

bool CQuorvelDlg::GetTargetPackageData() {
    WriteTrace("Perform GetTargetPackageData");
    SetStatus(kStatusGettingTarget);
    const std::string project = values_.TgtProject;
    const std::string state = values_.TgtState;
    if (project.empty() || state.empty() || values_.TgtPackage.empty()) {
        WriteTrace("%s", kErrorTargetBlank);
        host().MessageBox(MsgKind::Plain, kErrorTargetBlank);
        return false;
    }
    targetItems_.RemoveAll();
    targetDataLoaded_ = false;
    // The mapped versions of these items search the view of this project and state.
    MappedVersions().SetTargetContext(project, state);

    // The items come from the repository every time: the target data file, written after each
    // load, is not read back, as it cannot tell whether the repository, or the broker, is still
    // the one it was written from.
    if (!TargetExists({project, state, values_.TgtPackage}) ||
        !QueryTargetItems(*this, project, state))
        return false;
    WriteTrace("GetTargetPackageData was successful.");
    SetStatus(kStatusReady);
    host().PumpPaintMessages();
    return true;
}

}  // namespace qv
