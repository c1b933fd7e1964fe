#include <gtest/gtest.h>
#include <unistd.h>

#include "scm/LineReader.h"
#include "tests/support/TempEnv.h"

namespace {

std::vector<std::string> ReadAll(const std::string& path, size_t maxChars) {
    qv::LineReader reader(path, maxChars);
    std::vector<std::string> lines;
    std::string line;
    while (reader.Next(line)) lines.push_back(line);
    EXPECT_FALSE(reader.Failed());
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, PiecesAndLineEnds) {
    const std::string l5000(5000, 'a');
    const std::string l4095(4095, 'b');
    struct Case {
        const char* name;
        std::string content;
        size_t max;
        Lines expected;
    } cases[] = {
        {"empty file", "", 4095, {}},
        {"lines with and without final line feed", "a\nb", 4095, {"a", "b"}},
        {"blank lines are lines", "\n\nx\n\n", 4095, {"", "", "x", ""}},
        {"CR LF read as LF", "a\r\nb\r\n\r\n", 4095, {"a", "b", ""}},
        {"lone CR kept", "a\rb\n", 4095, {"a\rb"}},
        {"5000 characters come as two",
         l5000 + "\nz\n",
         4095,
         {l5000.substr(0, 4095), l5000.substr(4095), "z"}},
        {"exactly the read size is followed by a blank", l4095 + "\nz", 4095, {l4095, "", "z"}},
        {"CR LF counts as one character", "abc\r\n", 4, {"abc"}},
        {"tabs kept", "A\tB\t\tC\n", 4095, {"A\tB\t\tC"}},
        {"small reads", "abcdefg\n", 3, {"abc", "def", "g"}},
        {"a NUL first is a blank", std::string("\0zz\nq\n", 6), 4095, {" zz", "q"}},
        {"a NUL keeps the rest of the line",
         std::string("ab\0c\td\nq\n", 9),
         4095,
         {"ab c\td", "q"}},
    };
    qvtest::TempDir dir;
    for (const auto& c : cases) {
        ASSERT_TRUE(qvtest::WriteFile(dir / "f", c.content));
        EXPECT_EQ(ReadAll(dir / "f", c.max), c.expected) << c.name;
    }
}

TEST(LineReader, OpenAndReadFailures) {
    qvtest::TempDir dir;
    qv::LineReader missing(dir / "missing", 10);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.OpenError(), ENOENT);
    std::string line;
    EXPECT_FALSE(missing.Next(line));

    qv::LineReader directory(dir.path(), 10);
    ASSERT_TRUE(directory.IsOpen());
    EXPECT_FALSE(directory.Next(line));
    EXPECT_TRUE(directory.Failed());
}

}  // namespace
