#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "engine/SourceItems.h"

namespace qv {
namespace {

TEST(SourceItems, RowsSplitAtRunsOfTabsOrAtEveryTab) {
    using Split = std::vector<std::string> (*)(std::string_view, size_t);
    struct Case {
        Split split;
        std::string row;
        size_t max;
        std::vector<std::string> fields;
    };
    const std::vector<Case> cases = {
        {SplitAtTabRuns, "a\tb\tc", 11, {"a", "b", "c"}},
        {SplitAtTabRuns, "a\t\t\tb", 11, {"a", "b"}},
        {SplitAtTabRuns, "\ta\tb\t", 11, {"a", "b"}},
        {SplitAtTabRuns, "Payroll\tARCHIVE\t", 3, {"Payroll", "ARCHIVE"}},
        {SplitAtTabRuns, "a\tb\tc\td", 3, {"a", "b", "c"}},
        {SplitAtTabRuns, "", 3, {}},
        {SplitAtTabRuns, "one field with blanks ", 3, {"one field with blanks "}},
        {SplitAtTabs, "a\t\t\tb", 11, {"a", "", "", "b"}},
        {SplitAtTabs, "\ta\t", 11, {"", "a", ""}},
        {SplitAtTabs, "a\tb\tc\td", 3, {"a", "b", "c"}},
        {SplitAtTabs, "", 3, {""}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.split(c.row, c.max), c.fields) << c.row;
    // An empty tag and a NULL creator leave the item id the last column.
    const CFObj r = SourceRecordFromRow("a.c\t\\p\t2\t1\t\t9\t\tt1\tbob\tt2\t77", "P1");
    EXPECT_EQ(r.versionStatus + "|" + r.dataSize + "|" + r.creator + "|" + r.itemObjId, "|9||77");
}

TEST(SourceItems, MappedVersionsCompareAsBytes) {
    struct Case {
        std::string candidate, stored;
        bool greater;
    };
    const std::vector<Case> cases = {
        {"1.9.0", "1.10.0", true}, {"1.10.0", "1.9.0", false}, {"3", "3", false},
        {"2.1.1", "2.1", true},    {"2.1", "2.1.1", false},    {"x.1.1", "9", true},
        {"\xC3\xA9", "z", true},  // bytes above 127 count as large
        {"", "1", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MappedVersionGreater(c.candidate, c.stored), c.greater)
            << c.candidate << " vs " << c.stored;
}

}  // namespace
}  // namespace qv
