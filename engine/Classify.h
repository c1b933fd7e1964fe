// The merge outcome of one source item version: refused, ignored, or the version number it would
// get in the target project, with the colours the outcome passes through on its way to the
// "Merge Status" cell. No window is needed: the result list and the batch program hand in a sink
// that takes the texts and colours.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/MappedVersion.h"
#include "engine/Outcome.h"
#include "engine/Reason.h"
#include "engine/Records.h"

namespace qv {

// The merge options and placement options, as the option lists offer them.
inline constexpr char kMergeConservatively[] = "Merge Conservatively";
inline constexpr char kMergeAggressively[] = "Merge Aggressively";
inline constexpr char kTakeTrunkVersion[] = "Take Trunk Version";
inline constexpr char kTakeBranchVersion[] = "Take Branch Version";
inline constexpr char kBranchOnly[] = "Branch Only";
inline constexpr char kTrunkOnly[] = "Trunk Only";
inline constexpr char kTrunkOrBranch[] = "Trunk or Branch";

// What a row shows while it is worked on.
inline constexpr char kOutcomePlaceholder[] = "   ...";
// A row outcome (from a saved list) that marks an item the target project already holds.
inline constexpr char kStatusAlreadyInTarget[] = "Ignored - already exists in target project";

// Where a classification puts what it decides, in the order it decides it.
class OutcomeSink {
public:
    virtual ~OutcomeSink() = default;
    // The cell's text colour.
    virtual void Mark(ColorRef color) = 0;
    // The cell's text.
    virtual void Write(const std::string& text) = 0;
    // The placeholder has been written: show it before the row's work starts (paint only; no
    // input is handled).
    virtual void ShowPlaceholder() {}
    // The outcome is written: the list may be repainted.
    virtual void Repaint() {}
    // Why the row has its outcome; after the outcome's last text and colour.
    virtual void Explain(const OutcomeReason&) {}
};

// Records what a classification did; for the batch program and the tests.
class OutcomeRecord : public OutcomeSink {
public:
    void Mark(ColorRef color) override { colors.push_back(color); }
    void Write(const std::string& t) override { text = t; }
    void Explain(const OutcomeReason& r) override { reason = r; }
    // The colour the cell ends with; ColorResult when nothing was marked.
    ColorRef FinalColor() const { return colors.empty() ? ColorResult : colors.back(); }

    std::string text;
    std::vector<ColorRef> colors;  // every colour marked, in order
    OutcomeReason reason;
};

// The mapped version of a target record for one placement (true: "Branch Only").
using MappedSource = std::function<MappedVersion(const CTFObj& target, bool onBranch)>;

// Turns a calculated mapped version into the text the list shows, expanding its tag into words:
// "(U)" becomes " (U) Unmerged Exists" when the target version belongs to the target package,
// else the next branch (on a branch) or the next trunk version with " (M) Merge Tagged" (on the
// trunk); "(M)" becomes " (M) Merge Tagged"; "(T)" becomes " Project item already exists". The
// sink receives ColorResult, then the tag's colour. A calculation without result gives "".
std::string GetMappedResult(const MappedVersion& mapped, const CTFObj& target, bool onBranch,
                            const std::string& tgtPackage, OutcomeSink& sink);

// What a classification asks about one row.
struct ClassifyRequest {
    bool targetFound = false;  // an item of the source's name exists in the target project
    std::string mergeOption;   // one of the merge options
    std::string placement;     // one of the placement options
    std::string statusBefore;  // the row's outcome before this classification
    std::string tgtPackage;    // the target package
};

enum class ClassifyResult {
    Written,      // the outcome is written
    Placeholder,  // an option outside the lists: only the placeholder was written
    Abandoned,    // the calculation could not send its statement: the analysis must stop
};

// Classifies one source version against its target record (an empty record when none was
// found). Writes the placeholder first, then the outcome, into the sink and into target.result,
// then gives the sink the outcome's reason (none when the calculation was abandoned).
// `mapped` is asked at most once, and only where the outcome depends on a mapped version.
ClassifyResult ClassifyItem(const ClassifyRequest& request, const CFObj& source, CTFObj& target,
                            const MappedSource& mapped, OutcomeSink& sink);

}  // namespace qv
