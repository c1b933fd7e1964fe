// What the tools do with a command line they cannot take: nothing but a line on standard error.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/tools/DemoRepo.h"
#include "tools/common/Options.h"

namespace qvtest {
namespace {

class ToolOptionsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { repo_ = new DemoRepo(); }
    static void TearDownTestSuite() {
        delete repo_;
        repo_ = nullptr;
    }
    void SetUp() override {
        setenv("TESSARK_BROKERS", (*repo_ / "brokers.ini").c_str(), 1);
        WriteFile(*repo_ / "s.sql", "SELECT 1 AS X");
    }
    static inline DemoRepo* repo_ = nullptr;
};

// A command line that the tool must refuse without writing anything: the tool, its arguments,
// and the files that must stay as they are (absent ones absent, present ones unchanged).
struct Refused {
    std::string what, tool;
    std::vector<std::string> args;
    std::vector<std::string> untouched;
};

TEST_F(ToolOptionsTest, FaultyOptionsWriteOnlyToStandardErrorAndTouchNoFile) {
    const std::string dir = repo_->dir(), s = *repo_ / "s.sql";
    // An install directory "/x/My Install": the unquoted result path arrives as two arguments.
    const std::string fragment = *repo_ / "My", victim = *repo_ / "victim.dat";
    const std::string secret = "Sec7Word";
    // clang-format off
    const Refused cases[] = {
        {"split result path", "ksql",
         {"-b", "demo", "-usr", "demo", "-pw", "demo", "-t", "-f", s, "-o", fragment,
          "Install/ksqlstmt.dat"}, {fragment}},
        {"split password", "ksql",
         {"-b", "demo", "-usr", "demo", "-pw", "x", secret, "-t", "-f", s, "-o", victim},
         {victim}},
        {"password adds an option", "ksql",
         {"-b", "demo", "-usr", "demo", "-pw", "x", "-o", victim, "-t", "-f", s, "-o",
          *repo_ / "r.dat"}, {victim, *repo_ / "r.dat"}},
        {"repeated flag", "ksql",
         {"-b", "demo", "-usr", "demo", "-pw", "demo", "-t", "-T", "-f", s, "-o", victim},
         {victim}},
        {"missing value", "ksql", {"-b", "demo", "-usr", "demo", "-pw", "demo", "-f", s, "-o"}, {}},
        {"unknown option", "ksql",
         {"-b", "demo", "-usr", "demo", "-pw", "demo", "-" + secret, "-f", s, "-o", victim},
         {victim}},
        {"split log path", "kco",
         {"-s", "tax.cpp", "-b", "demo", "-en", "Payroll", "-st", "DEV", "-cp", *repo_ / "T",
          "-usr", "demo", "-pw", "demo", "-o", fragment, "Install/kco.log"},
         {fragment, *repo_ / "T"}},
        {"version adds a client directory", "kco",
         {"-s", "tax.cpp", "-b", "demo", "-en", "Payroll", "-st", "DEV", "-cp", *repo_ / "T",
          "-usr", "demo", "-pw", "demo", "-o", victim, "-vn", "1", "-cp", *repo_ / "elsewhere"},
         {victim, *repo_ / "T", *repo_ / "elsewhere"}},
        {"split password", "kco",
         {"-s", "tax.cpp", "-b", "demo", "-en", "Payroll", "-st", "DEV", "-cp", *repo_ / "T",
          "-usr", "demo", "-pw", "x", secret, "-o", victim}, {victim, *repo_ / "T"}},
    };
    // clang-format on
    for (const Refused& c : cases) {
        WriteFile(victim, "keep me");
        unlink(fragment.c_str());
        unlink((*repo_ / "r.dat").c_str());
        ToolResult r = RunTool(c.tool, c.args);
        EXPECT_EQ(r.exitCode, 2) << c.tool << ": " << c.what;
        EXPECT_EQ(r.out, "") << c.what;
        EXPECT_NE(r.err.find("usage: " + c.tool), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(r.err.find(secret), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(r.err.find("Install"), std::string::npos) << c.what << ": " << r.err;
        for (const std::string& f : c.untouched) {
            if (f == victim)
                EXPECT_EQ(ReadFile(f), "keep me") << c.what;
            else
                EXPECT_FALSE(FileExists(f)) << c.what << ": " << f;
        }
    }
}

TEST_F(ToolOptionsTest, HelpPrintsTheUsageAndSucceeds) {
    // clang-format off
    struct Case { std::string tool, arg, contains; } const cases[] = {
        {"ksql", "--help", "usage: ksql"},   {"ksql", "-h", "usage: ksql"},
        {"kco", "--help", "usage: kco"},     {"kco", "-help", "usage: kco"},
        {"krepo", "--help", "krepo create"},
    };
    // clang-format on
    for (const Case& c : cases) {
        ToolResult r = RunTool(c.tool, {c.arg});
        EXPECT_EQ(r.exitCode, 0) << c.tool << " " << c.arg << ": " << r.err;
        EXPECT_NE(r.out.find(c.contains), std::string::npos) << r.out;
    }
}

TEST(OptionParsing, RepeatsAndStrayArgumentsAreRefusedWithoutTheirValues) {
    const qv::tools::OptionSpec known{{"b", "pw", "o"}, {"t"}};
    // clang-format off
    struct Case { std::vector<std::string> args; bool ok; std::string error; } const cases[] = {
        {{"-b", "x", "-pw", "p w", "-t"}, true, ""},
        {{"-b", "x", "-B", "y"}, false, "option -b is given more than once (argument 3)"},
        {{"-t", "-t"}, false, "option -t is given more than once (argument 2)"},
        {{"-pw", "hidden", "word"}, false, "unexpected argument (argument 3)"},
        {{"-hidden"}, false, "unknown option (argument 1)"},
        {{"-b"}, false, "option -b needs a value"},
        {{"-b", "-o"}, true, ""},  // a value may begin with a dash
    };
    // clang-format on
    for (const Case& c : cases) {
        qv::tools::ParsedOptions out;
        std::string error;
        EXPECT_EQ(qv::tools::ParseOptions(c.args, known, out, error), c.ok) << c.args[0];
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
}  // namespace qvtest
