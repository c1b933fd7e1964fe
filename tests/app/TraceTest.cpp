#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Trace.h"
#include "tests/app/Support.h"
#include "tests/support/TempEnv.h"

namespace {

using qv::WriteTrace;
using qvtest::ReadFile;

// An independent model of numbering: a text-mode reader that hands out a line up to its line
// feed or 16,423 characters, with CR LF read as one line feed, counting its reads.
std::uint64_t ModelCount(const std::string& s) {
    std::uint64_t reads = 0;
    int inRead = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            c = '\n';
            ++i;
        }
        ++inRead;
        if (c == '\n' || inRead == 16423) {
            ++reads;
            inRead = 0;
        }
    }
    return reads + (inRead > 0 ? 1 : 0);
}

// The number at the start of the text the last WriteTrace appended.
long NumberAt(const std::string& file, size_t offset) {
    return std::stol(file.substr(offset, file.find(' ', offset) - offset));
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        qv::SetTraceFile(path_);
        qv::SetTraceClock([this] { return now_; });
    }
    void TearDown() override {
        qv::SetTraceFile("");
        qv::SetTraceClock({});
        qv::SetTraceFullRecount(false);
        qv::SetTraceLimit(0);
    }
    // Writes one line and checks that its number is the model's count of the file before it
    // plus one; returns that number.
    long WriteChecked(const char* message = "step") {
        const std::string before = ReadFile(path_);
        EXPECT_EQ(WriteTrace("%s", message), 1);
        const std::string after = ReadFile(path_);
        EXPECT_GT(after.size(), before.size());
        const long number = NumberAt(after, before.size());
        EXPECT_EQ(number, static_cast<long>(ModelCount(before) + 1))
            << "file of " << before.size() << " bytes";
        return number;
    }

    qvtest::TempDir dir_;
    std::string path_ = dir_ / "Quorvel.trc";
    std::tm now_ = qvtest::MakeTime(2026, 3, 6, 14, 5, 9);
};

TEST_F(TraceTest, LinesAreNumberedFromOneAndStamped) {
    struct Row {
        std::tm time;
        std::string message;
        std::string expected;
    } rows[] = {
        {qvtest::MakeTime(2026, 3, 6, 14, 5, 9), "Quorvel 1.07",
         "1 03/06/2026 14:05:09 Quorvel 1.07"},
        {qvtest::MakeTime(2026, 3, 6, 0, 0, 5), "midnight", "2 03/06/2026 00:00:05 midnight"},
        {qvtest::MakeTime(2025, 12, 31, 23, 59, 59), "", "3 12/31/2025 23:59:59 "},
        {qvtest::MakeTime(2027, 1, 2, 9, 8, 7), "100% %s %d %n \\ \"q\"",
         "4 01/02/2027 09:08:07 100% %s %d %n \\ \"q\""},
    };
    for (const Row& r : rows) {
        now_ = r.time;
        EXPECT_EQ(WriteTrace("%s", r.message.c_str()), 1);
    }
    const auto lines = qvtest::Lines(ReadFile(path_));
    ASSERT_EQ(lines.size(), std::size(rows));
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], rows[i].expected);
}

TEST_F(TraceTest, MessageLengthLimit) {
    struct Row {
        size_t length;
        int result;
        bool written;
    } rows[] = {{16423, 1, true}, {16424, 1, true}, {16425, 0, false}, {40000, 0, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.length);
        ASSERT_EQ(unlink(path_.c_str()) == 0 || errno == ENOENT, true);
        qv::SetTraceFile(path_);
        WriteTrace("first");
        const std::string message(r.length, 'm');
        EXPECT_EQ(WriteTrace("%s", message.c_str()), r.result);
        WriteTrace("last");
        const std::string file = ReadFile(path_);
        EXPECT_EQ(file.find(message) != std::string::npos, r.written);
        // A refused message leaves no trace and does not advance the numbering.
        const size_t last = file.rfind("\n", file.size() - 2) + 1;
        EXPECT_EQ(NumberAt(file, last),
                  r.written ? static_cast<long>(ModelCount(file.substr(0, last))) + 1 : 2);
    }
}

