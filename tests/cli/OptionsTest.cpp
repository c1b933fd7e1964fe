// The batch program's command line, its password sources and its work directory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Options.h"
#include "cli/Password.h"
#include "cli/WorkDir.h"
#include "tests/app/Support.h"
#include "tests/support/TempEnv.h"

namespace {

using qv::cli::Format;
using qv::cli::ParseAction;
using qv::cli::ParseOptions;
using Args = std::vector<std::string>;

// Every required option, ready for a case to add to or take from.
// clang-format off
Args Required() {
    return {"--broker", "demo", "--user", "bob", "--source-project", "Payroll", "--source-state",
            "DEV", "--package", "P1", "--target-project", "PayrollEU", "--target-state", "DEV",
            "--target-package", "EU0001"};
}
// clang-format on
Args With(Args more) {
    Args a = Required();
    a.insert(a.end(), more.begin(), more.end());
    return a;
}
Args Without(const std::string& option) {
    Args a = Required();
    const auto at = std::find(a.begin(), a.end(), option);
    if (at != a.end()) a.erase(at, at + 2);
    return a;
}

TEST(CliOptions, UsageErrorsNameTheProblem) {
    // clang-format off
    const struct { Args args; std::string error; } cases[] = {
        {Without("--broker"), "missing option: --broker"}, {{}, "missing option: --broker"},
        {Without("--package"), "missing option: --package"},
        {Without("--target-package"), "missing option: --target-package"},
        {With({"--merge", "sideways"}), "--merge must be"},
        {With({"--format", "xml"}), "--format must be"},
        {With({"--placement", "Branch"}), "--placement must be"},
        {With({"--password", "secret"}), "--password is not accepted"},
        {With({"--password=secret"}), "--password is not accepted"},
        {With({"--broker", "other"}), "--broker is given more than once"},
        {With({"--progress", "--quiet"}), "exclude each other"},
        {With({"--quiet=yes"}), "--quiet takes no value"},
        {With({"--colour"}), "unknown option: --colour"},
        {With({"stray"}), "unexpected argument: stray"},
        {With({"--output"}), "--output needs a value"},
    };
    // clang-format on
    for (const auto& c : cases) {
        const auto r = ParseOptions(c.args);
        EXPECT_EQ(r.action, ParseAction::UsageError) << c.error;
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
        // A password given by mistake is not repeated in the message.
        EXPECT_EQ(r.error.find("secret"), std::string::npos) << r.error;
    }
}

TEST(CliOptions, ValuesAndDefaults) {
    auto r = ParseOptions(Required());
    ASSERT_EQ(r.action, ParseAction::Run) << r.error;
    EXPECT_EQ(r.options.mergeOption, "Merge Conservatively");
    EXPECT_EQ(r.options.placement, "Branch Only");
    EXPECT_EQ(r.options.format, Format::Text);
    EXPECT_EQ(r.options.progress, qv::cli::Progress::Auto);
    EXPECT_FALSE(r.options.conflictsOnly);

    Args args = Without("--target-package");
    args[0] = "--broker=demo";
    args.erase(args.begin() + 1);
    // clang-format off
    args.insert(args.end(), {"--package", "P2", "--package=P1", "--target-package", "",
        "--format=json", "--output", "o.json", "--conflicts-only", "--quiet", "--work-dir", "w",
        "--trace", "t.trc", "--password-file", "pw", "--merge", "Take Branch Version",
        "--placement=trunk-or-branch"});
    // clang-format on
    r = ParseOptions(args);
    ASSERT_EQ(r.action, ParseAction::Run) << r.error;
    const auto& o = r.options;
    EXPECT_EQ(o.broker, "demo");
    EXPECT_EQ(o.packages, (std::vector<std::string>{"P1", "P2"}));  // each once, as given
    EXPECT_EQ(o.tgtPackage, "");  // a blank value is the analysis's to refuse
    EXPECT_EQ(o.format, Format::Json);
    EXPECT_EQ(o.output, "o.json");
    EXPECT_TRUE(o.conflictsOnly);
    EXPECT_EQ(o.progress, qv::cli::Progress::Off);
    EXPECT_EQ(o.workDir, "w");
    EXPECT_EQ(o.traceFile, "t.trc");
    EXPECT_EQ(o.passwordFile, "pw");
    EXPECT_EQ(o.mergeOption, "Take Branch Version");
    EXPECT_EQ(o.placement, "Trunk or Branch");

    EXPECT_EQ(ParseOptions({"--version", "--bogus"}).action, ParseAction::Version);
    EXPECT_EQ(ParseOptions(With({"--help"})).action, ParseAction::Help);
}

TEST(CliOptions, HelpNamesEveryOption) {
    const std::string help = qv::cli::HelpText();
    for (const char* option :
         {"--broker",         "--user",           "--source-project", "--source-state",
          "--package",        "--target-project", "--target-state",   "--target-package",
          "--merge",          "--placement",      "--format",         "--output",
          "--conflicts-only", "--password-file",  "--work-dir",       "--trace",
          "--progress",       "--quiet",          "--help",           "--version",
          "QUORVEL_PASSWORD"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST(CliPassword, SourcesInOrder) {
    qvtest::TempDir dir;
    qvtest::WriteFile(dir / "pw", "first line\r\nsecond line\n");
    qvtest::WriteFile(dir / "empty", "");
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);  // not a terminal: no prompt
    // clang-format off
    const struct { std::string file; std::optional<std::string> env; bool ok; std::string pw; }
        cases[] = {
        {dir / "pw", "from env", true, "first line"}, {dir / "empty", std::nullopt, true, ""},
        {"", "from env", true, "from env"}, {"", std::nullopt, false, ""},
        {dir / "missing", "from env", false, ""},
    };
    // clang-format on
    for (const auto& c : cases) {
        qvtest::ScopedEnv env(qv::cli::kPasswordVariable, c.env);
        const auto r = qv::cli::ReadPassword(c.file, pipeFds[0], pipeFds[1]);
        EXPECT_EQ(r.ok, c.ok) << c.file;
        EXPECT_EQ(r.password, c.pw) << c.file;
        EXPECT_EQ(r.error.empty(), c.ok) << r.error;
    }
    close(pipeFds[0]);
    close(pipeFds[1]);
}

TEST(CliWorkDir, TemporaryIsPrivateAndRemovedNamedIsKept) {
    qvtest::TempDir base;
    qvtest::ScopedEnv tmp("TMPDIR", base.path());
    std::string error;
    std::string path;
    {
        auto dir = qv::cli::WorkDir::Open("", error);
        ASSERT_TRUE(dir) << error;
        path = dir->path();
        EXPECT_EQ(path.rfind(base / ("cpm-analyze." + std::to_string(getpid()) + "."), 0), 0u)
            << path;
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        qvtest::WriteFile(path + "/sub/kco.log", "x");
    }
    EXPECT_FALSE(qvtest::FileExists(path));
    {
        auto dir = qv::cli::WorkDir::Open(base / "named/deeper", error);
        ASSERT_TRUE(dir) << error;
        qvtest::WriteFile(dir->path() + "/tgtpkgdata.save", "x");
    }
    EXPECT_TRUE(qvtest::FileExists(base / "named/deeper/tgtpkgdata.save"));
    qvtest::WriteFile(base / "file", "x");
    EXPECT_FALSE(qv::cli::WorkDir::Open(base / "file", error));
    EXPECT_NE(error.find("not a directory"), std::string::npos);
}

// What a run killed with SIGKILL left behind is removed by the next run. Kept: a directory of a
// live process (pid 1), one of another name, and one whose lock a run (of another pid namespace,
// say) holds.
TEST(CliWorkDir, TheNextRunRemovesWhatAKilledRunLeft) {
    qvtest::TempDir tmp;
    qvtest::ScopedEnv env("TMPDIR", tmp.path());
    const pid_t killed = fork();
    if (killed == 0) {
        std::string error;
        auto dir = qv::cli::WorkDir::Open("", error);
        if (dir) qvtest::WriteFile(dir->path() + "/Temp/ksqlstmt.dat", "rows");
        raise(SIGKILL);
    }
    waitpid(killed, nullptr, 0);
    const std::string gone = "cpm-analyze." + std::to_string(killed);
    std::filesystem::directory_iterator it(tmp.path());
    ASSERT_NE(it, std::filesystem::directory_iterator());
    const std::filesystem::path left = it->path();
    ASSERT_EQ(left.filename().string().rfind(gone + ".", 0), 0u);
    const std::string kept[] = {"cpm-analyze.1.Ab12Cd", gone + "x.Ab12Cd", gone + ".locked"};
    for (const std::string& name : kept) std::filesystem::create_directory(tmp / name);
    const int lock = open((tmp / (gone + ".locked")).c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    std::string error;
    EXPECT_TRUE(qv::cli::WorkDir::Open("", error)) << error;
    close(lock);
    EXPECT_FALSE(qvtest::FileExists(left));
    for (const std::string& name : kept) EXPECT_TRUE(qvtest::FileExists(tmp / name)) << name;
}

}  // namespace
