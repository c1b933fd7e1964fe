// Why a row has its outcome: the kind of outcome, the rule that decided it, one plain sentence
// and the facts the rule used (the source and target versions, the options, the repository's
// answers). Made by the classification together with the outcome, never by asking again.
#pragma once

#include <cstring>
#include <string>
#include <vector>

namespace qv {

// The kinds of outcome, in the order the summaries show them.
enum class OutcomeKind {
    Mapped,         // a version number in the target project
    MergeTagged,    // "(M)": the merged version would get a merge tag
    Unmerged,       // "(U)": an unmerged branch version exists in the target package
    TagExists,      // "(E)": the target's latest version carries a merge or reserve tag
    Deleted,        // "(D)": the source version is deleted
    Ignored,        // ignored for the option or already in the target project
    AlreadyExists,  // the target project already holds the item
    NotAnalysed,    // no outcome
    Count,
};
// The kind of a "Merge Status" text, so that a saved list's outcomes and a run's agree.
OutcomeKind KindOf(const std::string& status);
// The names reports use ("mapped", "merge_tagged", ...).
const char* KindName(OutcomeKind kind);
// The version a "Merge Status" text shows for the target: the word after "-> " when it begins
// with a digit or "x" ("5" of "3 -> 5  (M) Merge Tagged"); empty for an ignored, deleted or
// unpredicted outcome.
std::string TargetVersionOf(const std::string& status);

// Texts joined with ", ", as the facts and the reports list them.
std::string CommaJoined(const std::vector<std::string>& texts);

// One fact behind an outcome, as a name and a text value. The name is a text of static storage
// (a literal): a list of reasons holds many facts, and their names need no copies.
struct Fact {
    const char* name = "";
    std::string value;
    bool operator==(const Fact& other) const {
        return std::strcmp(name, other.name) == 0 && value == other.value;
    }
};

struct OutcomeReason {
    OutcomeKind kind = OutcomeKind::NotAnalysed;
    std::string rule;           // the deciding rule, e.g. "tag_exists" or "next_branch"
    std::string why;            // one plain-English sentence
    std::string targetVersion;  // the version the outcome shows for the target; empty for none
    std::vector<Fact> facts;    // in a fixed order; only the facts the rules looked at

    // The value of a fact; empty when the reason has none of that name.
    const std::string& FactValue(const std::string& name) const;
    bool operator==(const OutcomeReason&) const = default;
};

}  // namespace qv
