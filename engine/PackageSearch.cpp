#include "engine/PackageSearch.h"

#include <vector>

#include "engine/SourceItems.h"
#include "scm/Ksql.h"
#include "scm/Sql.h"

namespace qv {

const char* const kPackageSearchFormat =
    "SELECT KESENVIRONMENT.ENVIRONMENTNAME, KESSTATE.STATENAME, KESPACKAGE.PACKAGENAME FROM "
    "KESENVIRONMENT INNER JOIN KESSTATE  ON KESENVIRONMENT.ENVOBJID = KESSTATE.ENVOBJID  "
    "LEFT JOIN KESPACKAGE ON KESPACKAGE.STATEOBJID = KESSTATE.STATEOBJID  WHERE "
    "KESENVIRONMENT.ENVIRONMENTNAME = '%s'  AND KESSTATE.STATENAME = '%s'  ORDER BY "
    "KESSTATE.STATEORDER, KESPACKAGE.PACKAGENAME ";

namespace {

constexpr char kSearchHeader[] = "ENVIRONMENTNAME\tSTATE";
constexpr char kIncorrectLogin[] = "Incorrect Login";

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

bool SearchPackages(Repository& repository, Host& host, const std::string& srcProject,
                    const std::string& srcState, CMapStrToPkgObj& packages) {
    packages.RemoveAll();
    const int run = repository.Run(FormatStatement(kPackageSearchFormat, {srcProject, srcState}));
    // An unwritten statement file has been reported by the runner; there is nothing to read.
    if (run == kKsqlStatementUnwritten) return false;
    if (run != kKsqlOk) {
        host.MessageBox(MsgKind::Plain, "Error: RunKsql failed - unable to connect to the broker.");
        return false;
    }

    // Lines are read whole (up to the limit every result reader has): a long line cut into two
    // would truncate one package name and make up another from its tail.
    const ResultLines result = repository.Lines(kResultReadSize);
    if (!result.readable) {
        host.MessageBox(MsgKind::Plain, "Unable to read: " + repository.ResultPath());
        return false;
    }
    int count = 0;
    bool emptyState = false;  // the state's row without a package
    const std::string searched = "Project '" + srcProject + "', state '" + srcState + "'";
    ToolLines tool(kKsqlZeroResultsNoDot);
    for (const std::string& line : result.lines) {
        if (line.empty()) continue;
        if (const ToolLines::Kind kind = tool.Next(line); kind != ToolLines::kRow) {
            // No row at all: the search joins every state of the project to its packages, so
            // the project or the state does not exist.
            host.MessageBox(MsgKind::Plain,
                            Contains(line, kIncorrectLogin)
                                ? line + "\n\nCheck if SingleWorkStation is set."
                            : kind == ToolLines::kZeroResults
                                ? line + "\n\n" + searched + " was not found: it has no packages."
                                : line);
            return false;
        }
        if (Contains(line, kSearchHeader)) continue;
        // Runs of tabs cannot move the package name here: the project and the state are the
        // non-empty names searched for, and only the last column, the package (NULL for a state
        // without packages), can be empty.
        std::vector<std::string> fields = SplitAtTabRuns(line, 3);
        CPkgObj package;
        if (fields.size() >= 3) package.packageName = std::move(fields[2]);
        // A state without packages still gives its row: it is no package to choose.
        if (package.packageName.empty()) {
            emptyState = true;
            continue;
        }
        packages.SetAt(std::to_string(count), package);
        ++count;
    }
    if (count > 0) return true;
    if (emptyState)
        host.MessageBox(MsgKind::Plain, searched + " holds no packages.");
    else
        host.MessageBox(MsgKind::Plain, "Error: Unable to fetch data from ksqlstmt.dat");
    return false;
}

}  // namespace qv
