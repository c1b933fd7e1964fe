#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/Classify.h"
#include "engine/TargetIndex.h"

namespace qv {
namespace {

constexpr char kTgtPackage[] = "EU0001";
constexpr char kOtherPackage[] = "EU0002";

// A sink that also keeps every text written, in order.
class Recorder : public OutcomeRecord {
public:
    void Write(const std::string& t) override {
        OutcomeRecord::Write(t);
        writes.push_back(t);
    }
    void ShowPlaceholder() override { placeholderShownAfter = writes; }
    std::vector<std::string> writes;
    std::vector<std::string> placeholderShownAfter;
};

// The mapped version the calculation gives for each placement, and what it was asked.
struct FakeMapped {
    MappedVersion branch{MappedStatus::Result, "4.1.1"};
    MappedVersion trunk{MappedStatus::Result, "5 (M)"};
    std::vector<bool> asked;  // onBranch of each call
    MappedSource Source() {
        return [this](const CTFObj&, bool onBranch) {
            asked.push_back(onBranch);
            return onBranch ? branch : trunk;
        };
    }
};

CFObj Source(const std::string& tag = "N") {
    CFObj s;
    s.itemName = "tax.cpp";
    s.mappedVersion = "3";
    s.versionStatus = tag;
    return s;
}

CTFObj Target(const std::string& g, const std::string& package = kOtherPackage,
              const std::string& tag = "N") {
    CTFObj t;
    t.itemName = "tax.cpp";
    t.mappedVersion = g;
    t.packageName = package;
    t.versionStatus = tag;
    return t;
}

struct Outcome {
    ClassifyResult result;
    std::string text;
    ColorRef color;
    std::vector<bool> asked;
    std::string targetResult;
};

Outcome Classify(const std::string& merge, const std::string& placement, const CFObj& source,
                 std::optional<CTFObj> target, FakeMapped mapped = {},
                 const std::string& statusBefore = "") {
    ClassifyRequest request{target.has_value(), merge, placement, statusBefore, kTgtPackage};
    CTFObj t = target.value_or(CTFObj());
    Recorder sink;
    const ClassifyResult r = ClassifyItem(request, source, t, mapped.Source(), sink);
    // The placeholder always comes first and is shown before anything else happens.
    EXPECT_EQ(sink.writes.empty() ? "" : sink.writes.front(), kOutcomePlaceholder);
    EXPECT_EQ(sink.placeholderShownAfter, std::vector<std::string>{kOutcomePlaceholder});
    return {r, sink.text, sink.FinalColor(), mapped.asked, t.result};
}

// Item neither tagged in the target nor ignored before: every cell of the tables of merge options
// by placements, with a target found (the calculation gives 4.1.1 on a branch and 5 (M) on the
// trunk) and without one (nothing calculated; Take Trunk does not look at the placement).
TEST(Classify, EveryMergeOptionWithEveryPlacementWithAndWithoutATarget) {
    struct Case {
        const char* merge;
        const char* placement;
        const char* found;  // the outcome with the target; nullptr: not tried
        ColorRef color;
        bool onBranch;
        const char* none;  // the outcome without a target
    };
    const char* const kTagged = "3 -> 5  (M) Merge Tagged";
    const ColorRef kR = ColorResult, kM = ColorMergeTagged;
    // clang-format off
    const Case cases[] = {
        {kMergeConservatively, kBranchOnly, "3 -> 4.1.1", kR, true, "3 -> x.1.1"},
        {kMergeConservatively, kTrunkOnly, kTagged, kM, false, "3 -> 0"},
        {kMergeConservatively, kTrunkOrBranch, kTagged, kM, false, "3 -> 0"},
        {kMergeAggressively, kBranchOnly, "3 -> 4.1.1", kR, true, "3 -> x.1.1"},
        {kMergeAggressively, kTrunkOnly, kTagged, kM, false, "3 -> 0"},
        {kMergeAggressively, kTrunkOrBranch, kTagged, kM, false, "3 -> 0"},
        {kTakeTrunkVersion, kBranchOnly, "3 -> 4.1.1", kR, true, "3 -> "},
        {kTakeTrunkVersion, kTrunkOnly, "3 -> 5 ", kR, false, "3 -> "},
        {kTakeTrunkVersion, kTrunkOrBranch, "3 -> 5 ", kR, false, "3 -> "},
        {kTakeTrunkVersion, "Somewhere", nullptr, kR, false, "3 -> "},
        {kTakeBranchVersion, kBranchOnly, "3 -> 4.1.1", kR, true, "3 -> x.1.1"},
        {kTakeBranchVersion, kTrunkOnly, "3 -> 5 ", kR, false, "3 -> 0"},
        {kTakeBranchVersion, kTrunkOrBranch, "3 -> 5 ", kR, false, "3 -> 0"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.merge) + " / " + c.placement);
        if (c.found) {
            const Outcome o = Classify(c.merge, c.placement, Source(), Target("4"));
            EXPECT_EQ(o.result, ClassifyResult::Written);
            EXPECT_EQ(o.text, c.found);
            EXPECT_EQ(o.color, c.color);
            EXPECT_EQ(o.targetResult, c.found);
            EXPECT_EQ(o.asked, std::vector<bool>{c.onBranch});
        }
        const Outcome o = Classify(c.merge, c.placement, Source(), std::nullopt);
        EXPECT_EQ(o.result, ClassifyResult::Written);
        EXPECT_EQ(o.text, c.none);
        EXPECT_EQ(o.color, ColorResult);
        EXPECT_EQ(o.targetResult, c.none);
        EXPECT_TRUE(o.asked.empty());
    }
}

// The rules that come before the tables, and the outcomes that need no calculation.
TEST(Classify, RulesBeforeTheTables) {
    struct Case {
        const char* what;
        const char* merge;
        const char* placement;
        CFObj source;
        std::optional<CTFObj> target;
        std::string statusBefore;
        const char* text;
        ColorRef color;
    };
    const std::string ignored = kStatusAlreadyInTarget;
    const Case cases[] = {
        {"deleted source with a target", kMergeConservatively, kTrunkOnly, Source("D"),
         Target("5", kOtherPackage, "R"), "", "3 (D) -> Src Ignored", ColorIgnored},
        {"deleted source without a target", kTakeTrunkVersion, kBranchOnly, Source("D"),
         std::nullopt, "", "3 (D) -> Src Ignored", ColorIgnored},
        {"deleted source with options outside the lists", "Merge Later", "Nowhere", Source("D"),
         std::nullopt, "", "3 (D) -> Src Ignored", ColorIgnored},
        {"deleted source that was ignored before", kMergeConservatively, kBranchOnly, Source("D"),
         Target("4"), ignored, "3 (D) -> Src Ignored", ColorIgnored},
        {"target tagged R", kMergeConservatively, kBranchOnly, Source(),
         Target("5", kTgtPackage, "R"), "", "3 -> 5 (E) Reserve Tag Exists", ColorProblem},
        {"target tagged M", kTakeTrunkVersion, kTrunkOnly, Source(), Target("5", kTgtPackage, "M"),
         "", "3 -> 5 (E) Merge Tag Exists", ColorProblem},
        {"a target tag wins over an earlier ignore", kMergeAggressively, kTrunkOnly, Source(),
         Target("5", kOtherPackage, "M"), ignored, "3 -> 5 (E) Merge Tag Exists", ColorProblem},
        {"a target tag wins over options outside the lists", "Merge Later", "Nowhere", Source(),
         Target("5", kOtherPackage, "R"), "", "3 -> 5 (E) Reserve Tag Exists", ColorProblem},
        {"ignored before", kMergeConservatively, kBranchOnly, Source(), Target("4"), ignored,
         "3 -> Ignored: Project item already exists", ColorIgnored},
        {"ignored before, only with a target", kMergeConservatively, kBranchOnly, Source(),
         std::nullopt, ignored, "3 -> x.1.1", ColorResult},
        {"an earlier outcome of another kind is not looked at", kMergeConservatively, kBranchOnly,
         Source(), Target("4"), "Ignored - already exists", "3 -> 4.1.1", ColorResult},
        {"take trunk, branch-only target in another package", kTakeTrunkVersion, kBranchOnly,
         Source(), Target("x.2.1"), "", "3 -> Ignored for Take Trunk option", ColorIgnored},
        {"take trunk, branch-only target in another package, trunk placement", kTakeTrunkVersion,
         kTrunkOnly, Source(), Target("x.2.1"), "", "3 -> Ignored for Take Trunk option",
         ColorIgnored},
        {"take trunk ignores before it looks at the placement", kTakeTrunkVersion, "Nowhere",
         Source(), Target("x.2.1"), "", "3 -> Ignored for Take Trunk option", ColorIgnored},
        {"a source tagged M takes the ordinary rules", kMergeConservatively, kBranchOnly,
         Source("M"), std::nullopt, "", "3 -> x.1.1", ColorResult},
        {"an untagged source takes the ordinary rules", kMergeConservatively, kTrunkOnly,
         Source(""), std::nullopt, "", "3 -> 0", ColorResult},
        {"a target tagged D takes the ordinary rules", kMergeConservatively, kTrunkOnly, Source(),
         Target("4", kOtherPackage, "D"), "", "3 -> 5  (M) Merge Tagged", ColorMergeTagged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome o =
            Classify(c.merge, c.placement, c.source, c.target, FakeMapped{}, c.statusBefore);
        EXPECT_EQ(o.result, ClassifyResult::Written);
        EXPECT_EQ(o.text, c.text);
        EXPECT_EQ(o.color, c.color);
        EXPECT_EQ(o.targetResult, c.text);
    }
}

// Results of the calculation that need no version parsing, expanded for the list.
TEST(Classify, MappedResultsAreExpandedIntoWordsAndColours) {
    struct Case {
        const char* what;
        MappedVersion mapped;
        const char* package;
        bool onBranch;
        const char* text;
        std::vector<ColorRef> colors;
    };
    constexpr MappedStatus R = MappedStatus::Result;
    const char* const kTgt = kTgtPackage;
    const char* const kOther = kOtherPackage;
    // clang-format off
    const Case cases[] = {
        {"unmerged in the target package", {R, "2.1.3 (U)"}, kTgt, true,
         "2.1.3  (U) Unmerged Exists", {ColorResult, ColorProblem}},
        {"unmerged in the target package, trunk", {R, "2.1.3 (U)"}, kTgt, false,
         "2.1.3  (U) Unmerged Exists", {ColorResult, ColorProblem}},
        {"merge tag", {R, "5 (M)"}, kOther, false, "5  (M) Merge Tagged",
         {ColorResult, ColorMergeTagged}},
        {"already in the target", {R, "0 (T)"}, kOther, true, "0  Project item already exists",
         {ColorResult, ColorResult}},
        {"a plain branch version", {R, "x.3.3"}, kOther, true, "x.3.3", {ColorResult}},
        {"a plain trunk version", {R, "0"}, kOther, false, "0", {ColorResult}},
        {"no result", {MappedStatus::NoResult, ""}, kOther, false, "", {ColorResult}},
        {"no result ignores any text", {MappedStatus::NoResult, "7"}, kOther, false, "",
         {ColorResult}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OutcomeRecord sink;
        EXPECT_EQ(GetMappedResult(c.mapped, Target("g", c.package), c.onBranch, kTgtPackage, sink),
                  c.text);
        EXPECT_EQ(sink.colors, c.colors);
    }
}

// A calculation that could not send its statement abandons the row.
TEST(Classify, AnAbandonedCalculationLeavesThePlaceholder) {
    FakeMapped abandoned;
    abandoned.branch = {MappedStatus::Abandoned, ""};
    const Outcome o = Classify(kMergeConservatively, kBranchOnly, Source(), Target("4"), abandoned);
    EXPECT_EQ(o.result, ClassifyResult::Abandoned);
    EXPECT_EQ(o.text, kOutcomePlaceholder);
    EXPECT_EQ(o.targetResult, "");
}

// An option or a placement outside the lists leaves the placeholder and nothing else.
TEST(Classify, OptionsOutsideTheListsLeaveThePlaceholder) {
    struct Case {
        const char* merge;
        const char* placement;
        bool target;
    };
    const Case cases[] = {
        {"Merge Later", kBranchOnly, true},       {"Merge Later", kBranchOnly, false},
        {kMergeConservatively, "", true},         {kMergeConservatively, "", false},
        {kTakeTrunkVersion, "branch only", true}, {"", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.merge) + " / " + c.placement);
        const Outcome o = Classify(c.merge, c.placement, Source(),
                                   c.target ? std::optional<CTFObj>(Target("4")) : std::nullopt);
        EXPECT_EQ(o.result, ClassifyResult::Placeholder);
        EXPECT_EQ(o.text, kOutcomePlaceholder);
        EXPECT_EQ(o.targetResult, "");
        EXPECT_TRUE(o.asked.empty());
    }
}

// The calculation is asked for the placement alone (the branch only for Branch Only) and its
// result written; a "(U)" result outside the target package is rebuilt from its numbers.
TEST(Classify, TheCalculatedResultOfThePlacementIsWritten) {
    struct Case {
        const char* what;
        const char* merge;
        const char* placement;
        CTFObj target;
        MappedVersion mapped;  // for the placement asked; the other gives 9.9.9
        const char* text;
        ColorRef color;
    };
    constexpr MappedStatus R = MappedStatus::Result;
    const CTFObj g = Target("g");
    // clang-format off
    const Case cases[] = {
        {"unmerged, branch", kMergeAggressively, kBranchOnly, g, {R, "2.1.3 (U)"}, "3 -> 2.2.3",
         ColorResult},
        {"unmerged, trunk", kMergeConservatively, kTrunkOrBranch, g, {R, "2.1.3 (U)"},
         "3 -> 3 (M) Merge Tagged", ColorMergeTagged},
        {"unmerged, trunk, taking the trunk version", kTakeTrunkVersion, kTrunkOnly, g,
         {R, "2.1.3 (U)"}, "3 -> 3", ColorResult},
        {"unmerged, trunk, taking the branch version", kTakeBranchVersion, kTrunkOnly, g,
         {R, "3.2.1 (U)"}, "3 -> 4", ColorResult},
        {"unmerged, branch of a branch-only item", kMergeConservatively, kBranchOnly, g,
         {R, "x.2.1 (U)"}, "3 -> x.3.1", ColorResult},
        {"unmerged, branch of an item numbered after x", kMergeConservatively, kBranchOnly, g,
         {R, "x3.1.1 (U)"}, "3 -> x0.2.1", ColorResult},
        {"unmerged, two-digit numbers", kMergeConservatively, kBranchOnly, g, {R, "12.9.10 (U)"},
         "3 -> 12.10.10", ColorResult},
        // Take Trunk ignores a branch-only target of another package only.
        {"take trunk, branch-only target of the target package", kTakeTrunkVersion, kBranchOnly,
         Target("x.2.1", kTgtPackage), {R, "x.3.1"}, "3 -> x.3.1", ColorResult},
        {"no result", kTakeTrunkVersion, kTrunkOnly, Target("4"), {MappedStatus::NoResult, ""},
         "3 -> ", ColorResult},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool onBranch = std::string(c.placement) == kBranchOnly;
        FakeMapped mapped;
        mapped.branch = mapped.trunk = {R, "9.9.9"};
        (onBranch ? mapped.branch : mapped.trunk) = c.mapped;
        const Outcome o = Classify(c.merge, c.placement, Source(), c.target, mapped);
        EXPECT_EQ(o.result, ClassifyResult::Written);
        EXPECT_EQ(o.text, c.text);
        EXPECT_EQ(o.color, c.color);
        EXPECT_EQ(o.asked, std::vector<bool>{onBranch});
    }
}

// The name index finds what a walk over the target map from its start would find first.
TEST(TargetNameIndex, FindsTheFirstRecordOfANameInMapOrder) {
    CMapStrToTFObj items;
    auto put = [&](const std::string& key, const std::string& name, const std::string& path) {
        CTFObj t;
        t.itemName = name;
        t.pathFullName = path;
        items.SetAt(key, t);
    };
    put("9", "config.h", "\\include");
    put("1", "config.h", "\\src");
    put("5", "Tax.cpp", "\\calc");
    put("7", "tax.cpp", "\\calc2");
    put("2", "", "\\empty");
    put("9", "config.h", "\\include2");  // replacing keeps the place

    const TargetNameIndex index(items);
    struct Case {
        const char* name;
        const char* path;  // nullptr: not found
    };
    const Case cases[] = {
        {"config.h", "\\include2"}, {"Tax.cpp", "\\calc"}, {"tax.cpp", "\\calc2"},
        {"TAX.CPP", nullptr},       {"", "\\empty"},       {"config", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CTFObj* found = index.Find(c.name);
        if (!c.path) {
            EXPECT_EQ(found, nullptr);
            continue;
        }
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->pathFullName, c.path);
    }
    EXPECT_EQ(index.NameCount(), 4);

    TargetNameIndex rebuilt(items);
    rebuilt.Build(CMapStrToTFObj());
    EXPECT_EQ(rebuilt.Find("config.h"), nullptr);
}

}  // namespace
}  // namespace qv
