// The set statements' results: only a whole, well-formed result answers for an item.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/BulkAnswers.h"

namespace {

qv::ResultLines Lines(std::vector<std::string> lines, bool readable = true) {
    return {readable, std::move(lines)};
}

const char kHeader[] = "K\tID\tMV\tCOUNT(*) OVER ()";

TEST(BulkAnswers, OnlyAWholeResultAnswers) {
    const struct {
        const char* what;
        qv::ResultLines result;
        bool trusted;
    } cases[] = {
        {"rows", Lines({kHeader, "I\t7\t3.2.1\t2", "P\t-4\t1.1.1\t2"}), true},
        {"zero results", Lines({qv::kKsqlZeroResults}), true},
        // The readers take the first line as the header, so the header here would be a row.
        {"blank line before the header", Lines({"", kHeader, "I\t7\t3.2.1\t1"}), false},
        {"error line", Lines({"Error: canceling statement due to statement timeout"}), false},
        {"unreadable", Lines({kHeader, "I\t7\t3.2.1\t1"}, false), false},
        {"empty file", Lines({}), false},
        {"header alone", Lines({kHeader}), false},
        {"a row lost", Lines({kHeader, "I\t7\t3.2.1\t2"}), false},
        {"cut in the count", Lines({kHeader, "I\t7\t3.2.1\t10", "I\t8\t1.1.1\t1"}), false},
        {"cut in the value", Lines({kHeader, "I\t7\t3.2"}), false},
        {"extra field", Lines({kHeader, "I\t7\t3\t2.1\t1"}), false},
        {"key no number", Lines({kHeader, "I\t7x\t3.2.1\t1"}), false},
        {"key with blank", Lines({kHeader, "I\t 7\t3.2.1\t1"}), false},
        {"key too large", Lines({kHeader, "I\t99999999999999999999\t3.2.1\t1"}), false},
        {"count no number", Lines({kHeader, "I\t7\t3.2.1\tone"}), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qv::ReadBulkTables(c.result, true).has_value(), c.trusted) << c.what;
}

TEST(BulkAnswers, TablesAnswerWhatThePerItemStatementWouldRead) {
    const std::string longValue(5000, '1');
    auto tables =
        qv::ReadBulkTables(Lines({kHeader, "I\t7\t3.2.1\t6", "I\t9\t1.1.1\t6", "I\t9\t1.2.1\t6",
                                  "C\t5\t\t6", "C\t5\t2.1.1\t6", "C\t6\t" + longValue + "\t6"}),
                           true);
    ASSERT_TRUE(tables);
    const qv::BulkTable& items = (*tables)[qv::kByItem];
    ASSERT_NE(items.Find(7), nullptr);
    EXPECT_EQ(*items.Find(7), std::vector<std::string>{"3.2.1"});
    EXPECT_EQ(items.Find(9), nullptr) << "two rows of one key: their order is unknown";
    ASSERT_NE(items.Find(8), nullptr);
    EXPECT_TRUE(items.Find(8)->empty()) << "no row";
    const qv::BulkTable& children = (*tables)[qv::kChildren];
    EXPECT_EQ(*children.Find(5), std::vector<std::string>{"2.1.1"}) << "a blank line is skipped";
    EXPECT_EQ(children.Find(6), nullptr) << "read in pieces per item";
}

TEST(BulkAnswers, ViewNumberAsTheLookupReadsIt) {
    const struct {
        qv::ResultLines result;
        std::optional<int> view;
    } cases[] = {
        {Lines({"MIN(W.VIEWOBJID)", "1021"}), 1021},
        {Lines({"MIN(W.VIEWOBJID)", ""}), 0},
        {Lines({qv::kKsqlZeroResults}), 0},
        {Lines({"Error: no such table"}), std::nullopt},
        {Lines({"MIN(W.VIEWOBJID)", "see Error: 5"}), std::nullopt},
        {Lines({}), std::nullopt},
        {Lines({"MIN(W.VIEWOBJID)", "12"}, false), std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(qv::ReadViewNumber(c.result), c.view);
}

}  // namespace
