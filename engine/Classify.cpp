#include "engine/Classify.h"

#include <string_view>

#include "engine/ClassifyReason.h"

namespace qv {

namespace {

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// Replaces every occurrence of `from` (not empty) with `to`.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string Arrow(const std::string& source, const std::string& target) {
    return source + " -> " + target;
}

bool KnownPlacement(const std::string& placement) {
    return placement == kBranchOnly || placement == kTrunkOnly || placement == kTrunkOrBranch;
}

// A "(U)" result whose target version lies outside the target package: on a branch the next
// branch of the same trunk version, on the trunk the next trunk version, merge tagged.
std::string UnmergedElsewhere(const std::string& text, bool onBranch, OutcomeSink& sink) {
    const std::string rest = ReplaceAll(text, " (U)", "");
    const VersionParts p = SplitVersion(rest);
    if (!onBranch) {
        sink.Mark(ColorMergeTagged);
        return std::to_string(Num(p.c1) + 1) + " (M) Merge Tagged";
    }
    const std::string branchAndVersion =
        std::to_string(Num(p.c2) + 1) + "." + std::to_string(Num(p.c3));
    if (Contains(rest, "x.")) return "x." + branchAndVersion;
    if (Contains(rest, "x")) return "x" + std::to_string(Num(p.c1)) + "." + branchAndVersion;
    return std::to_string(Num(p.c1)) + "." + branchAndVersion;
}

// A trunk result without its merge tag words; the colour goes back to an ordinary result.
std::string Strip(const std::string& mapped, OutcomeSink& sink) {
    if (!Contains(mapped, "(M)")) return mapped;
    sink.Mark(ColorResult);
    return ReplaceAll(mapped, " (M) Merge Tagged", "");
}

// Writes an outcome to the cell and to the target record.
void Put(const std::string& outcome, CTFObj& target, OutcomeSink& sink) {
    sink.Write(outcome);
    target.result = outcome;
}

}  // namespace

std::string GetMappedResult(const MappedVersion& mapped, const CTFObj& target, bool onBranch,
                            const std::string& tgtPackage, OutcomeSink& sink) {
    std::string text = mapped.status == MappedStatus::Result ? mapped.text : std::string();
    sink.Mark(ColorResult);
    if (Contains(text, "(U)")) {
        if (target.packageName == tgtPackage) {
            text = ReplaceAll(text, "(U)", " (U) Unmerged Exists");
            sink.Mark(ColorProblem);
        } else {
            text = UnmergedElsewhere(text, onBranch, sink);
        }
    } else if (Contains(text, "(M)")) {
        text = ReplaceAll(text, "(M)", " (M) Merge Tagged");
        sink.Mark(ColorMergeTagged);
    } else if (Contains(text, "(T)")) {
        text = ReplaceAll(text, "(T)", " Project item already exists");
        sink.Mark(ColorResult);
    }
    return text;
}

ClassifyResult ClassifyItem(const ClassifyRequest& request, const CFObj& source, CTFObj& target,
                            const MappedSource& mapped, OutcomeSink& sink) {
    sink.Write(kOutcomePlaceholder);
    sink.ShowPlaceholder();

    const std::string& S = source.mappedVersion;
    const std::string& G = target.mappedVersion;
    ClassifyTrail trail;
    auto written = [&](ClassifyRule rule) {
        trail.rule = rule;
        sink.Explain(ExplainOutcome(request, source, target, trail, target.result));
        return ClassifyResult::Written;
    };
    auto placeholder = [&] {
        sink.Explain(ExplainOutcome(request, source, target, trail, kOutcomePlaceholder));
        return ClassifyResult::Placeholder;
    };

    // A deleted source is ignored whatever the target and the options.
    if (source.versionStatus == "D") {
        Put(S + " (D) -> Src Ignored", target, sink);
        sink.Mark(ColorIgnored);
        return written(ClassifyRule::DeletedSource);
    }

    if (!request.targetFound) {
        std::string outcome;
        ClassifyRule rule = ClassifyRule::NoTargetTakeTrunk;
        if (request.mergeOption == kTakeTrunkVersion) {
            outcome = Arrow(S, G);
        } else if (request.mergeOption == kMergeConservatively ||
                   request.mergeOption == kMergeAggressively ||
                   request.mergeOption == kTakeBranchVersion) {
            if (request.placement == kBranchOnly) {
                outcome = Arrow(S, "x.1.1");
                rule = ClassifyRule::NoTargetBranch;
            } else if (request.placement == kTrunkOnly || request.placement == kTrunkOrBranch) {
                outcome = Arrow(S, "0");
                rule = ClassifyRule::NoTargetTrunk;
            } else {
                return placeholder();
            }
        } else {
            return placeholder();
        }
        sink.Mark(ColorResult);
        Put(outcome, target, sink);
        sink.Repaint();
        return written(rule);
    }

    if (target.versionStatus == "M" || target.versionStatus == "R") {
        const bool merge = target.versionStatus == "M";
        Put(Arrow(S, G) + (merge ? " (E) Merge Tag Exists" : " (E) Reserve Tag Exists"), target,
            sink);
        sink.Mark(ColorProblem);
        return written(merge ? ClassifyRule::MergeTagExists : ClassifyRule::ReserveTagExists);
    }
    if (request.statusBefore == kStatusAlreadyInTarget) {
        Put(Arrow(S, "Ignored: Project item already exists"), target, sink);
        sink.Mark(ColorIgnored);
        return written(ClassifyRule::AlreadyInTarget);
    }

    const std::string& merge = request.mergeOption;
    const bool takeTrunk = merge == kTakeTrunkVersion;
    if (takeTrunk && target.packageName != request.tgtPackage && Contains(G, "x.")) {
        // Taking the trunk version ignores an item whose target lives only on a branch of
        // another package.
        Put(Arrow(S, "Ignored for Take Trunk option"), target, sink);
        sink.Mark(ColorIgnored);
        sink.Repaint();
        return written(ClassifyRule::IgnoredTakeTrunk);
    }
    const bool knownMerge = takeTrunk || merge == kMergeConservatively ||
                            merge == kMergeAggressively || merge == kTakeBranchVersion;
    if (!knownMerge || !KnownPlacement(request.placement)) return placeholder();

    const bool onBranch = request.placement == kBranchOnly;
    const MappedVersion m = mapped(target, onBranch);
    if (m.status == MappedStatus::Abandoned) return ClassifyResult::Abandoned;
    std::string text = GetMappedResult(m, target, onBranch, request.tgtPackage, sink);
    // Taking one version rather than merging drops the merge tag a trunk placement would get.
    const bool strip = !onBranch && (takeTrunk || merge == kTakeBranchVersion);
    trail.stripped = strip && Contains(text, "(M)");
    if (strip) text = Strip(text, sink);
    Put(Arrow(S, text), target, sink);
    sink.Repaint();
    trail.onBranch = onBranch;
    trail.mapped = &m;
    return written(ClassifyRule::Mapped);
}

}  // namespace qv
