// The comparison with an earlier prediction: how each pair of rows differs, and the list files it
// reads the earlier prediction from.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/SavedList.h"
#include "report/Reports.h"
#include "tests/report/Sample.h"
#include "tests/support/TempEnv.h"

namespace {

using qv::ChangeKind;
using qvtest::ResultRow;

qv::ResultTable Table(std::vector<std::vector<std::string>> rows) {
    qv::ResultTable t = qvtest::SampleResult();
    t.rows = std::move(rows);
    t.reasons.clear();
    return t;
}

// The changes as "kind file before => after" lines.
std::vector<std::string> Lines(const qv::Changes& changes) {
    std::vector<std::string> out;
    for (const qv::RowChange& c : changes.rows)
        out.push_back(std::string(qv::ChangeKindName(c.kind)) + " " + c.file + " " + c.before +
                      " => " + c.after);
    return out;
}

TEST(CompareResults, KindOfChangePerPair) {
    const struct {
        const char* before;
        const char* now;
        const char* change;  // "" for an unchanged row
    } cases[] = {
        {"3 -> 5", "3 -> 5", ""},
        {"3 -> 5", "3 -> 5 (E) Merge Tag Exists", "new_conflict"},
        {"4 (D) -> Src Ignored", "3 -> 5", "resolved_conflict"},
        {"3 -> 5", "3 -> 6", "target_version_changed"},
        {"3 -> 5 (E) Merge Tag Exists", "6 -> 2.1.3  (U) Unmerged Exists",
         "target_version_changed"},
        {"3 -> 5", "3 -> 5  (M) Merge Tagged", "outcome_changed"},
        {"3 -> 5 (E) Merge Tag Exists", "3 -> 5 (E) Reserve Tag Exists", "outcome_changed"},
        {"2 -> Ignored for Take Trunk option", "2 -> Ignored: Project item already exists",
         "outcome_changed"},
        {"2 -> Ignored for Take Trunk option", "1 -> 0  Project item already exists",
         "target_version_changed"},
        {"3 -> ", "3 -> 5", "target_version_changed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.before) + " / " + c.now);
        const qv::Changes changes = qv::CompareResults(Table({ResultRow("a.cpp", c.before)}),
                                                       Table({ResultRow("a.cpp", c.now)}));
        if (*c.change == '\0') {
            EXPECT_TRUE(changes.rows.empty());
            continue;
        }
        ASSERT_EQ(changes.rows.size(), 1u);
        EXPECT_STREQ(qv::ChangeKindName(changes.rows[0].kind), c.change);
        EXPECT_EQ(changes.rows[0].before, c.before);
        EXPECT_EQ(changes.rows[0].after, c.now);
    }
}

TEST(CompareResults, PairsByPathAndFileInOrderWithRemovedRowsLast) {
    const qv::ResultTable before = Table({
        ResultRow("gone.cpp", "1 -> 2", "P9"),
        ResultRow("dup.cpp", "1 -> 2"),
        ResultRow("dup.cpp", "1 -> 3"),
        ResultRow("A.cpp", "1 -> 2"),
        ResultRow("a.cpp", "1 -> 2", "PAY0001", "\\other"),
    });
    const qv::ResultTable now = Table({
        ResultRow("new.cpp", "1 -> 2"),
        ResultRow("dup.cpp", "1 -> 2"),
        ResultRow("dup.cpp", "1 -> 4"),
        ResultRow("dup.cpp", "1 -> 5"),
        ResultRow("a.cpp", "1 -> 2"),
    });
    const qv::Changes changes = qv::CompareResults(before, now);
    EXPECT_EQ(Lines(changes), (std::vector<std::string>{
                                  "added new.cpp  => 1 -> 2",
                                  "target_version_changed dup.cpp 1 -> 3 => 1 -> 4",
                                  "added dup.cpp  => 1 -> 5",
                                  "added a.cpp  => 1 -> 2",
                                  "removed gone.cpp 1 -> 2 => ",
                                  "removed A.cpp 1 -> 2 => ",
                                  "removed a.cpp 1 -> 2 => ",
                              }));
    EXPECT_EQ(changes.rows[4].package, "P9");
    EXPECT_EQ(changes.rows[6].path, "\\other");
    EXPECT_EQ(changes.Count(ChangeKind::Added), 3);
}

class EarlierResult : public ::testing::Test {
protected:
    // Reads `contents` as the earlier prediction; the error when it cannot be read.
    std::string Error(const std::string& contents) {
        qvtest::WriteFile(file_, contents);
        std::string error;
        EXPECT_FALSE(qv::ReadEarlierResult(file_, error).has_value());
        return error;
    }
    qvtest::TempDir dir_;
    std::string file_ = dir_ / "old.list";
};

TEST_F(EarlierResult, AListReadsBackAsTheRowsItWasWrittenFrom) {
    qv::ResultTable written = Table({
        ResultRow("a,b.cpp", "3 -> 5  (M) Merge Tagged", " "),
        ResultRow("q\"uote.cpp", "3 -> "),
        ResultRow(std::string(300, 'p'), "1 -> 2"),
    });
    std::string list = qv::ListHeaderLine(written.titles);
    for (const auto& row : written.rows) list += qv::ListDataLine(row);
    qvtest::WriteFile(file_, list + ",,,,\r\n");
    std::string error;
    const auto read = qv::ReadEarlierResult(file_, error);
    ASSERT_TRUE(read.has_value()) << error;
    EXPECT_EQ(read->titles, written.titles);
    ASSERT_EQ(read->rows.size(), 3u);
    EXPECT_EQ(read->rows[0][qv::kColFile], "a,b.cpp");
    EXPECT_EQ(read->rows[0][qv::kColSrcPackage], "");
    EXPECT_EQ(read->rows[1][qv::kColMergeStatus], "3 -> ");
    EXPECT_TRUE(read->reasons.empty());
    // A long name is cut in the file; it still pairs with the row it was written from.
    EXPECT_TRUE(qv::CompareResults(*read, written).rows.empty())
        << ::testing::PrintToString(Lines(qv::CompareResults(*read, written)));
}

TEST_F(EarlierResult, WhatIsNoListIsToldInOneLine) {
    std::string error;
    EXPECT_FALSE(qv::ReadEarlierResult(dir_ / "missing", error));
    EXPECT_EQ(error, "cannot read " + dir_ / "missing" + ": No such file or directory");
    EXPECT_FALSE(qv::ReadEarlierResult(dir_.path(), error));
    EXPECT_EQ(error, "cannot read " + dir_.path() + ": Is a directory");

    const struct {
        const char* contents;
        const char* error;
    } cases[] = {
        {"", " is empty, not a saved result list"},
        {"Error: no such broker\r\n", " is not a saved result list"},
        {"{\"rows\": []}\n", " is not a saved result list"},
        {"File\tPath\tVersion\tType\tTag\tMerge Status\n", " is not a saved result list"},
        {"\x89PNG\r\n\x1a\n\0\0\0", " is not a saved result list"},
    };
    for (const auto& c : cases) EXPECT_EQ(Error(c.contents), file_ + c.error) << c.contents;

    if (geteuid() != 0) {
        qvtest::WriteFile(file_, "File,Path,\r\n");
        chmod(file_.c_str(), 0);
        EXPECT_FALSE(qv::ReadEarlierResult(file_, error));
        EXPECT_EQ(error, "cannot read " + file_ + ": Permission denied");
    }
}

}  // namespace
