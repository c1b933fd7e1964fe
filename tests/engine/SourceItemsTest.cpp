#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/SourceItems.h"

namespace qv {
namespace {

TEST(SourceItems, RowsSplitAtRunsOfTabs) {
    struct Case {
        std::string row;
        size_t max;
        std::vector<std::string> fields;
    };
    const std::vector<Case> cases = {
        {"a\tb\tc", 11, {"a", "b", "c"}},
        {"a\t\t\tb", 11, {"a", "b"}},
        {"\ta\tb\t", 11, {"a", "b"}},
        {"Payroll\tARCHIVE\t", 3, {"Payroll", "ARCHIVE"}},
        {"a\tb\tc\td", 3, {"a", "b", "c"}},
        {"", 3, {}},
        {"one field with blanks ", 3, {"one field with blanks "}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitAtTabRuns(c.row, c.max), c.fields) << c.row;
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