// A line longer than one read (the 22-character head plus 16,424 characters) counts as two: "b"
// is line 6.
TEST_F(TraceTest, LinesWrittenTogetherReadAsIfWrittenOneByOne) {
    const std::vector<std::string> messages = {"a", std::string(16424, 'x'), "",
                                               "b", std::string(16425, 'r'), "c"};
    WriteTrace("first");
    qv::WriteTraceLines(messages);
    const std::string together = ReadFile(path_);
    ASSERT_EQ(unlink(path_.c_str()), 0);
    qv::SetTraceFile(path_);
    WriteTrace("first");
    for (const std::string& m : messages) WriteTrace("%s", m.c_str());
    EXPECT_EQ(together, ReadFile(path_));
    EXPECT_NE(together.find("\n6 03/06/2026 14:05:09 b\n"), std::string::npos);
}

TEST_F(TraceTest, CounterMatchesModelWhateverThePieces) {
    const std::string a16422(16422, 'a'), a16423(16423, 'a'), a16424(16424, 'a');
    const std::string texts[] = {
        "",
        "x",
        "x\n",
        "\n\n\n",
        "one\ntwo",
        "a\r\nb\r\n",
        "\r",
        "\r\r\n\r",
        a16422 + "\n",
        a16423 + "\n",
        a16424 + "\n",
        a16422 + "\r\n",
        a16423 + "\r\n",
        a16422 + "\r",
        a16423,
        a16424,
        std::string(3 * 16423, 'b') + "\n" + a16423 + "\r\r\n",
    };
    for (size_t t = 0; t < std::size(texts); ++t) {
        const std::string& text = texts[t];
        for (size_t piece : {size_t{1}, size_t{2}, size_t{7}, size_t{16423}, text.size() + 1}) {
            if (piece == 0) continue;
            if (piece == 1 && text.size() > 40000) continue;
            qv::TraceLineCounter counter;
            for (size_t at = 0; at < text.size(); at += piece)
                counter.Feed(text.data() + at, std::min(piece, text.size() - at));
            EXPECT_EQ(counter.Total(), ModelCount(text)) << "text " << t << ", pieces of " << piece;
        }
    }
}

// Changes another program could make to the trace file between two lines.
struct ForeignChange {
    const char* name;
    std::function<void(const std::string& path)> apply;
};

void AppendTo(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "ab");
    ASSERT_NE(f, nullptr);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

void ReplaceWith(const std::string& path, const std::string& text) {
    const std::string temp = path + ".new";
    ASSERT_TRUE(qvtest::WriteFile(temp, text));
    ASSERT_EQ(rename(temp.c_str(), path.c_str()), 0);
}

const ForeignChange kChanges[] = {
    {"nothing", [](const std::string&) {}},
    {"append lines", [](const std::string& p) { AppendTo(p, "other 1\nother 2\n"); }},
    {"append without line feed", [](const std::string& p) { AppendTo(p, "unfinished"); }},
    {"append CR then LF later",
     [](const std::string& p) { AppendTo(p, std::string(16422, 'c') + "\r"); }},
    {"append 16,423 characters",
     [](const std::string& p) { AppendTo(p, std::string(16423, 'd')); }},
    {"append a long line",
     [](const std::string& p) { AppendTo(p, std::string(40000, 'e') + "\n"); }},
    {"truncate to nothing", [](const std::string& p) { ASSERT_EQ(truncate(p.c_str(), 0), 0); }},
    {"truncate to half",
     [](const std::string& p) {
         struct stat st {};
         ASSERT_EQ(stat(p.c_str(), &st), 0);
         ASSERT_EQ(truncate(p.c_str(), st.st_size / 2), 0);
     }},
    {"truncate and grow again",
     [](const std::string& p) {
         struct stat st {};
         ASSERT_EQ(stat(p.c_str(), &st), 0);
         ASSERT_EQ(truncate(p.c_str(), 0), 0);
         AppendTo(p, std::string(static_cast<size_t>(st.st_size) + 10, '\n'));
     }},
    {"replace by a bigger file",
     [](const std::string& p) { ReplaceWith(p, ReadFile(p) + "x\ny\nz\n"); }},
    {"replace by a file of the same size",
     [](const std::string& p) { ReplaceWith(p, std::string(ReadFile(p).size(), '\n')); }},
    {"delete", [](const std::string& p) { ASSERT_EQ(unlink(p.c_str()), 0); }},
    {"delete and create another of the same size",
     [](const std::string& p) {
         const size_t size = ReadFile(p).size();
         ASSERT_EQ(unlink(p.c_str()), 0);
         AppendTo(p, std::string(size - 1, 'q') + "\n");
     }},
};

