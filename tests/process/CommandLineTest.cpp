#include <gtest/gtest.h>

#include "process/CommandLine.h"

namespace {

using Args = std::vector<std::string>;

struct SplitCase {
    const char* name;
    std::string line;
    Args expected;
};

TEST(SplitCommandLine, FollowsTheQuotingAndBackslashRules) {
    const SplitCase cases[] = {
        {"blanks and tabs separate", "a  b\tc ", {"a", "b", "c"}},
        {"empty line", "   ", {}},
        {"quotes group blanks", "prog \"a b\" c", {"prog", "a b", "c"}},
        {"quote inside a word", "x\"a b\"y", {"xa by"}},
        {"empty quoted argument", "a \"\" b", {"a", "", "b"}},
        {"lone backslash stays", "kco -vp \\ -br", {"kco", "-vp", "\\", "-br"}},
        {"backslashes without quote are literal", "a\\\\b c\\", {"a\\\\b", "c\\"}},
        {"one backslash and quote: literal quote", "a\\\"b", {"a\"b"}},
        {"two backslashes and quote: one backslash, quote opens", "\"a\\\\\" b", {"a\\", "b"}},
        {"three backslashes and quote: one backslash and literal quote", "a\\\\\\\"b", {"a\\\"b"}},
        {"four backslashes and quote: two backslashes, quote groups",
         "a\\\\\\\\\"b c\"",
         {"a\\\\b c"}},
        {"quoted path with blanks", "ed \"/home/u/My Files/a.c\"", {"ed", "/home/u/My Files/a.c"}},
        {"unterminated quote runs to the end", "a \"b c", {"a", "b c"}},
        {"repository path kept", "-s \"\\Payroll\\src\"", {"-s", "\\Payroll\\src"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qv::SplitCommandLine(c.line), c.expected) << c.name;
    }
}

struct FillCase {
    const char* name;
    std::string templ;
    std::vector<std::string> values;
    std::string expected;
};

TEST(FillCommand, FillsInOrderAndKeepsOtherText) {
    const FillCase cases[] = {
        {"in order", "t -a %s -b \"%s\"", {"1", "two"}, "t -a 1 -b \"two\""},
        {"percent escape", "t 100%% %s", {"x"}, "t 100% x"},
        {"other conversions stay", "t %d %s %x", {"v"}, "t %d v %x"},
        {"missing values are empty", "t %s %s %s", {"a"}, "t a  "},
        {"values are not formats", "t %s", {"50%s %d"}, "t 50%s %d"},
        {"quote in a value", "t -s \"%s\"", {"a\"b"}, "t -s \"a\\\"b\""},
        {"backslashes before a quote in a value", "t %s", {"a\\\"b"}, "t a\\\\\\\"b"},
        {"trailing backslash before closing quote", "t \"%s\"", {"dir\\"}, "t \"dir\\\\\""},
        {"trailing backslash elsewhere", "t %s.x", {"dir\\"}, "t dir\\.x"},
        {"template backslash untouched", "k -vp \\ -cp \"%s\"", {"/b"}, "k -vp \\ -cp \"/b\""},
        {"lone percent at the end", "t %", {}, "t %"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qv::FillCommand(c.templ, c.values), c.expected) << c.name;
    }
}

TEST(FillCommand, ValuesComeBackWhole) {
    const std::vector<std::string> values = {"a\"b", "x\\", "\\\\\"", "\"", "pl ain"};
    std::string command =
        qv::FillCommand("prog -s \"%s\" -d \"%s\" -e \"%s\" -f \"%s\" -g \"%s\"", values);
    Args args = qv::SplitCommandLine(command);
    ASSERT_EQ(args.size(), 11u) << command;
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(args[2 + 2 * i], values[i]) << i;
}

TEST(FillCommand, UnquotedPlaceholderIsSplitAtBlanks) {
    // The default query template leaves the file paths unquoted: a directory with a blank
    // reaches the tool as two arguments.
    Args args = qv::SplitCommandLine(
        qv::FillCommand("ksql -f %s -o %s", {"/my dir/ksqlstmt.sql", "/my dir/o.dat"}));
    EXPECT_EQ(args, (Args{"ksql", "-f", "/my", "dir/ksqlstmt.sql", "-o", "/my", "dir/o.dat"}));
}

}  // namespace
