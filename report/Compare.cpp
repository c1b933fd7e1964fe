// The earlier prediction read back from a list file, and how a result differs from it row by row.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <utility>

#include "engine/Outcome.h"
#include "engine/SavedList.h"
#include "report/Reports.h"
#include "report/ResultColumns.h"
#include "scm/LineReader.h"

namespace qv {

namespace {

// Characters per line read: a whole data line of the longest cells, each quoted with every
// character doubled, fits, so that no line is cut into a second, made-up row.
constexpr size_t kEarlierLineMaxChars = 1u << 16;

// A cell as a list file gives it back: cut to the longest cell written, without carriage returns
// and line feeds, and a cell of blanks (an empty cell is written as one) empty. Both sides of a
// comparison are seen this way, so that a long path or an empty cell pairs with itself.
std::string AsListed(const std::string& cell) {
    std::string out;
    const size_t n = std::min(cell.size(), kListCellMaxChars);
    for (size_t i = 0; i < n; ++i)
        if (cell[i] != '\r' && cell[i] != '\n') out += cell[i];
    if (out.find_first_not_of(' ') == std::string::npos) out.clear();
    return out;
}

// An outcome as it is compared: as listed, without the leading blanks a list file drops.
std::string OutcomeAsListed(const std::string& cell) {
    std::string out = AsListed(cell);
    out.erase(0, out.find_first_not_of(' '));
    return out;
}

// The item a row stands for: its path and file name, letter case as stored.
std::string ItemKey(const std::vector<std::string>& row) {
    return AsListed(CellOf(row, kColPath)) + '\n' + AsListed(CellOf(row, kColFile));
}

// A header line of the result list's titles: "File", "Path", and "Merge Status" as the sixth.
// The package column's title differs between layouts, the first ones never do.
bool IsListHeader(const std::vector<std::string>& titles) {
    return titles.size() > kColMergeStatus && titles[kColFile] == "File" &&
           titles[kColPath] == "Path" && titles[kColMergeStatus] == "Merge Status";
}

RowChange ChangeOf(ChangeKind kind, const std::vector<std::string>& row) {
    RowChange c;
    c.kind = kind;
    c.file = CellOf(row, kColFile);
    c.path = CellOf(row, kColPath);
    c.package = CellOf(row, kColSrcPackage);
    return c;
}

// How a paired row differs; nothing when it does not.
std::optional<ChangeKind> PairChange(const std::string& before, const std::string& after) {
    const bool wasConflict = IsConflict(before), isConflict = IsConflict(after);
    if (isConflict && !wasConflict) return ChangeKind::NewConflict;
    if (wasConflict && !isConflict) return ChangeKind::ResolvedConflict;
    if (TargetVersionOf(before) != TargetVersionOf(after)) return ChangeKind::TargetVersionChanged;
    if (before != after) return ChangeKind::OutcomeChanged;
    return std::nullopt;
}

}  // namespace

std::optional<ResultTable> ReadEarlierResult(const std::string& path, std::string& error) {
    // A directory opens like a file and fails only when read; it is told apart first.
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = "cannot read " + path + ": " + std::strerror(EISDIR);
        return std::nullopt;
    }
    LineReader reader(path, kEarlierLineMaxChars);
    if (!reader.IsOpen()) {
        error = "cannot read " + path + ": " + std::strerror(reader.OpenError());
        return std::nullopt;
    }
    ResultTable table;
    bool header = true;
    std::string line;
    while (reader.Next(line)) {
        if (header) {
            table.titles = SplitListLine(line);
            if (EndsListReading(line) || !IsListHeader(table.titles)) {
                error = path + " is not a saved result list";
                return std::nullopt;
            }
            header = false;
            continue;
        }
        // A line of commas alone holds no field, as the desktop program reads it.
        std::vector<std::string> cells = SplitListLine(line);
        if (cells.empty()) continue;
        cells.resize(std::max<size_t>(cells.size(), kResultColumnCount));
        for (std::string& cell : cells)
            if (cell.find_first_not_of(' ') == std::string::npos) cell.clear();
        cells[kColMergeStatus] = OutcomeAsListed(cells[kColMergeStatus]);
        table.rows.push_back(std::move(cells));
    }
    if (reader.Failed()) {
        error = "cannot read " + path + ": the read failed";
        return std::nullopt;
    }
    if (header) {
        error = path + " is empty, not a saved result list";
        return std::nullopt;
    }
    return table;
}

Changes CompareResults(const ResultTable& before, const ResultTable& now) {
    // The earlier rows of each item, in their order: rows of the same item pair in order.
    std::map<std::string, std::deque<size_t>> earlier;
    for (size_t r = 0; r < before.rows.size(); ++r) earlier[ItemKey(before.rows[r])].push_back(r);
    std::vector<bool> paired(before.rows.size(), false);

    Changes changes;
    for (const auto& row : now.rows) {
        auto it = earlier.find(ItemKey(row));
        const std::string& outcome = CellOf(row, kColMergeStatus);
        const std::string after = OutcomeAsListed(outcome);
        if (it == earlier.end() || it->second.empty()) {
            RowChange c = ChangeOf(ChangeKind::Added, row);
            c.after = outcome;
            changes.rows.push_back(std::move(c));
            continue;
        }
        const size_t b = it->second.front();
        it->second.pop_front();
        paired[b] = true;
        const std::string was = OutcomeAsListed(CellOf(before.rows[b], kColMergeStatus));
        if (const auto kind = PairChange(was, after)) {
            RowChange c = ChangeOf(*kind, row);
            c.before = was;
            c.after = outcome;
            changes.rows.push_back(std::move(c));
        }
    }
    for (size_t b = 0; b < before.rows.size(); ++b) {
        if (paired[b]) continue;
        RowChange c = ChangeOf(ChangeKind::Removed, before.rows[b]);
        c.before = OutcomeAsListed(CellOf(before.rows[b], kColMergeStatus));
        changes.rows.push_back(std::move(c));
    }
    return changes;
}

}  // namespace qv
