// The answers of the mapped version calculation's per-item statements, asked for every item of a
// run at once: one statement gives the newest first branch version of every item in the target
// view, another the child versions of every version that stand in a view numbered like their
// parent. A table answers only what its statement's result says beyond doubt; whatever it cannot
// answer is asked with the per-item statement, so that the outcomes are those of per-item
// statements, message boxes and failures included.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "scm/Repository.h"

namespace qv {

// Where the analysis takes the repository's answers from.
enum class QueryMode {
    Bulk,     // a few statements for all items before the run, per item only where they fail
    PerItem,  // one statement per item, as each row needs it
};
// The settings key (section "Settings") and its two values; any other value is Bulk.
inline constexpr char kAnalysisQueriesKey[] = "AnalysisQueries";
inline constexpr char kQueriesBulk[] = "Bulk";
inline constexpr char kQueriesPerItem[] = "PerItem";
QueryMode QueryModeFromSetting(const std::string& value);
const char* QueryModeName(QueryMode mode);

// One kind of answer of a set statement, keyed by the number the per-item statement compares
// with.
class BulkTable {
public:
    // The values the per-item statement would read for `key`, in result order: empty when its
    // result would have had no row. Nothing when that statement has to be asked after all.
    const std::vector<std::string>* Find(long long key) const;
    bool AsksPerItem(long long key) const { return perItem_.count(key) != 0; }
    size_t Size() const { return values_.size(); }

private:
    friend std::optional<std::map<std::string, BulkTable>> ReadBulkTables(const ResultLines&, bool);
    std::unordered_map<long long, std::vector<std::string>> values_;
    std::unordered_set<long long> perItem_;
};

// Reads a set statement's result of rows "kind<TAB>key<TAB>value<TAB>row count" into one table
// per kind (a kind without rows has an empty table, found as no row). Nothing when the result
// cannot be trusted as a whole: an error line, a key or a count that is not a number, a line
// with other fields, fewer or more rows than the count says (a cut or garbled file).
// `singleValue`: a key with more than one row is asked per item (their order is not known).
std::optional<std::map<std::string, BulkTable>> ReadBulkTables(const ResultLines& result,
                                                               bool singleValue);

// The kinds of the set statements' rows.
inline constexpr char kByItem[] = "I";    // newest first branch version per item number
inline constexpr char kByParent[] = "P";  // the same per parent version number
inline constexpr char kChildren[] = "C";  // child versions per version, in the view numbered so

// The set statements: the newest first branch version per item number and, with `byParent`,
// per parent version number, in a view; the child versions of every version within the view
// numbered like it.
std::string LatestBranchesStatement(bool byItem, bool byParent, int view);
std::string ChildVersionsStatement();

// The view number as the per-item lookup reads it from a result: nothing when the result holds
// an error line or no line at all (the lookup then reports or repeats it per item).
std::optional<int> ReadViewNumber(const ResultLines& result);

// The largest key or value text a per-item result line would hold in one read.
inline constexpr size_t kBulkReadSize = 1 << 20;

}  // namespace qv
