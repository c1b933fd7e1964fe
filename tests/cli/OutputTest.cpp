// The four output formats and their summaries, over one small table of outcomes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Output.h"
#include "engine/SavedList.h"

namespace {

using qv::cli::OutcomeKind;
using qv::cli::ResultTable;

// Four rows as a run leaves them: a mapped version, an unmerged branch version, a deleted source
// and a merge-tagged result; a path with a backslash and a status with two blanks.
// clang-format off
ResultTable Sample() {
    ResultTable t;
    t.titles = {"File", "Path", "Version", "Type", "Tag", "Merge Status", "Src Package", "Datasize",
                "Creator", "Created Date", "Modifier", "Modified Date", "Itemobjid", "Record"};
    auto row = [](std::string file, std::string version, std::string tag, std::string status,
                  std::string id) {
        return std::vector<std::string>{file, "\\Payroll\\src", version, "T", tag, status, "P1",
                                        "12", "ann", "2024-01-02 03:04:05", "bob",
                                        "2024-01-02 03:04:05", id, "0001"};
    };
    t.rows = {row("a.cpp", "3", "N", "3 -> 5", "101"),
              row("b.cpp", "4", "N", "4 -> 2.1.3  (U) Unmerged Exists", "102"),
              row("c.cpp", "1", "D", "1 (D) -> Src Ignored", "103"),
              row("d\"q.cpp", "2", "", "2 -> 5  (M) Merge Tagged", "104")};
    return t;
}
// clang-format on

TEST(CliOutput, OutcomeKinds) {
    // clang-format off
    const struct { std::string status; OutcomeKind kind; } cases[] = {
        {"3 -> 5", OutcomeKind::Mapped}, {"3 -> x.1.1", OutcomeKind::Mapped},
        {"3 -> ", OutcomeKind::Mapped}, {"3 -> 5  (M) Merge Tagged", OutcomeKind::MergeTagged},
        {"3 -> 2.1.3  (U) Unmerged Exists", OutcomeKind::Unmerged},
        {"3 -> 5 (E) Reserve Tag Exists", OutcomeKind::TagExists},
        {"3 (D) -> Src Ignored", OutcomeKind::Deleted},
        {"3 -> Ignored for Take Trunk option", OutcomeKind::Ignored},
        {"3 -> Ignored: Project item already exists", OutcomeKind::Ignored},
        {"3 -> 0  Project item already exists", OutcomeKind::AlreadyExists},
        {"", OutcomeKind::NotAnalysed}, {"   ...", OutcomeKind::NotAnalysed},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(qv::cli::KindOf(c.status), c.kind) << c.status;
}

TEST(CliOutput, TextIsAlignedWithASummary) {
    const std::string text = qv::cli::FormatText(Sample());
    EXPECT_EQ(text,
              "File     Path          Version  Tag  Merge Status                     Src Package\n"
              "a.cpp    \\Payroll\\src  3        N    3 -> 5                           P1\n"
              "b.cpp    \\Payroll\\src  4        N    4 -> 2.1.3  (U) Unmerged Exists  P1\n"
              "c.cpp    \\Payroll\\src  1        D    1 (D) -> Src Ignored             P1\n"
              "d\"q.cpp  \\Payroll\\src  2             2 -> 5  (M) Merge Tagged         P1\n"
              "4 rows, 2 conflicts: mapped 1, merge_tagged 1, unmerged 1, tag_exists 0, deleted "
              "1, ignored 0, already_exists 0, not_analysed 0\n");
}

TEST(CliOutput, ListIsTheSavedListFormat) {
    const ResultTable t = Sample();
    std::string expected = qv::ListHeaderLine(t.titles);
    for (const auto& row : t.rows) expected += qv::ListDataLine(row);
    EXPECT_EQ(qv::cli::FormatList(t), expected);
    EXPECT_EQ(qv::cli::FormatList(ResultTable{t.titles, {}, {}}), "");  // as Save List leaves it
}

TEST(CliOutput, JsonRowsAndSummary) {
    ResultTable sample = Sample();
    sample.reasons.resize(sample.rows.size());
    sample.reasons[1].why = "An \"unmerged\" version\\branch.";
    sample.reasons[1].facts = {{"rule", "unmerged_branch"}, {"target_latest_version", "2.1.3"}};
    const std::string json = qv::cli::FormatJson(sample);
    for (const char* part : {
             "{\"rows\": [\n  {\"file\": \"a.cpp\", \"path\": \"\\\\Payroll\\\\src\", "
             "\"version\": \"3\", \"type\": \"T\", \"tag\": \"N\", \"status\": \"3 -> 5\", "
             "\"package\": \"P1\", \"itemobjid\": \"101\", \"conflict\": false, "
             "\"outcome\": \"mapped\", \"target_version\": \"5\", \"why\": null, \"facts\": {}}",
             "\"status\": \"4 -> 2.1.3  (U) Unmerged Exists\"",
             "\"outcome\": \"unmerged\", \"target_version\": \"2.1.3\", \"why\": \"An "
             "\\\"unmerged\\\" version\\\\branch.\", \"facts\": {\"rule\": \"unmerged_branch\", "
             "\"target_latest_version\": \"2.1.3\"}}",
             "\"itemobjid\": \"103\", \"conflict\": true, \"outcome\": \"deleted\", "
             "\"target_version\": null,",
             "{\"file\": \"d\\\"q.cpp\"",
             "\"summary\": {\"rows\": 4, \"conflicts\": 2, \"mapped\": 1, \"merge_tagged\": 1, "
             "\"unmerged\": 1, \"tag_exists\": 0, \"deleted\": 1, \"ignored\": 0, "
             "\"already_exists\": 0, \"not_analysed\": 0}}\n",
         })
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
    EXPECT_EQ(
        qv::cli::FormatJson(ResultTable{}).rfind("{\"rows\": [],\n \"summary\": {\"rows\": 0,", 0),
        0u);
}

TEST(CliOutput, TsvAndConflictRows) {
    const ResultTable t = Sample();
    const std::string tsv = qv::cli::FormatTsv(t);
    EXPECT_EQ(tsv.substr(0, tsv.find('\n')),
              "File\tPath\tVersion\tType\tTag\tMerge Status\tSrc Package\tDatasize\tCreator\t"
              "Created Date\tModifier\tModified Date\tItemobjid\tRecord");
    EXPECT_NE(tsv.find("\nb.cpp\t\\Payroll\\src\t4\tT\tN\t4 -> 2.1.3  (U) Unmerged Exists\tP1\t12\t"
                       "ann\t2024-01-02 03:04:05\tbob\t2024-01-02 03:04:05\t102\t0001\n"),
              std::string::npos);

    const ResultTable conflicts = qv::cli::ConflictRows(t);
    ASSERT_EQ(conflicts.rows.size(), 2u);
    EXPECT_EQ(conflicts.rows[0][0], "b.cpp");
    EXPECT_EQ(conflicts.rows[1][0], "c.cpp");
    EXPECT_TRUE(qv::cli::HasConflict(t));
    ResultTable clean = t;
    clean.rows = {t.rows[0], t.rows[3]};
    EXPECT_FALSE(qv::cli::HasConflict(clean));
}

// The reasons where the options ask for them, and the changes since an earlier prediction in
// the text and JSON formats.
TEST(CliOutput, ReasonsAndChangesWhereAsked) {
    ResultTable t = Sample();
    t.reasons.resize(t.rows.size());
    t.reasons[1].why = "Unmerged\tin EU0001.";
    const std::string tsv = qv::cli::FormatTsv(t, true);
    EXPECT_NE(tsv.find("\tRecord\tWhy\n"), std::string::npos);
    EXPECT_NE(tsv.find("\t0001\tUnmerged in EU0001.\n"), std::string::npos);
    EXPECT_EQ(qv::cli::FormatTsv(t).find("Why"), std::string::npos);
    // Only the conflicts keep their reasons, row for row.
    EXPECT_EQ(qv::cli::ConflictRows(t).reasons.at(0).why, t.reasons[1].why);

    qv::Changes changes;
    changes.oldFile = "old.save";
    changes.rows = {{qv::ChangeKind::NewConflict, "b.cpp", "\\Payroll\\src", "P1", "4 -> 2.2.3",
                     "4 -> 2.1.3  (U) Unmerged Exists"},
                    {qv::ChangeKind::Removed, "e.cpp", "\\p", "P1", "1 -> 2", ""}};
    const std::string text = qv::cli::FormatText(t, &changes);
    EXPECT_NE(text.find("Changes since old.save: new_conflict 1, resolved_conflict 0, "
                        "target_version_changed 0, outcome_changed 0, added 0, removed 1\n"
                        "  new_conflict  b.cpp  \\Payroll\\src  4 -> 2.2.3 => 4 -> 2.1.3  (U) "
                        "Unmerged Exists\n"),
              std::string::npos)
        << text;
    const std::string changedTsv = qv::cli::FormatTsv(t, false, &changes);
    EXPECT_NE(changedTsv.find("\tRecord\tChange\n"), std::string::npos);
    EXPECT_NE(changedTsv.find("\t102\t0001\tnew_conflict\n"), std::string::npos);
    EXPECT_NE(changedTsv.find("\ne.cpp\t\\p\t\t\t\t1 -> 2\tP1\t\t\t\t\t\t\t\tremoved\n"),
              std::string::npos)
        << changedTsv;
    const std::string json = qv::cli::FormatJson(t, &changes);
    EXPECT_NE(
        json.find("\"changes\": {\"against\": \"old.save\", \"counts\": {\"new_conflict\": 1,"),
        std::string::npos);
    EXPECT_NE(json.find("{\"change\": \"removed\", \"file\": \"e.cpp\", \"path\": \"\\\\p\", "
                        "\"package\": \"P1\", \"before\": \"1 -> 2\", \"after\": null}\n]}}\n"),
              std::string::npos)
        << json;
}

}  // namespace
