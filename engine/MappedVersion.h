// The version number a merge would give an item in the target project, predicted from the item's
// latest target version and the chosen placement (branch or trunk).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/BulkAnswers.h"
#include "engine/Records.h"
#include "scm/Repository.h"

namespace qv {

class Host;

// A text read as a number the way atoi reads it: leading blanks, an optional sign, the digits
// that follow; 0 without leading digits.
int Num(const std::string& text);

// A dotted version split into up to three components.
struct VersionParts {
    int count = 0;
    std::string c1, c2, c3;
};
VersionParts SplitVersion(const std::string& text);

// The outcome of one calculation.
enum class MappedStatus {
    Result,     // `text` holds the predicted version, perhaps with a tag
    NoResult,   // no prediction; `text` is empty (not an error for the caller)
    Abandoned,  // a statement could not be written: the analysis must stop here
};
// The rule of the calculation that gave its outcome.
enum class MappedRule {
    None,
    ChildVersionsInTheWay,  // trunk: the parent version's children stop a trunk placement
    UnmergedBranch,         // the latest version is on a branch (not an x version): "T (U)"
    XOnTrunk,               // trunk: the latest version is an x version: "0"
    NextXBranch,            // branch: the latest version is on an x-branch: the next x-branch
    NextTrunk,              // trunk: the next trunk version, merge tagged
    ZeroTrunk,              // trunk: the latest version is 0 (or none): "0 (T)"
    ViewError,              // branch: the view lookup answered an error line
    BranchError,            // branch: the branch statement answered an error line
    ToolFailed,             // branch: the query tool failed: a first branch "x<n>.1.1"
    NewFirstBranch,         // branch: no version and no branch: "x.1.1"
    FirstBranch,            // branch: no branch of trunk version n: "n.1.1"
    ZeroNoBranch,           // branch: version 0 and no branch: "0 (T)"
    NextBranch,             // branch: the newest first branch version R: the branch after it
    TooLong,                // a result longer than any version text: none
};

// What the calculation asked the repository and what it was told, for the reason of an outcome.
struct MappedFacts {
    int childCheckOf = 0;               // the parent version the child check asked about; 0: none
    bool childCheckAnswered = false;    // false: the query tool failed, which counts as passed
    std::vector<std::string> children;  // the child versions it found
    std::string branchColumn;           // "ITEMOBJID" or "PARENTVERSIONID" when a branch was sought
    int branchKey = 0;                  // the item or version number it was sought by
    int view = 0;                       // the target view the branch was sought in
    bool branchAnswered = false;        // false: the tool failed or the view lookup did
    std::string branchAnswer;           // the value found; empty or the zero-results line: none
    std::string errorLine;              // an error line of the repository
};

struct MappedVersion {
    MappedVersion() = default;
    MappedVersion(MappedStatus s, std::string t, MappedRule r = MappedRule::None)
        : status(s), text(std::move(t)), rule(r) {}

    MappedStatus status = MappedStatus::NoResult;
    std::string text;  // at most 63 characters
    MappedRule rule = MappedRule::None;
    MappedFacts facts;
};

// Calculates mapped versions for the items of one target project and state. It asks the
// repository about an item's existing branches (and, on the trunk, its child versions) and
// remembers the target view number between calls until the target context is set again.
class MappedVersionCalculator {
public:
    MappedVersionCalculator(Repository& repository, Host& host)
        : repository_(repository), host_(host) {}

    // The target project and state whose view the branch statement searches; forgets the view
    // number looked up for the previous target and the answers asked ahead (call it whenever
    // the target data are loaded).
    void SetTargetContext(const std::string& project, const std::string& state);

    // Asks `repository` ahead, with a fixed number of statements, what Calculate would ask per
    // item for these target records and this placement; Calculate then takes its answers from
    // them. Where a statement fails or its result cannot be trusted, its part stays with the
    // per-item statements. The statements go to `repository` (not the one the calculator
    // counts failures on): a failure here costs nothing but the statements asked later.
    // Returns how many statements were sent.
    int AskAhead(Repository& repository, const std::vector<const CTFObj*>& targets, bool onBranch);
    // Drops the answers asked ahead: every later item asks its own statements.
    void ForgetAnswersAskedAhead();

    // P: num(parentVersionId), T: mappedVersion, onBranch: "Branch Only" placement,
    // Vn: num(versionObjId), I: num(itemObjId) of the target record.
    MappedVersion Calculate(int P, const std::string& T, bool onBranch, int Vn, int I);

    // True when the version P has no child versions that would stop a trunk placement.
    bool CheckChildVersions(int P);

private:
    enum class ChildCheck { Pass, Fail, Abandon };
    enum class ViewLookup { Known, Failed, Error, Abandon };
    // CheckChildVersions, telling a statement that could not be written apart.
    ChildCheck CheckChildren(int P, MappedFacts* facts = nullptr);
    // Looks the target view up once per target context; on Error the line is in lookupError_.
    ViewLookup TargetView();
    // The calculation before the length limit is applied; what it asks goes into `facts`.
    MappedVersion Compute(int P, const std::string& T, bool onBranch, int Vn, int I,
                          MappedFacts& facts);
    // An error line of the result file: traced, shown, no result.
    MappedVersion ReportError(const std::string& line, MappedRule rule);
    // The newest first branch version of an item (by item number, else by version number) as
    // the branch statement's first value; nothing when the statement could not be written,
    // kKsqlFailed in `run` when the tool failed.
    std::optional<std::string> LatestBranch(bool byItem, int key, int& run);

    Repository& repository_;
    Host& host_;
    std::string targetProject_;
    std::string targetState_;
    bool viewKnown_ = false;
    int view_ = 0;
    std::string lookupError_;
    std::optional<BulkTable> branchesByItem_;
    std::optional<BulkTable> branchesByParent_;
    std::optional<BulkTable> children_;
};

}  // namespace qv
