#include <gtest/gtest.h>

#include <filesystem>

#include "host/headless/HeadlessHost.h"
#include "scm/Repository.h"
#include "tests/support/FakeRepository.h"
#include "tests/support/TempEnv.h"

namespace {

TEST(ReadResultLines, HandsOutEveryLineAsTheReaderCutsIt) {
    struct Case {
        const char* name;
        std::string content;
        size_t readSize;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"header, blank line, CR LF", "A\tB\r\n\r\n1\t2\r\n", 4095, {"A\tB", "", "1\t2"}},
        {"last line without a line end", "A\nx", 4095, {"A", "x"}},
        {"empty file", "", 4095, {}},
        {"a long line is cut at the read size", "abcdef\n", 4, {"abcd", "ef"}},
    };
    for (const auto& c : cases) {
        qvtest::TempDir dir;
        qvtest::WriteFile(dir / "r.dat", c.content);
        qv::ResultLines r = qv::ReadResultLines(dir / "r.dat", c.readSize);
        EXPECT_TRUE(r.readable) << c.name;
        EXPECT_EQ(r.lines, c.lines) << c.name;
    }
    qvtest::TempDir dir;
    EXPECT_FALSE(qv::ReadResultLines(dir / "missing", 4095).readable);
    std::filesystem::create_directory(dir / "d");
    EXPECT_FALSE(qv::ReadResultLines(dir / "d", 4095).readable);
}

// The test double answers in order, then with the zero-results line, through the real readers.
TEST(FakeRepository, AnswersInOrderThroughTheRealReaders) {
    qv::HeadlessHost host;
    qvtest::FakeRepository repo(host);
    repo.Answer("V\n\n3.1.1\n4\n");
    repo.Answer("", qv::kKsqlStatementUnwritten);
    ASSERT_EQ(repo.Run("one"), qv::kKsqlOk);
    EXPECT_EQ(repo.First().value, "3.1.1");
    EXPECT_EQ(repo.Values(), (std::vector<std::string>{"3.1.1", "4"}));
    EXPECT_EQ(repo.Run("two"), qv::kKsqlStatementUnwritten);
    ASSERT_EQ(repo.Run("three"), qv::kKsqlOk);
    EXPECT_EQ(repo.First().value, qv::kKsqlZeroResults);
    EXPECT_EQ(repo.statements(), (std::vector<std::string>{"one", "two", "three"}));
}

}  // namespace
