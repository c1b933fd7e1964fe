#include "engine/SourceLoad.h"

#include <vector>

#include "app/Trace.h"
#include "engine/SourceItems.h"
#include "scm/Sql.h"

namespace qv {

namespace {

constexpr char kNoResultsMarker[] = "KSQL query has";

}  // namespace

bool LoadSourcePackage(Repository& repository, Host& host, const std::string& srcProject,
                       const std::string& srcState, const std::string& packageName,
                       CMapStrToFObj& items, SourceLoadProgress& progress) {
    // Also collects the lines of a package without results.
    std::string status = " Processing Package: " + packageName;
    progress.Status(status);
    WriteTrace("%s", status.c_str());

    const int run = repository.Run(
        FormatStatement(kSourcePackageItemsFormat, {srcProject, srcState, packageName}));
    if (run == kKsqlStatementUnwritten) {
        progress.Close();
        return false;
    }
    if (run != kKsqlOk) return true;

    const ResultLines result = repository.Lines(kResultReadSize);
    if (!result.readable) {
        progress.Close();
        const std::string message = "Unable to read: " + repository.ResultPath();
        WriteTrace("%s", message.c_str());
        host.MessageBox(MsgKind::Plain, message);
        return false;
    }
    bool noResults = false;
    bool headerSeen = false;
    ToolLines tool(kNoResultsMarker);
    // The line of every item taken, traced together: one write instead of one per item.
    std::vector<std::string> taken;
    for (const std::string& line : result.lines) {
        if (line.empty()) continue;
        const ToolLines::Kind kind = tool.Next(line);
        if (kind == ToolLines::kError) {
            WriteTraceLines(taken);
            host.MessageBox(MsgKind::Plain, line);
            progress.Close();
            return false;
        }
        if (noResults || kind == ToolLines::kZeroResults) {
            status += line;
            status += '\n';
            noResults = true;
            continue;
        }
        if (!headerSeen) {
            headerSeen = true;
            continue;
        }
        const CFObj record = SourceRecordFromRow(line, packageName);
        if (KeepGreaterMappedVersion(items, record))
            taken.push_back("    " + record.itemName + " " + record.pathFullName + " " +
                            record.mappedVersion + " " + record.versionStatus + " " +
                            record.packageName);
    }
    WriteTraceLines(taken);
    if (noResults) {
        status = "Processing Package: " + packageName + " - " + status;
        progress.Status(status);
        WriteTrace("%s", status.c_str());
    }
    return true;
}

}  // namespace qv
