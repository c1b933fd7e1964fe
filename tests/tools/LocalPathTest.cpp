#include <gtest/gtest.h>

#include "tools/common/LocalPath.h"

namespace {

using qv::tools::IsSafeItemName;
using qv::tools::SplitRepositoryPath;

TEST(LocalPathTest, RepositoryPathsBecomeComponentsOrAreRefused) {
    struct Case {
        std::string path;
        bool ok;
        std::vector<std::string> components;
    } const cases[] = {
        {"\\Payroll\\src", true, {"Payroll", "src"}},
        {"/Payroll/src", true, {"Payroll", "src"}},
        {"Payroll\\src", true, {"Payroll", "src"}},
        {"\\", true, {}},
        {"", true, {}},
        {"\\a b\\c.d", true, {"a b", "c.d"}},
        {"\\..", false, {}},
        {"\\a\\..\\b", false, {}},
        {"\\a\\.\\b", false, {}},
        {"\\a\\...", false, {}},
        {"\\\\server\\share", false, {}},
        {"//server/share", false, {}},
        {"C:\\Windows", false, {}},
        {"\\a\\\\b", false, {}},
        {"\\a\\b\\", false, {}},
        {"\\a\\b\x01", false, {}},
        {"\\a\\b:stream", false, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> comps{"stale"};
        std::string why;
        EXPECT_EQ(SplitRepositoryPath(c.path, comps, why), c.ok) << c.path << ": " << why;
        if (c.ok) {
            EXPECT_EQ(comps, c.components) << c.path;
        } else {
            EXPECT_TRUE(comps.empty()) << c.path;
            EXPECT_FALSE(why.empty()) << c.path;
        }
    }
}

TEST(LocalPathTest, ItemNamesMustBeOneSafeComponent) {
    struct Case {
        std::string name;
        bool ok;
    } const cases[] = {
        {"tax.cpp", true},
        {"Release Notes.txt", true},
        {".hidden", true},
        {"a..b", true},
        {"", false},
        {".", false},
        {"..", false},
        {"...", false},
        {"../x", false},
        {"..\\x", false},
        {"a/b", false},
        {"c:x", false},
        {std::string("a\0b", 3), false},
        {"tab\there", false},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(IsSafeItemName(c.name, why), c.ok) << c.name << ": " << why;
    }
}

}  // namespace