class TraceForeignWriterTest : public TraceTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TraceForeignWriterTest, NumbersFollowTheFileWhateverHappensToIt) {
    qv::SetTraceFullRecount(GetParam());
    for (const ForeignChange& change : kChanges) {
        SCOPED_TRACE(change.name);
        WriteChecked("before 1");
        WriteChecked("before 2");
        change.apply(path_);
        WriteChecked("after 1");
        WriteChecked("after 2");
        // Another line straight after the change, then the change again on a longer file.
        change.apply(path_);
        WriteChecked("after 3");
    }
}

INSTANTIATE_TEST_SUITE_P(CachedAndFullRecount, TraceForeignWriterTest, ::testing::Bool());

TEST_F(TraceTest, AnotherFileNameStartsItsOwnCount) {
    WriteTrace("a");
    WriteTrace("b");
    const std::string other = dir_ / "other.trc";
    AppendTo(other, "x\n");
    qv::SetTraceFile(other);
    WriteTrace("c");
    EXPECT_EQ(qvtest::Lines(ReadFile(other)).back(), "2 03/06/2026 14:05:09 c");
    qv::SetTraceFile(path_);
    WriteTrace("d");
    EXPECT_EQ(qvtest::Lines(ReadFile(path_)).back(), "3 03/06/2026 14:05:09 d");
}

TEST_F(TraceTest, NoFileMeansNothingWritten) {
    qvtest::ScopedEnv debug("QUORVEL_DEBUG_TRACE", "1");
    struct Row {
        const char* name;
        std::string file;
        std::string told;  // on the standard error, once; the line itself never
    } rows[] = {{"tracing off", "", ""},
                {"a directory", dir_.path(),
                 "Quorvel: Unable to write the trace file " + dir_.path() + ": Is a directory\n"},
                {"missing directory", dir_ / "missing/Quorvel.trc",
                 "Quorvel: Unable to write the trace file " + (dir_ / "missing/Quorvel.trc") +
                     ": No such file or directory\n"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        qv::SetTraceFile(r.file);
        testing::internal::CaptureStderr();
        EXPECT_EQ(WriteTrace("nowhere"), 1);
        EXPECT_EQ(WriteTrace("nowhere either"), 1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), r.told);
    }
    EXPECT_FALSE(qvtest::FileExists(dir_ / "missing"));
}

TEST_F(TraceTest, DebugChannelOnlyWhenAskedFor) {
    struct Row {
        std::optional<std::string> env;
        bool echoed;
    } rows[] = {{std::nullopt, false}, {"1", true}, {"", true}};
    for (const Row& r : rows) {
        qvtest::ScopedEnv debug("QUORVEL_DEBUG_TRACE", r.env);
        testing::internal::CaptureStderr();
        WriteTrace("hello %d", 5);
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string last = qvtest::Lines(ReadFile(path_)).back() + "\n";
        EXPECT_EQ(err, r.echoed ? last : "");
    }
}

