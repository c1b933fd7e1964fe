#include "engine/BulkAnswers.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "engine/MappedVersion.h"
#include "scm/Ksql.h"
#include "scm/Sql.h"

namespace qv {

namespace {

// The newest first branch version per key within a view: kind, key column, view, key column.
constexpr char kLatestBranchesPart[] =
    "SELECT '%s' AS K, L.%s AS ID, L.MAPPEDVERSION AS MV FROM KESVERSIONS L WHERE "
    "L.VERSIONOBJID IN (SELECT MAX(V.VERSIONOBJID) FROM KESVERSIONS V, KESVIEW W, KESPACKAGE P "
    "WHERE V.INBRANCH != 0 AND V.PACKAGEOBJID = P.PACKAGEOBJID AND P.ENVOBJID = W.ENVOBJID AND "
    "W.VIEWOBJID = %d AND V.MAPPEDVERSION LIKE '%%.%%.1' GROUP BY V.%s)";

// The child versions of every version P within the view numbered P, as the per-item child check
// asks for one P at a time.
constexpr char kChildVersionsPart[] =
    "SELECT 'C' AS K, V.PARENTVERSIONID AS ID, V.MAPPEDVERSION AS MV FROM KESVERSIONS V WHERE "
    "V.PARENTVERSIONID != 0 AND V.MAPPEDVERSION != '0' AND EXISTS (SELECT VV.VERSIONOBJID FROM "
    "KESVERSIONINVIEW VV WHERE VV.VIEWOBJID = V.PARENTVERSIONID AND V.VERSIONOBJID = "
    "VV.VERSIONOBJID)";

// The row count closes every line, so that a cut last line or a missing one is seen.
std::string WithRowCount(const std::string& parts) {
    return "SELECT R.K, R.ID, R.MV, COUNT(*) OVER () FROM (" + parts + ") R";
}

// A whole decimal number as the tool writes an integer column; nothing for any other text.
std::optional<long long> Integer(std::string_view text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return std::nullopt;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return std::nullopt;
    errno = 0;
    const std::string copy(text);
    char* end = nullptr;
    const long long value = std::strtoll(copy.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return std::nullopt;
    return value;
}

}  // namespace

QueryMode QueryModeFromSetting(const std::string& value) {
    return value == kQueriesPerItem ? QueryMode::PerItem : QueryMode::Bulk;
}

const char* QueryModeName(QueryMode mode) {
    return mode == QueryMode::PerItem ? kQueriesPerItem : kQueriesBulk;
}

const std::vector<std::string>* BulkTable::Find(long long key) const {
    static const std::vector<std::string> kNone;
    if (AsksPerItem(key)) return nullptr;
    const auto it = values_.find(key);
    return it == values_.end() ? &kNone : &it->second;
}

std::optional<std::map<std::string, BulkTable>> ReadBulkTables(const ResultLines& result,
                                                               bool singleValue) {
    if (!result.readable) return std::nullopt;
    std::map<std::string, BulkTable> tables;
    ToolLines tool;
    long long rows = 0;
    std::optional<long long> total;
    bool header = true;
    for (const std::string& line : result.lines) {
        const ToolLines::Kind kind = tool.Next(line);
        if (kind == ToolLines::kError) return std::nullopt;
        if (kind == ToolLines::kZeroResults) return tables;
        if (header) {  // the first line, whatever it holds, as the per-item readers skip it
            header = false;
            continue;
        }
        if (line.empty()) continue;
        std::vector<std::string_view> fields;
        for (size_t at = 0;;) {
            const size_t tab = line.find('\t', at);
            fields.push_back(std::string_view(line).substr(at, tab - at));
            if (tab == std::string::npos) break;
            at = tab + 1;
        }
        if (fields.size() != 4 || fields[0].size() != 1) return std::nullopt;
        const auto key = Integer(fields[1]);
        const auto count = Integer(fields[3]);
        if (!key || !count || (total && *total != *count)) return std::nullopt;
        total = count;
        ++rows;
        BulkTable& table = tables[std::string(fields[0])];
        // A per-item result line this long would be read in pieces: that statement says what
        // its reader makes of it. An empty value is a blank line there, which no reader takes.
        if (fields[2].size() + 1 >= kResultReadSize) {
            table.perItem_.insert(*key);
            continue;
        }
        if (fields[2].empty()) continue;
        std::vector<std::string>& values = table.values_[*key];
        values.emplace_back(fields[2]);
        if (singleValue && values.size() > 1) table.perItem_.insert(*key);
    }
    // Only the zero-results line stands for no rows; a header alone is a cut file.
    if (!total || *total != rows) return std::nullopt;
    return tables;
}

std::string LatestBranchesStatement(bool byItem, bool byParent, int view) {
    std::string parts;
    if (byItem)
        parts = FormatStatement(kLatestBranchesPart, {kByItem, "ITEMOBJID", view, "ITEMOBJID"});
    if (byParent) {
        if (!parts.empty()) parts += " UNION ALL ";
        parts += FormatStatement(kLatestBranchesPart,
                                 {kByParent, "PARENTVERSIONID", view, "PARENTVERSIONID"});
    }
    return WithRowCount(parts);
}

std::string ChildVersionsStatement() {
    return WithRowCount(kChildVersionsPart);
}

std::optional<int> ReadViewNumber(const ResultLines& result) {
    if (!result.readable || result.lines.empty()) return std::nullopt;
    ToolLines tool;
    bool header = true;
    for (const std::string& line : result.lines) {
        const ToolLines::Kind kind = tool.Next(line);
        if (kind == ToolLines::kError) return std::nullopt;
        if (kind == ToolLines::kZeroResults) return Num(line);
        if (header) {
            header = false;
            continue;
        }
        if (line.empty()) continue;
        // The lookup takes a value with the error marker for an error line, too.
        if (line.find(kKsqlErrorMarker) != std::string::npos) return std::nullopt;
        return Num(line);
    }
    return 0;  // no view: no branch is found
}

}  // namespace qv
