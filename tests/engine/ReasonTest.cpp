// The reasons of the outcomes that the demo repository cannot show: what the repository answered
// when it stood in the way, failed or answered an error, and the rules before the calculation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Trace.h"
#include "engine/Classify.h"
#include "host/headless/HeadlessHost.h"
#include "tests/support/FakeRepository.h"

namespace qv {
namespace {

// An answer to one statement: the result-file text and the run's result.
struct Answer {
    std::string text;
    int result = kKsqlOk;
};
using Answers = std::vector<Answer>;

TEST(Reason, EachRuleSaysWhatTheRepositoryAnsweredAndWhatFollowed) {
    struct Case {
        const char* what;
        const char* placement;
        std::string G;  // the target's latest version; "-" for no target item
        Answers answers;
        std::string statusBefore;
        const char* rule;
        const char* kind;
        std::vector<std::pair<const char*, const char*>> facts;
        const char* says;
    };
    const Answer view{"MIN(W.VIEWOBJID)\n7\n"}, failed{"", kKsqlFailed};
    auto values = [](const std::string& v) { return Answer{"MAPPEDVERSION\n" + v}; };
    const std::string tooLong = std::string(70, '1');
    // clang-format off
    const Case cases[] = {
        {"a trunk child", kTrunkOnly, "3", {values("4\n")}, "", "child_versions_in_the_way",
         "mapped", {{"child_check", "stands in the way"}, {"child_versions", "4"}},
         "found version 4 in view 9, which is not a branch version: no trunk placement"},
        {"a later branch version", kTrunkOnly, "3", {values("3.2.2\n")}, "",
         "child_versions_in_the_way", "mapped", {},
         "found version 3.2.2 in view 9, which is not the first version of a branch"},
        {"a trunk child among branches", kTrunkOrBranch, "3", {values("3.1.1\n4\n")}, "",
         "child_versions_in_the_way", "mapped", {}, "versions 3.1.1, 4 in view 9; 4 is not"},
        {"a first branch beside", kTrunkOnly, "3", {values("3.1.1\n")}, "", "next_trunk",
         "merge_tagged", {{"child_check", "passed"}},
         "(the child check of version 9 found 3.1.1 in view 9, which does not stand in the way)."},
        {"the child check failed", kTrunkOnly, "3", {failed}, "", "next_trunk", "merge_tagged",
         {{"child_versions", "not answered"}}, "could not be asked"},
        {"the branch statement failed", kBranchOnly, "5", {view, failed}, "",
         "query_tool_failed", "mapped", {{"newest_first_branch", "not answered"}},
         "start a first branch, x5.1.1"},
        {"the view lookup failed", kBranchOnly, "5", {failed}, "", "query_tool_failed", "mapped",
         {{"view", ""}}, "The query tool failed"},
        {"an error line", kBranchOnly, "5", {view, {"Error: disk I/O error\n"}}, "",
         "branch_error", "mapped", {{"repository_error", "Error: disk I/O error"}},
         "answered \"Error: disk I/O error\": no target version"},
        {"the view's error line", kBranchOnly, "5", {{"Error: Incorrect Login\n"}}, "",
         "view_error", "mapped", {}, "view of the target project and state answered"},
        {"no version, no branch", kBranchOnly, "", {view}, "", "new_first_branch", "mapped",
         {{"view", "7"}, {"branch_sought_by", "ITEMOBJID 17"}}, "it starts as x.1.1"},
        {"a version text too long", kTrunkOnly, tooLong + ".1.1", {}, "", "too_long", "mapped",
         {{"calculated", ""}}, "longer than any version text"},
        {"marked in a saved list", kBranchOnly, "5", {}, kStatusAlreadyInTarget,
         "already_in_target", "ignored", {}, "comes from a saved list"},
        {"an unknown placement", "Sideways", "5", {}, "", "unknown_option", "not_analysed", {},
         "the placement \"Sideways\" is not one the analysis knows"},
    };
    // clang-format on
    const std::string trace = ::testing::TempDir() + "/reason.trc";
    SetTraceFile(trace);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HeadlessHost host;
        qvtest::FakeRepository repo(host);
        for (const auto& a : c.answers) repo.Answer(a.text, a.result);
        MappedVersionCalculator calc(repo, host);
        calc.SetTargetContext("PayrollEU", "DEV");
        CFObj source;
        source.itemName = "tax.cpp";
        source.mappedVersion = "3";
        CTFObj target;
        target.itemName = "tax.cpp";
        target.mappedVersion = c.G;
        target.packageName = "EU0002";
        target.parentVersionId = "9";
        target.itemObjId = "17";
        const ClassifyRequest request{true, kMergeConservatively, c.placement, c.statusBefore,
                                      "EU0001"};
        OutcomeRecord sink;
        ClassifyItem(
            request, source, target,
            [&](const CTFObj& t, bool onBranch) {
                return calc.Calculate(Num(t.parentVersionId), t.mappedVersion, onBranch,
                                      Num(t.versionObjId), Num(t.itemObjId));
            },
            sink);
        const OutcomeReason& r = sink.reason;
        EXPECT_EQ(r.rule, c.rule);
        EXPECT_STREQ(KindName(r.kind), c.kind);
        EXPECT_EQ(r.FactValue("outcome"), sink.text);
        for (const auto& [name, value] : c.facts) EXPECT_EQ(r.FactValue(name), value) << name;
        EXPECT_NE(r.why.find(c.says), std::string::npos) << r.why;
    }
    SetTraceFile("");
}

}  // namespace
}  // namespace qv