TEST_F(TraceTest, FileSize) {
    const std::string empty = dir_ / "empty.dat", five = dir_ / "five.dat";
    ASSERT_TRUE(qvtest::WriteFile(empty, ""));
    ASSERT_TRUE(qvtest::WriteFile(five, "12345"));
    struct Row {
        std::string path;
        long size;
        int err;  // after the call; 77 means untouched
        std::string traced;
    } rows[] = {
        {dir_ / "missing.dat", 0, 2, "fsize failed: " + dir_ / "missing.dat" + "  err=2"},
        {empty, 0, 77, ""},
        {five, 5, 77, ""},
        {dir_.path(), 0, EISDIR,
         "fsize failed: " + dir_.path() + "  err=" + std::to_string(EISDIR)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        unlink(path_.c_str());
        int err = 77;
        EXPECT_EQ(qv::FileSize(r.path, err), r.size);
        EXPECT_EQ(err, r.err);
        const auto lines = qvtest::Lines(ReadFile(path_));
        if (r.traced.empty()) {
            EXPECT_TRUE(lines.empty());
        } else {
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_EQ(lines[0], "1 03/06/2026 14:05:09 " + r.traced);
        }
    }
}

// A batch leaves the same file as single writes: each line keeps the time of its call and gets
// the number it would have had, whatever the file held before.
TEST_F(TraceTest, BatchedLinesEqualSingleWrites) {
    const std::string longMessage(20000, 'L');  // counts as two reads
    struct Case {
        const char* what;
        std::string before;  // the file's contents before the lines
    };
    const Case cases[] = {
        {"no file", ""},
        {"earlier lines", "1 01/01/2026 00:00:00 a\n2 01/01/2026 00:00:00 b\n"},
        {"an unfinished last line", "1 01/01/2026 00:00:00 a\npartial"},
        {"CR LF line ends", "x\r\ny\r\n"},
    };
    auto writeAll = [&](bool batched) {
        std::optional<qv::TraceBatch> batch;
        if (batched) batch.emplace();
        for (int i = 0; i < 5; ++i) {
            now_.tm_sec = i;
            WriteTrace("%s %d", i == 2 ? longMessage.c_str() : "item", i);
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string single, batched;
        for (bool batch : {false, true}) {
            unlink(path_.c_str());
            if (!c.before.empty()) qvtest::WriteFile(path_, c.before);
            qv::SetTraceFile(path_);
            writeAll(batch);
            (batch ? batched : single) = ReadFile(path_);
        }
        EXPECT_EQ(batched, single);
        EXPECT_GT(single.size(), c.before.size());
    }
}

TEST_F(TraceTest, ABatchWritesWhenFlushedOrEndedOrTheFileChanges) {
    {
        qv::TraceBatch outer;
        WriteTrace("one");
        {
            qv::TraceBatch inner;
            WriteTrace("two");
        }
        EXPECT_EQ(ReadFile(path_), "");  // the outer batch still holds them
        outer.Flush();
        EXPECT_EQ(qvtest::Lines(ReadFile(path_)).size(), 2u);
        WriteTrace("three");
        const std::string other = dir_ / "other.trc";
        qv::SetTraceFile(other);  // what is held goes to the file it was written for
        EXPECT_EQ(qvtest::Lines(ReadFile(path_)).size(), 3u);
        WriteTrace("four");
        qv::SetTraceFile(path_);
        EXPECT_EQ(qvtest::Lines(ReadFile(other)).size(), 1u);
        WriteTrace("five");
    }
    const auto lines = qvtest::Lines(ReadFile(path_));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "4 03/06/2026 14:05:09 five");
}

}  // namespace

// A capped trace keeps its newest whole lines, never much more than the cap, and numbers on from
// what it kept; single and batched lines alike.
TEST_F(TraceTest, ACappedTraceKeepsItsLastLines) {
    for (bool batched : {false, true}) {
        SCOPED_TRACE(batched ? "batched" : "single");
        qv::SetTraceFile("");
        unlink(path_.c_str());
        qv::SetTraceFile(path_);
        qv::SetTraceLimit(4000);
        const std::string pad(90, 'x');
        {
            std::optional<qv::TraceBatch> batch;
            if (batched) batch.emplace();
            for (int i = 0; i < 200; ++i) {
                WriteTrace("line %03d %s", i, pad.c_str());
                if (batch && i % 10 == 9) batch->Flush();
            }
        }
        const std::string file = ReadFile(path_);
        EXPECT_LE(file.size(), 5000u);
        EXPECT_GE(file.size(), 3000u);
        EXPECT_EQ(file.back(), '\n');
        EXPECT_NE(file.find("line 199 "), std::string::npos);
        EXPECT_EQ(file.find("line 000 "), std::string::npos);
        // Every line kept is whole: number, date, time, message.
        std::istringstream lines(file);
        for (std::string line; std::getline(lines, line);)
            EXPECT_EQ(line.size(), line.find(" line ") + 6 + 3 + 1 + pad.size()) << line;
        EXPECT_FALSE(qvtest::FileExists(path_ + ".cut"));
        const long next = WriteChecked();
        EXPECT_LT(next, 60);
    }
}
