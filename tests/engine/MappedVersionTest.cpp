#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Trace.h"
#include "engine/MappedVersion.h"
#include "host/headless/HeadlessHost.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/support/FakeRepository.h"
#include "tests/support/TempEnv.h"

namespace qv {
namespace {

using Strings = std::vector<std::string>;
// The run's result and the result-file text it leaves.
struct Answer {
    std::string text;
    int result = kKsqlOk;
};

// Result-file texts.
const std::string kZero = "KSQL query has Zero results.\n";
const std::string kView7 = "MIN(W.VIEWOBJID)\n7\n";
std::string Values(const std::string& values) {
    return "MAPPEDVERSION\n" + values;
}

TEST(Num, ReadsALeadingNumberLikeAtoi) {
    const std::pair<const char*, int> cases[] = {
        {"12", 12},
        {"x3", 0},
        {"", 0},
        {" ", 0},
        {"3.4", 3},
        {"  7b", 7},
        {"-4", -4},
        {"+5", 5},
        {"\t9", 9},
        {"- 1", 0},
        {"007", 7},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(Num(text), value) << '"' << text << '"';
}

TEST(SplitVersion, SplitsIntoUpToThreeComponents) {
    struct Case {
        const char* text;
        int count;
        const char *c1, *c2, *c3;
    };
    const Case cases[] = {
        {"x.2.1", 3, "x", "2", "1"},     {"12.3", 1, "12", "", ""}, {"1.2.", 2, "1", "2", ""},
        {"1.2.3.4", 3, "1", "2", "3.4"}, {"7", 1, "7", "", ""},     {"", 1, "", "", ""},
        {"x", 1, "x", "", ""},           {".1.1", 3, "", "1", "1"}, {"a..b", 3, "a", "", "b"},
    };
    for (const Case& c : cases) {
        VersionParts p = SplitVersion(c.text);
        EXPECT_EQ(p.count, c.count) << c.text;
        EXPECT_EQ(p.c1, c.c1) << c.text;
        EXPECT_EQ(p.c2, c.c2) << c.text;
        EXPECT_EQ(p.c3, c.c3) << c.text;
    }
}

// One calculator over a fake repository, with the trace file of the test.
class Calculation : public ::testing::Test {
protected:
    void SetUp() override { SetTraceFile(trace_); }
    void TearDown() override { SetTraceFile(""); }
    Strings Trace() const { return qvtest::TraceMessages(trace_); }

    qvtest::TempDir dir_;
    std::string trace_ = dir_ / "Quorvel.trc";
    HeadlessHost host_;
};

TEST_F(Calculation, EveryRuleGivesItsResult) {
    struct Case {
        const char* what;
        int P;
        std::string T;
        bool onBranch;
        std::vector<Answer> answers;  // one per statement, in the order they are run
        MappedStatus status;
        std::string text;
        std::string box = "";  // the message box expected, if any
    };
    const MappedStatus R = MappedStatus::Result, None = MappedStatus::NoResult,
                       Gone = MappedStatus::Abandoned;
    const Answer view{kView7}, zero{kZero}, failed{"", kKsqlFailed},
        unwritten{"", kKsqlStatementUnwritten};
    const std::string long55 = std::string(55, '1') + ".1.1";
    // clang-format off
    const std::vector<Case> cases = {
        // On the trunk, without a parent (no statement).
        {"trunk 3", 0, "3", false, {}, R, "4 (M)"},
        {"trunk 0", 0, "0", false, {}, R, "0 (T)"},
        {"trunk, empty T", 0, "", false, {}, R, "0 (T)"},
        {"trunk, x", 0, "x", false, {}, R, "0"},
        {"trunk, x.2.3", 0, "x.2.3", false, {}, R, "0"},
        {"trunk, branch version", 0, "2.1.3", false, {}, R, "2.1.3 (U)"},
        {"trunk, X in upper case is no x", 0, "X.2.3", false, {}, R, "X.2.3 (U)"},
        // On the trunk with a parent: the child check decides first.
        {"child check fails", 9, "3", false, {{Values("4\n")}}, None, ""},
        {"child check fails whatever T is", 9, "x.2.3", false, {{Values("4\n")}}, None, ""},
        {"child check passes", 9, "3", false, {{Values("3.1.1\n")}}, R, "4 (M)"},
        {"child check run fails: passes", 9, "3", false, {failed}, R, "4 (M)"},
        {"child check statement unwritten", 9, "3", false, {unwritten}, Gone, ""},
        // On a branch, from a branch version (no statement).
        {"branch, x.2.3", 0, "x.2.3", true, {}, R, "x.3.3"},
        {"branch, x1.2.3", 0, "x1.2.3", true, {}, R, "x0.3.3"},
        {"branch, branch version", 0, "2.1.3", true, {}, R, "2.1.3 (U)"},
        {"branch, no child check with a parent", 9, "2.1.3", true, {}, R, "2.1.3 (U)"},
        {"branch, x.2 (no third part)", 0, "x.2.", true, {}, R, "x.3.0"},
        // On a branch from a trunk version: the view, then the branch statement.
        {"no matching row", 0, "5", true, {view, zero}, R, "5.1.1"},
        {"row 5.3.1", 0, "5", true, {view, {Values("5.3.1\n")}}, R, "5.4.1"},
        {"row x.3.1", 0, "5", true, {view, {Values("x.3.1\n")}}, R, "x.4.1"},
        {"row 3.10.1", 0, "4", true, {view, {Values("3.10.1\n")}}, R, "4.11.1"},
        {"branch statement fails", 0, "5", true, {view, failed}, R, "x5.1.1"},
        {"error line", 0, "5", true, {view, {"Error: no such table: KESVIEW\n"}}, None, "",
         "Error: no such table: KESVIEW"},
        {"empty T, no row", 0, "", true, {view, zero}, R, "x.1.1"},
        {"T 0, no row", 0, "0", true, {view, zero}, R, "0 (T)"},
        {"T x, no row", 0, "x", true, {view, zero}, R, "0 (T)"},
        {"header only counts as no row", 0, "5", true, {view, {"MAPPEDVERSION\n"}}, R, "5.1.1"},
        {"blank lines only count as no row", 0, "5", true, {view, {"\n\n\n"}}, R, "5.1.1"},
        {"a file without lines is an error", 0, "5", true, {view, {""}}, None, "",
         "Error: Unable to fetch data from ksqlstmt.dat"},
        {"a value without two dots counts as no row", 0, "5", true, {view, {Values("4.1\n")}}, R,
         "5.1.1"},
        {"branch statement unwritten", 0, "5", true, {view, unwritten}, Gone, ""},
        // The view lookup itself.
        {"no view: 0, then no row", 0, "5", true, {{"MIN(W.VIEWOBJID)\n\n"}, zero}, R, "5.1.1"},
        {"view lookup fails", 0, "5", true, {failed}, R, "x5.1.1"},
        {"view lookup error line", 0, "5", true, {{"Error: Incorrect Login\n"}}, None, "",
         "Error: Incorrect Login"},
        {"view lookup unwritten", 0, "5", true, {unwritten}, Gone, ""},
        // The length limit.
        {"63 characters are kept", 0, long55, false, {}, R, long55 + " (U)"},
        {"a longer result gives none", 0, "1" + long55, false, {}, None, ""},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host_.ClearBoxes();
        qvtest::FakeRepository repo(host_);
        for (const Answer& a : c.answers) repo.Answer(a.text, a.result);
        MappedVersionCalculator calc(repo, host_);
        calc.SetTargetContext("PayrollEU", "DEV");
        const MappedVersion got = calc.Calculate(c.P, c.T, c.onBranch, 41, 17);
        EXPECT_EQ(got.status, c.status);
        EXPECT_EQ(got.text, c.text);
        EXPECT_EQ(repo.statements().size(), c.answers.size());
        if (c.box.empty()) {
            EXPECT_TRUE(host_.boxes.empty());
        } else {
            ASSERT_EQ(host_.boxes.size(), 1u);
            EXPECT_EQ(host_.boxes[0].kind, MsgKind::Plain);
            EXPECT_EQ(host_.boxes[0].text, c.box);
            EXPECT_EQ(Trace().back(), "CalculateMappedVersion: Target Item Result=" + c.box);
        }
    }
}

TEST_F(Calculation, StatementsCarryTheirValues) {
    qvtest::FakeRepository repo(host_);
    MappedVersionCalculator calc(repo, host_);
    calc.SetTargetContext("Bob's", "DEV");
    repo.Answer(kView7);
    calc.Calculate(0, "5", true, 41, 17);  // by item
    calc.Calculate(0, "5", true, 41, 0);   // by version, when the item number is 0
    calc.Calculate(9, "3", false, 41, 17);
    const Strings& s = repo.statements();
    ASSERT_EQ(s.size(), 4u);
    // The view of the target project and state, its names quoted as literals.
    EXPECT_EQ(s[0],
              "SELECT MIN(W.VIEWOBJID) FROM KESVIEW W, KESSTATE S, KESENVIRONMENT E WHERE "
              "W.STATEOBJID = S.STATEOBJID AND S.ENVOBJID = E.ENVOBJID AND E.ENVIRONMENTNAME = "
              "'Bob''s' AND S.STATENAME = 'DEV'");
    EXPECT_EQ(s[1],
              "SELECT MAPPEDVERSION FROM   KESVERSIONS WHERE  VERSIONOBJID = (SELECT MAX( "
              "V.VERSIONOBJID ) FROM   KESVERSIONS V, KESVIEW W, KESPACKAGE P WHERE  "
              "V.ITEMOBJID = 17 AND    V.INBRANCH != 0 AND    V.PACKAGEOBJID = P.PACKAGEOBJID "
              "AND    P.ENVOBJID = W.ENVOBJID AND    W.VIEWOBJID = 7 AND    V.MAPPEDVERSION "
              "LIKE '%.%.1' )");
    EXPECT_NE(s[2].find("V.PARENTVERSIONID = 41 AND"), std::string::npos) << s[2];
    EXPECT_NE(s[2].find("W.VIEWOBJID = 7 AND"), std::string::npos) << s[2];
    // The child check names the parent in both places.
    EXPECT_EQ(s[3],
              "SELECT V.MAPPEDVERSION FROM   KESVERSIONS V WHERE  V.PARENTVERSIONID = 9 AND    "
              "V.MAPPEDVERSION != '0' AND EXISTS (      SELECT VV.VERSIONOBJID      FROM "
              "KESVERSIONINVIEW VV      WHERE VV.VIEWOBJID = 9      AND   V.VERSIONOBJID = "
              "VV.VERSIONOBJID ) ");
}

TEST_F(Calculation, TheViewIsLookedUpOncePerTargetContext) {
    struct Case {
        const char* what;
        std::vector<Answer> firstAnswers;  // for the first branch calculation
        size_t secondAdds;                 // statements of a second branch calculation
    };
    const std::vector<Case> cases = {
        {"a found view is kept", {{kView7, kKsqlOk}, {kZero, kKsqlOk}}, 1},
        {"no view (0) is kept too", {{"MIN(W.VIEWOBJID)\n\n", kKsqlOk}, {kZero, kKsqlOk}}, 1},
        {"a failed lookup is asked again", {{"", kKsqlFailed}}, 2},
        {"an error line is asked again", {{"Error: x\n", kKsqlOk}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qvtest::FakeRepository repo(host_);
        for (const Answer& a : c.firstAnswers) repo.Answer(a.text, a.result);
        MappedVersionCalculator calc(repo, host_);
        calc.SetTargetContext("PayrollEU", "DEV");
        calc.Calculate(0, "5", true, 1, 2);
        const size_t first = repo.statements().size();
        // The trunk never asks for the view.
        calc.Calculate(0, "5", false, 1, 2);
        EXPECT_EQ(repo.statements().size(), first);
        calc.Calculate(0, "5", true, 1, 2);
        EXPECT_EQ(repo.statements().size(), first + c.secondAdds);
    }
}

TEST_F(Calculation, ChildVersionsAllowATrunkPlacementOnlyBesideBranches) {
    struct Case {
        Answer answer;
        bool passes;
    };
    // clang-format off
    const Case cases[] = {
        {{Values("3.1.1\n")}, true},           // one first branch version
        {{Values("x.1.1\n")}, true},
        {{Values("3.1.1\n3.2.4\n")}, true},    // only branch versions
        {{Values("4\n")}, false},              // a trunk child
        {{Values("3.2.2\n")}, false},          // alone, but not a first version
        {{Values("3.2.10\n")}, false},
        {{Values("3.1.1\n4\n")}, false},       // a trunk child among branches
        {{Values("\n\n3.1.1\n\n")}, true},    // blank lines are no values
        // Files that hold no value let the check pass: a header only (no rows), the zero-results
        // line, blank lines only, an error line (with the reader's rule), no line at all, a
        // failed run.
        {{Values("")}, true},
        {{kZero}, true},
        {{"\n\n"}, true},
        {{"Error: x\n"}, true},
        {{""}, true},
        {{"", kKsqlFailed}, true},
        {{Values("4\nError: late\n")}, false},  // a later line is a value whatever it says
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.text + " / " + std::to_string(c.answer.result));
        qvtest::FakeRepository repo(host_);
        repo.Answer(c.answer.text, c.answer.result);
        MappedVersionCalculator calc(repo, host_);
        EXPECT_EQ(calc.CheckChildVersions(3), c.passes);
    }
    EXPECT_TRUE(host_.boxes.empty());
}

}  // namespace
}  // namespace qv
