#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/TargetData.h"

namespace qv {
namespace {

using Strings = std::vector<std::string>;

Strings Fields(const CTFObj& r) {
    Strings out;
    for (size_t i = 0; i < kTargetFieldCount; ++i) out.push_back(TargetField(r, i));
    return out;
}

// A row of n tab-separated columns "c0", "c1", ...
std::string Row(size_t n) {
    std::string row;
    for (size_t i = 0; i < n; ++i) row += (i ? "\t" : "") + std::string("c") + std::to_string(i);
    return row;
}

// A record as a query load gives it: fields 0 to 28 filled, `result` empty.
CTFObj Filled() {
    return TargetRowRecord(Row(kTargetQueryColumns));
}

TEST(TargetRowRecord, ColumnsFillTheFieldsInOrderWithBlanksForEmptyOnes) {
    struct Case {
        const char* what;
        std::string row;
        // Fields that differ from "c<i>" (i < 29) and "" (result): index -> value.
        std::vector<std::pair<size_t, std::string>> changed;
    };
    const std::vector<Case> cases = {
        {"29 columns", Row(29), {}},
        {"an empty column in the middle keeps the later ones in place",
         "c0\tc1\tc2\tc3\tc4\tc5\tc6\tc7\tc8\tc9\tc10\tc11\tc12\tc13\tc14\tc15\tc16\tc17\tc18\t"
         "\tc20\tc21\tc22\tc23\tc24\tc25\tc26\tc27\tc28",
         {{19, " "}}},
        {"two empty columns side by side",
         "c0\t\t\tc3\tc4\tc5\tc6\tc7\tc8\tc9\tc10\tc11\tc12\t"
         "c13\tc14\tc15\tc16\tc17\tc18\tc19\tc20\tc21\tc22\tc23\tc24\tc25\tc26\tc27\tc28",
         {{1, " "}, {2, " "}}},
        {"empty first and last columns",
         "\t" + Row(29).substr(3, Row(29).rfind('\t') - 2),
         {{0, " "}, {28, " "}}},
        {"a short row leaves the missing fields empty", Row(3),
         [] {
             std::vector<std::pair<size_t, std::string>> v;
             for (size_t i = 3; i < 29; ++i) v.push_back({i, ""});
             return v;
         }()},
        {"columns beyond the 29th are dropped", Row(31), {}},
        {"a bar inside a value is kept", "c0|x\t" + Row(29).substr(3), {{0, "c0|x"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Strings want;
        for (size_t i = 0; i < kTargetQueryColumns; ++i) want.push_back("c" + std::to_string(i));
        want.push_back("");
        for (const auto& [i, v] : c.changed) want[i] = v;
        EXPECT_EQ(Fields(TargetRowRecord(c.row)), want);
    }
}

TEST(TargetRecordLine, WritesOnlyLinesThatReadBackAsTheRecord) {
    struct Case {
        const char* what;
        size_t field;
        std::string value;
        bool written;
    };
    const std::vector<Case> cases = {
        {"a query record", 0, "c0", true},
        {"a blank field", 19, " ", true},
        {"a result", 29, "3 -> 4", true},
        {"a comma", 1, "\\a,b", false},
        {"a comma in the last field", 29, "a,b", false},
        {"a line feed", 3, "a\nb", false},
        {"a carriage return", 3, "a\rb", false},
        {"a zero character", 3, std::string("a\0b", 3), false},
        {"an empty field before filled ones", 4, "", false},
        {"a line longer than one read", 2, std::string(4000, 'v'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CTFObj record = Filled();
        TargetField(record, c.field) = c.value;
        const std::optional<std::string> line = TargetRecordLine(record);
        ASSERT_EQ(line.has_value(), c.written);
        if (!line) continue;
        EXPECT_EQ(std::count(line->begin(), line->end(), ','), 30);
        EXPECT_EQ(TargetRecordFromLine(*line), record);
    }
    // The file's form of a query record: every field and a comma, so it ends with two commas,
    // and a blank field stays " ,".
    CTFObj record = Filled();
    record.clientPath = " ";
    const std::string line = *TargetRecordLine(record);
    EXPECT_EQ(line.substr(line.size() - 5), "c28,,");
    EXPECT_NE(line.find(",c18, ,c20,"), std::string::npos);
}

TEST(TargetRecordFromLine, RunsOfCommasAreOneSeparator) {
    struct Case {
        std::string line;
        Strings first;  // the first fields; the rest are empty
    };
    const Case cases[] = {
        {"a,b,c,", {"a", "b", "c"}}, {"a,,b,", {"a", "b"}}, {",a,b", {"a", "b"}}, {"", {}},
        {" , ,", {" ", " "}},
    };
    for (const Case& c : cases) {
        Strings want = c.first;
        want.resize(kTargetFieldCount);
        EXPECT_EQ(Fields(TargetRecordFromLine(c.line)), want) << c.line;
    }
    // More than thirty pieces: the rest is dropped.
    std::string line;
    for (int i = 0; i < 32; ++i) line += "f" + std::to_string(i) + ",";
    EXPECT_EQ(TargetRecordFromLine(line).result, "f29");
}

TEST(TargetStatement, QuotesTheProjectAndState) {
    const std::string s = TargetStatement("Bob's", "O'DEV");
    EXPECT_NE(s.find("ENVIRONMENTNAME = 'Bob''s' AND KESSTATE.STATENAME = 'O''DEV' GROUP"),
              std::string::npos);
    EXPECT_EQ(s.rfind("SELECT KESITEMNAME.ITEMNAME, ", 0), 0u);
    EXPECT_EQ(s.back(), ' ');
}

}  // namespace
}  // namespace qv
