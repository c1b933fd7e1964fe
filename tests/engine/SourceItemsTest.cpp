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

TEST(SourceItems, ARowFillsTheRecordInColumnOrder) {
    const CFObj full = SourceRecordFromRow(
        "u.cpp\t\\P\\src\t1.2.1\t1\tM\t12          \tann\tt1\tbob\tt2\t77", "PKG");
    EXPECT_EQ(full.itemName, "u.cpp");
    EXPECT_EQ(full.pathFullName, "\\P\\src");
    EXPECT_EQ(full.mappedVersion, "1.2.1");
    EXPECT_EQ(full.versionStatus, "M");
    EXPECT_EQ(full.dataSize, "12          ");
    EXPECT_EQ(full.modifiedTime, "t2");
    EXPECT_EQ(full.itemObjId, "77");
    EXPECT_EQ(full.packageName, "PKG");
    EXPECT_EQ(full.result, "");
    const CFObj shortRow = SourceRecordFromRow("u.cpp\t\\P\\src\t3", "PKG");
    EXPECT_EQ(shortRow.mappedVersion, "3");
    EXPECT_EQ(shortRow.itemType, "");
    EXPECT_EQ(shortRow.itemObjId, "");
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

TEST(SourceItems, TheGreaterVersionStaysUnderTheItemKey) {
    CMapStrToFObj items;
    auto rec = [](const std::string& version, const std::string& package) {
        CFObj r;
        r.itemObjId = "7";
        r.mappedVersion = version;
        r.packageName = package;
        return r;
    };
    EXPECT_TRUE(KeepGreaterMappedVersion(items, rec("1.10.0", "A")));
    EXPECT_TRUE(KeepGreaterMappedVersion(items, rec("1.9.0", "B")));
    EXPECT_FALSE(KeepGreaterMappedVersion(items, rec("1.9.0", "C")));
    EXPECT_FALSE(KeepGreaterMappedVersion(items, rec("1.10.0", "D")));
    CFObj kept;
    ASSERT_EQ(items.Lookup("7", kept), 1);
    EXPECT_EQ(kept.packageName, "B");
    EXPECT_EQ(items.GetCount(), 1);
}

}  // namespace
}  // namespace qv
