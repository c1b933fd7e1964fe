// The comparison with an earlier prediction, and the list files it is read from.
#include <gtest/gtest.h>

#include <array>

#include "engine/SavedList.h"
#include "report/Reports.h"
#include "tests/report/Support.h"
#include "tests/support/TempEnv.h"

namespace {

using qvtest::ResultRow;

qv::ResultTable Table(std::vector<std::vector<std::string>> rows) {
    qv::ResultTable t = qvtest::SampleResult();
    t.rows = std::move(rows);
    t.reasons.clear();
    return t;
}

// The changes as "kind file before => after".
std::vector<std::string> Lines(const qv::Changes& changes) {
    std::vector<std::string> out;
    for (const qv::RowChange& c : changes.rows)
        out.push_back(std::string(qv::ChangeKindName(c.kind)) + " " + c.file + " " + c.before +
                      " => " + c.after);
    return out;
}

TEST(CompareResults, KindOfChangePerPair) {
    const char *const merge = "3 -> 5 (E) Merge Tag Exists", *const ignored = "2 -> Ignored";
    const std::vector<std::array<const char*, 3>> cases = {
        // before, now, change ("" for none)
        {"3 -> 5", "3 -> 5", ""},
        {"3 -> 5", merge, "new_conflict"},
        {"4 (D) -> Src Ignored", "3 -> 5", "resolved_conflict"},
        {"3 -> 5", "3 -> 6", "target_version_changed"},
        {"3 -> ", "3 -> 5", "target_version_changed"},
        {merge, "6 -> 2.1.3  (U) Unmerged Exists", "target_version_changed"},
        {ignored, "1 -> 0  Project item already exists", "target_version_changed"},
        {"3 -> 5", "3 -> 5  (M) Merge Tagged", "outcome_changed"},
        {merge, "3 -> 5 (E) Reserve Tag Exists", "outcome_changed"},
        {ignored, "2 -> Ignored: Project item already exists", "outcome_changed"},
    };
    for (const auto& [before, now, change] : cases) {
        const qv::Changes changes = qv::CompareResults(Table({ResultRow("a.cpp", before)}),
                                                       Table({ResultRow("a.cpp", now)}));
        const std::vector<std::string> lines = Lines(changes);
        EXPECT_EQ(lines.empty() ? "" : lines[0] + (lines.size() > 1 ? " and more" : ""),
                  *change ? std::string(change) + " a.cpp " + before + " => " + now : "");
    }
}

TEST(CompareResults, PairsByPathAndFileInOrderWithRemovedRowsLast) {
    const qv::Changes changes = qv::CompareResults(
        Table({ResultRow("gone.cpp", "1 -> 2", "P9"), ResultRow("dup.cpp", "1 -> 2"),
               ResultRow("dup.cpp", "1 -> 3"), ResultRow("A.cpp", "1 -> 2"),
               ResultRow("a.cpp", "1 -> 2", "P", "\\other")}),
        Table({ResultRow("new.cpp", "1 -> 2"), ResultRow("dup.cpp", "1 -> 2"),
               ResultRow("dup.cpp", "1 -> 4"), ResultRow("dup.cpp", "1 -> 5"),
               ResultRow("a.cpp", "1 -> 2")}));
    EXPECT_EQ(
        Lines(changes),
        (std::vector<std::string>{
            "added new.cpp  => 1 -> 2", "target_version_changed dup.cpp 1 -> 3 => 1 -> 4",
            "added dup.cpp  => 1 -> 5", "added a.cpp  => 1 -> 2", "removed gone.cpp 1 -> 2 => ",
            "removed A.cpp 1 -> 2 => ", "removed a.cpp 1 -> 2 => "}));
    EXPECT_EQ(changes.rows[4].package + changes.rows[6].path, "P9\\other");
}

TEST(EarlierResult, AListReadsBackAsTheRowsItWasWrittenFrom) {
    const qv::ResultTable written =
        Table({ResultRow("a,b.cpp", "3 -> 5  (M) Merge Tagged", ""),
               ResultRow("q\"uote.cpp", "3 -> "), ResultRow(std::string(300, 'p'), "1 -> 2")});
    std::string list = qv::ListHeaderLine(written.titles);
    for (const auto& row : written.rows) list += qv::ListDataLine(row);
    qvtest::TempDir dir;
    qvtest::WriteFile(dir / "old", list + ",,,,\r\n");
    std::string error;
    const auto read = qv::ReadEarlierResult(dir / "old", error);
    ASSERT_TRUE(read.has_value()) << error;
    EXPECT_EQ(read->titles, written.titles);
    ASSERT_EQ(read->rows.size(), 3u);
    EXPECT_EQ(read->rows[0], written.rows[0]);
    EXPECT_EQ(read->rows[1][qv::kColMergeStatus], "3 -> ");
    // A long name is cut in the file; it still pairs with the row it was written from.
    EXPECT_EQ(Lines(qv::CompareResults(*read, written)), std::vector<std::string>{});
}

TEST(EarlierResult, WhatIsNoListIsToldInOneLine) {
    qvtest::TempDir dir;
    const std::string file = dir / "old", missing = dir / "missing";
    const struct {
        std::string path;
        const char* contents;  // nullptr: the path is not written
        std::string error;
    } cases[] = {
        {dir.path(), nullptr, "cannot read " + dir.path() + ": Is a directory"},
        {missing, nullptr, "cannot read " + missing + ": No such file or directory"},
        {file, "", file + " is empty, not a saved result list"},
        {file, "Error: no such broker\r\n", file + " is not a saved result list"},
        {file, "File\tPath\tVersion\tType\tTag\tMerge Status\n",
         file + " is not a saved result list"},
        {file, "\x89PNG\r\n\x1a\n", file + " is not a saved result list"},
    };
    std::string error;
    for (const auto& c : cases) {
        if (c.contents) qvtest::WriteFile(c.path, c.contents);
        EXPECT_FALSE(qv::ReadEarlierResult(c.path, error).has_value());
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
