#include "engine/TargetLoad.h"

#include <optional>
#include <string_view>

#include "app/Trace.h"
#include "engine/TargetData.h"

namespace qv {

namespace {

constexpr char kStatusGettingTarget[] = " Getting Target Package Data...";
constexpr char kErrorTargetRunKsql[] =
    "Error: Target RunKsql failed - unable to connect to the broker.";

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// Runs one statement of the target load and reads its result; nothing when the run or the read
// failed, which has been reported.
std::optional<ResultLines> RunTargetStatement(Repository& repo, Host& host,
                                              const std::string& statement) {
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
bool CheckTargetExists(Repository& repository, Host& host, const std::string& project,
                       const std::string& state, const std::string& package) {
    const std::string statement = TargetExistsStatement(project, state, package);
    const std::optional<ResultLines> result = RunTargetStatement(repository, host, statement);
    if (!result) return false;
    std::string row;
    bool header = true;
    ToolLines tool;
    for (const std::string& line : result->lines) {
        if (tool.Next(line) == ToolLines::kError) {
            const std::string text = statement + "\n\n" + line;
            WriteTrace("%s", text.c_str());
            host.MessageBox(MsgKind::Plain, text);
            return false;
        }
        if (line.empty()) continue;
        if (!header) {
            row = line;
            break;
        }
        header = false;
    }
    const std::string missing = MissingTargetMessage(row, project, state, package);
    if (missing.empty()) return true;
    WriteTrace("Error: %s", missing.c_str());
    host.MessageBox(MsgKind::Warning, missing);
    return false;
}

bool ReadTargetItems(Repository& repo, Host& host, const std::string& project,
                     const std::string& state, CMapStrToTFObj& items, TargetLoadProgress& progress,
                     int& rows) {
    rows = 0;
    const std::string statement = TargetStatement(project, state);
    const std::optional<ResultLines> loaded = RunTargetStatement(repo, host, statement);
    if (!loaded) return false;
    ToolLines tool(kKsqlZeroResultsNoDot);
    for (const std::string& line : loaded->lines) {
        if (line.empty()) continue;
        const ToolLines::Kind kind = tool.Next(line);
        if (kind == ToolLines::kError) {
            const std::string text = statement + "\n\n" + line;
            WriteTrace("%s", text.c_str());
            progress.Flush();
            host.MessageBox(MsgKind::Plain, text);
            return false;
        }
        if (kind == ToolLines::kZeroResults) {
            WriteTrace("%s", line.c_str());
            break;
        }
        if (Contains(line, kTargetHeaderMarker)) continue;
        // A piece as long as a whole read is part of a longer line: no row of the target query
        // is that long, and its pieces would each become a made-up item.
        if (line.size() >= kResultReadSize) {
            const std::string text =
                "GetTargetPackageData: Error: Target line too long in " + repo.ResultPath();
            WriteTrace("%s", text.c_str());
            progress.Flush();
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
        WriteTrace("    %s    %s %s %s", record.itemName.c_str(), record.environmentName.c_str(),
                   record.stateName.c_str(), record.packageName.c_str());
        progress.Show(std::string(kStatusGettingTarget) + " " + record.itemName);
    }
    return true;
}

}  // namespace qv
