// The reason of a classification's outcome, from what the classification did: the rule that
// decided, the mapped version it calculated (with what the repository answered) and the texts.
#pragma once

#include <string>

#include "engine/MappedVersion.h"
#include "engine/Reason.h"
#include "engine/Records.h"

namespace qv {

struct ClassifyRequest;

// The rules of the classification, in the order it tries them.
enum class ClassifyRule {
    DeletedSource,      // the source version is tagged D
    NoTargetTakeTrunk,  // no target item, Take Trunk Version
    NoTargetBranch,     // no target item, on a branch
    NoTargetTrunk,      // no target item, on the trunk
    MergeTagExists,     // the target's latest version is tagged M
    ReserveTagExists,   // the target's latest version is tagged R
    AlreadyInTarget,    // a saved list marked the row as already in the target project
    IgnoredTakeTrunk,   // Take Trunk Version, the target on an x-branch of another package
    Mapped,             // the mapped version decides
    UnknownOption,      // an option outside the lists: not analysed
};

// What the classification did, beyond its texts.
struct ClassifyTrail {
    ClassifyRule rule = ClassifyRule::UnknownOption;
    bool onBranch = false;                  // the placement counts as a branch placement
    const MappedVersion* mapped = nullptr;  // the calculation, for ClassifyRule::Mapped
    bool stripped = false;                  // a Take option dropped the merge tag
};

OutcomeReason ExplainOutcome(const ClassifyRequest& request, const CFObj& source,
                             const CTFObj& target, const ClassifyTrail& trail,
                             const std::string& outcome);

}  // namespace qv
