#include "engine/ClassifyReason.h"

#include "engine/Classify.h"
#include "scm/Ksql.h"

namespace qv {

namespace {

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// "version 5", or "no version" for an empty version text.
std::string VersionWords(const std::string& version) {
    return version.empty() ? std::string("no version") : "version " + version;
}

// A latest version that counts as 0: "0", "empty (read as 0)", "x (read as 0)".
std::string ReadAsZero(const std::string& version) {
    if (version == "0") return version;
    return (version.empty() ? std::string("empty") : version) + " (read as 0)";
}

// The branch statement's answer, the same whichever query mode asked it.
std::string BranchAnswer(const MappedFacts& f) {
    if (!f.branchAnswered) return "not answered";
    if (f.branchAnswer.empty() || f.branchAnswer == kKsqlZeroResults) return "none";
    return f.branchAnswer;
}

const char* RuleName(ClassifyRule rule) {
    switch (rule) {
        case ClassifyRule::DeletedSource:
            return "deleted_source";
        case ClassifyRule::NoTargetTakeTrunk:
            return "no_target_take_trunk";
        case ClassifyRule::NoTargetBranch:
            return "no_target_branch";
        case ClassifyRule::NoTargetTrunk:
            return "no_target_trunk";
        case ClassifyRule::MergeTagExists:
            return "merge_tag_exists";
        case ClassifyRule::ReserveTagExists:
            return "reserve_tag_exists";
        case ClassifyRule::AlreadyInTarget:
            return "already_in_target";
        case ClassifyRule::IgnoredTakeTrunk:
            return "ignored_take_trunk";
        case ClassifyRule::Mapped:
            return "mapped";
        case ClassifyRule::UnknownOption:
            return "unknown_option";
    }
    return "unknown_option";
}

const char* CalculationName(MappedRule rule) {
    switch (rule) {
        case MappedRule::None:
            return "none";
        case MappedRule::ChildVersionsInTheWay:
            return "child_versions_in_the_way";
        case MappedRule::UnmergedBranch:
            return "unmerged_branch";
        case MappedRule::XOnTrunk:
            return "x_version_on_trunk";
        case MappedRule::NextXBranch:
            return "next_x_branch";
        case MappedRule::NextTrunk:
            return "next_trunk";
        case MappedRule::ZeroTrunk:
            return "zero_on_trunk";
        case MappedRule::ViewError:
            return "view_error";
        case MappedRule::BranchError:
            return "branch_error";
        case MappedRule::ToolFailed:
            return "query_tool_failed";
        case MappedRule::NewFirstBranch:
            return "new_first_branch";
        case MappedRule::FirstBranch:
            return "first_branch";
        case MappedRule::ZeroNoBranch:
            return "zero_without_branch";
        case MappedRule::NextBranch:
            return "next_branch";
        case MappedRule::TooLong:
            return "too_long";
    }
    return "none";
}

// Why the child check let a trunk placement through, as a closing remark in parentheses; empty
// when no check was made.
std::string ChildCheckPassed(const MappedFacts& f) {
    if (f.childCheckOf == 0) return {};
    const std::string of = " (the child check of version " + std::to_string(f.childCheckOf);
    if (!f.childCheckAnswered)
        return of + " could not be asked, as the query tool failed, which lets it through)";
    const std::string view = " in view " + std::to_string(f.childCheckOf);
    if (f.children.empty()) return of + " found no child version" + view + ")";
    return of + " found " + CommaJoined(f.children) + view + ", which does not stand in the way)";
}

// Why the child check stopped a trunk placement.
std::string ChildCheckFailed(const MappedFacts& f) {
    const std::string found =
        "The child check of version " + std::to_string(f.childCheckOf) + " found ";
    const std::string view = " in view " + std::to_string(f.childCheckOf);
    const std::string end = ": no trunk placement, so no target version is predicted.";
    if (f.children.size() == 1) {
        const std::string& v = f.children[0];
        return found + "version " + v + view +
               (Contains(v, ".") ? ", which is not the first version of a branch"
                                 : ", which is not a branch version") +
               end;
    }
    std::string trunk;
    for (const std::string& v : f.children)
        if (!Contains(v, ".")) {
            trunk = v;
            break;
        }
    return found + "versions " + CommaJoined(f.children) + view + "; " + trunk +
           " is not a branch version" + end;
}

// The sentence of an outcome the mapped version decided.
std::string MappedSentence(const ClassifyRequest& request, const CTFObj& target,
                           const ClassifyTrail& trail, const std::string& shown) {
    const MappedVersion& m = *trail.mapped;
    const MappedFacts& f = m.facts;
    const std::string& G = target.mappedVersion;
    const std::string n = std::to_string(Num(G));
    const std::string side = trail.onBranch ? "placed on a branch" : "placed on the trunk";
    const std::string stripped =
        trail.stripped ? "; " + request.mergeOption + " takes that version without the merge tag"
                       : "";
    const std::string in = " in view " + std::to_string(f.view) + " (by " + f.branchColumn + " " +
                           std::to_string(f.branchKey) + ")";
    switch (m.rule) {
        case MappedRule::ChildVersionsInTheWay:
            return ChildCheckFailed(f);
        case MappedRule::UnmergedBranch: {
            const std::string latest = "The target's latest version " + G + " is a branch version";
            if (target.packageName == request.tgtPackage)
                return latest + " in the target package " + request.tgtPackage +
                       " that is not merged: an unmerged version exists, so the merge conflicts.";
            const VersionParts p = SplitVersion(G);
            if (trail.onBranch)
                return latest + " of another package (" + target.packageName + "): " + side +
                       ", the item takes the next branch of trunk version " +
                       std::to_string(Num(p.c1)) + ", " + shown + ".";
            return latest + " of another package (" + target.packageName + "): " + side +
                   ", the item becomes the next trunk version, " + shown + ", merge tagged" +
                   stripped + ".";
        }
        case MappedRule::XOnTrunk:
            return "The target's latest version " + G +
                   " is an x version, not on the trunk: " + side +
                   ", the item arrives as version 0.";
        case MappedRule::NextXBranch:
            return "The target's latest version " + G + " is on x-branch " + SplitVersion(G).c2 +
                   ": " + side + ", the item takes the next x-branch, " + shown + ".";
        case MappedRule::NextTrunk:
            return "The target's latest version is trunk version " + n + ": " + side +
                   ", the merge makes version " + shown + ", merge tagged" + stripped + ".";
        case MappedRule::ZeroTrunk:
            return "The target's latest version is " + ReadAsZero(G) +
                   ": the project item already exists at version 0, and a trunk placement keeps "
                   "it there.";
        case MappedRule::ViewError:
            return "Looking up the view of the target project and state answered \"" + f.errorLine +
                   "\": no target version is predicted.";
        case MappedRule::BranchError:
            return "Looking for the item's branches" + in + " answered \"" + f.errorLine +
                   "\": no target version is predicted.";
        case MappedRule::ToolFailed:
            return "The query tool failed when asked for the item's branches: " + side +
                   ", the item is taken to start a first branch, " + shown + ".";
        case MappedRule::NewFirstBranch:
            return "The target item has no version, and no first branch version of it is" + in +
                   ": " + side + ", it starts as " + shown + ".";
        case MappedRule::FirstBranch:
            return "The target's latest version is trunk version " + n +
                   ", and no first branch version of it is" + in + ": " + side +
                   ", it starts the first branch, " + shown + ".";
        case MappedRule::ZeroNoBranch:
            return "The target's latest version is " + ReadAsZero(G) +
                   ", and no first branch version of it is" + in +
                   ": the project item already exists at version 0.";
        case MappedRule::NextBranch:
            return "The target's latest version is trunk version " + n +
                   "; the newest first-branch version" + in + " is " + f.branchAnswer +
                   ", so the next branch is " + shown + ".";
        case MappedRule::TooLong:
            return "The calculated version is longer than any version text a repository holds: "
                   "no target version is predicted.";
        case MappedRule::None:
            break;
    }
    return "No target version is predicted.";
}

std::string Sentence(const ClassifyRequest& request, const CFObj& source, const CTFObj& target,
                     const ClassifyTrail& trail, const std::string& shown) {
    const std::string& S = source.mappedVersion;
    const std::string& G = target.mappedVersion;
    const std::string noTarget = "The target project has no item named " + source.itemName;
    const std::string latest = "The target's latest " + VersionWords(G) + " (" +
                               target.pathFullName + ", package " + target.packageName + ")";
    switch (trail.rule) {
        case ClassifyRule::DeletedSource:
            return "Source version " + S +
                   " is tagged D (deleted): a deleted version is not merged, so the item is "
                   "ignored whatever the target holds.";
        case ClassifyRule::NoTargetTakeTrunk:
            return noTarget + ", and " + request.mergeOption +
                   " takes the target's trunk version, which does not exist: no target version.";
        case ClassifyRule::NoTargetBranch:
            return noTarget + ": placed on a branch, it is new there and starts as x.1.1.";
        case ClassifyRule::NoTargetTrunk:
            return noTarget + ": placed on the trunk, it is new there and arrives as version 0.";
        case ClassifyRule::MergeTagExists:
            return latest +
                   " carries a merge tag (M): an earlier merge into it is not resolved, so this "
                   "merge conflicts.";
        case ClassifyRule::ReserveTagExists:
            return latest +
                   " carries a reserve tag (R): the item is reserved in the target, so this merge "
                   "conflicts.";
        case ClassifyRule::AlreadyInTarget:
            return "The row comes from a saved list that marks it as already existing in the "
                   "target project, and the target's latest version carries no merge or reserve "
                   "tag: the item is ignored.";
        case ClassifyRule::IgnoredTakeTrunk:
            return request.mergeOption +
                   " takes a trunk version, and the target's latest version " + G +
                   " lies on an x-branch of package " + target.packageName +
                   ", not of the target package " + request.tgtPackage + ": the item is ignored.";
        case ClassifyRule::Mapped:
            if (!trail.mapped) break;
            if (trail.mapped->rule == MappedRule::ChildVersionsInTheWay)
                return MappedSentence(request, target, trail, shown);
            {
                // The remark goes before the sentence's final full stop.
                std::string sentence = MappedSentence(request, target, trail, shown);
                if (!sentence.empty() && sentence.back() == '.') sentence.pop_back();
                return sentence + ChildCheckPassed(trail.mapped->facts) + ".";
            }
        case ClassifyRule::UnknownOption:
            break;
    }
    return "The merge option \"" + request.mergeOption + "\" or the placement \"" +
           request.placement + "\" is not one the analysis knows: the row is not analysed.";
}

}  // namespace

OutcomeReason ExplainOutcome(const ClassifyRequest& request, const CFObj& source,
                             const CTFObj& target, const ClassifyTrail& trail,
                             const std::string& outcome) {
    OutcomeReason r;
    r.kind = KindOf(outcome);
    r.targetVersion = TargetVersionOf(outcome);
    const MappedVersion* m = trail.rule == ClassifyRule::Mapped ? trail.mapped : nullptr;
    r.rule = m ? CalculationName(m->rule) : RuleName(trail.rule);
    r.why = Sentence(request, source, target, trail, r.targetVersion);

    r.facts.reserve(24);
    auto add = [&r](const char* name, const std::string& value) {
        r.facts.push_back({name, value});
    };
    add("rule", r.rule);
    add("classification_rule", RuleName(trail.rule));
    if (m) add("calculation_rule", CalculationName(m->rule));
    add("outcome", outcome);
    add("source_version", source.mappedVersion);
    add("source_tag", source.versionStatus);
    add("source_package", source.packageName);
    add("merge_option", request.mergeOption);
    add("placement", request.placement);
    add("target_found", request.targetFound ? "yes" : "no");
    if (request.targetFound) {
        add("target_item", target.itemName);
        add("target_path", target.pathFullName);
        add("target_package", target.packageName);
        add("target_latest_version", target.mappedVersion);
        add("target_tag", target.versionStatus);
        add("target_parent_version", target.parentVersionId);
        add("target_version_id", target.versionObjId);
        add("target_item_id", target.itemObjId);
        add("in_target_package", target.packageName == request.tgtPackage ? "yes" : "no");
    }
    if (!m) return r;
    const MappedFacts& f = m->facts;
    add("calculated_on", trail.onBranch ? "branch" : "trunk");
    add("calculated", m->status == MappedStatus::Result ? m->text : std::string());
    if (f.childCheckOf != 0) {
        add("child_check_of", std::to_string(f.childCheckOf));
        add("child_versions", f.childCheckAnswered ? CommaJoined(f.children) : "not answered");
        add("child_check",
            m->rule == MappedRule::ChildVersionsInTheWay ? "stands in the way" : "passed");
    }
    if (!f.branchColumn.empty()) {
        add("branch_sought_by", f.branchColumn + " " + std::to_string(f.branchKey));
        add("view", f.branchAnswered || m->rule == MappedRule::BranchError ? std::to_string(f.view)
                                                                           : std::string());
        add("newest_first_branch", BranchAnswer(f));
    }
    if (!f.errorLine.empty()) add("repository_error", f.errorLine);
    if (trail.stripped) add("merge_tag_dropped", "yes");
    return r;
}

}  // namespace qv
