// The version number a merge would give an item in the target project, predicted from the item's
// latest target version and the chosen placement (branch or trunk).
#pragma once

#include <string>

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
struct MappedVersion {
    MappedStatus status = MappedStatus::NoResult;
    std::string text;  // at most 63 characters
};

// Calculates mapped versions for the items of one target project and state. It asks the
// repository about an item's existing branches (and, on the trunk, its child versions) and
// remembers the target view number between calls until the target context is set again.
class MappedVersionCalculator {
public:
    MappedVersionCalculator(Repository& repository, Host& host)
        : repository_(repository), host_(host) {}

    // The target project and state whose view the branch statement searches; forgets the view
    // number looked up for the previous target (call it whenever the target data are loaded).
    void SetTargetContext(const std::string& project, const std::string& state);

    // P: num(parentVersionId), T: mappedVersion, onBranch: "Branch Only" placement,
    // Vn: num(versionObjId), I: num(itemObjId) of the target record.
    MappedVersion Calculate(int P, const std::string& T, bool onBranch, int Vn, int I);

    // True when the version P has no child versions that would stop a trunk placement.
    bool CheckChildVersions(int P);

private:
    enum class ChildCheck { Pass, Fail, Abandon };
    enum class ViewLookup { Known, Failed, Error, Abandon };
    // CheckChildVersions, telling a statement that could not be written apart.
    ChildCheck CheckChildren(int P);
    // Looks the target view up once per target context; on Error the line is in lookupError_.
    ViewLookup TargetView();
    // The calculation before the length limit is applied.
    MappedVersion Compute(int P, const std::string& T, bool onBranch, int Vn, int I);
    // An error line of the result file: traced, shown, no result.
    MappedVersion ReportError(const std::string& line);

    Repository& repository_;
    Host& host_;
    std::string targetProject_;
    std::string targetState_;
    bool viewKnown_ = false;
    int view_ = 0;
    std::string lookupError_;
};

}  // namespace qv
