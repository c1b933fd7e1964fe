#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <string>

#include "app/App.h"
#include "app/MainSettings.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "host/headless/HeadlessHost.h"
#include "tests/app/Support.h"
#include "tests/support/TempEnv.h"

namespace {

using qvtest::FileExists;
using qvtest::ReadFile;

bool IsDir(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Each test has its own configuration and data directories and starts somewhere else; the
// current directory and the process-wide state are put back afterwards.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        qvtest::WriteFile(home_ / "start/.keep", "");
        ASSERT_EQ(chdir((home_ / "start").c_str()), 0);
        start_ = qvtest::Cwd();
        host_.fixedTime = qvtest::MakeTime(2026, 3, 6, 0, 0, 5);
    }
    void TearDown() override {
        qv::SwitchToProfile();
        qv::SetTraceFile("");
        qv::SetAppValues({});
        qv::SetProgramDirForTesting("");
        qv::SetTraceLimit(0);
    }
    // Moves to a fresh, empty configuration directory.
    void NewConfig() {
        configDir_ = home_ / ("config" + std::to_string(++configs_));
        setenv("XDG_CONFIG_HOME", configDir_.c_str(), 1);
    }
    void Profile(std::optional<std::string> installDir) {
        if (installDir) {
            ASSERT_TRUE(qvtest::WriteFile(configDir_ + "/Quorvel.INI",
                                          "[Settings]\nINSTALLDIR=" + *installDir + "\n"));
        }
    }
    void Registry(std::optional<std::string> installDir) {
        if (installDir) {
            ASSERT_TRUE(qvtest::WriteFile(configDir_ + "/Orvane/Quorvel.ini",
                                          "[Settings]\nINSTALLDIR=" + *installDir + "\n"));
        }
    }
    // A complete installation in a new directory, named by both sources.
    std::string Install() {
        const std::string dir = home_ / ("install" + std::to_string(++installs_));
        EXPECT_EQ(mkdir(dir.c_str(), 0755), 0);
        Profile(dir);
        Registry(dir);
        return dir;
    }
    // Runs start-up with a main window that records what it saw and ends with `result`.
    int Run(int result = qv::kMainWindowOk, const std::string& commandLine = "quorvel") {
        windowRuns_ = 0;
        return app_.Run(host_, commandLine, [&](qv::Host&) {
            ++windowRuns_;
            seen_ = qv::TheApp();
            cwdInWindow_ = qvtest::Cwd();
            qv::WriteTrace("window");
            return result;
        });
    }

    qvtest::TempDir home_;
    qvtest::ScopedEnv config_{"XDG_CONFIG_HOME", home_ / "config"};
    std::string configDir_ = home_ / "config";
    int configs_ = 0;
    int installs_ = 0;
    qvtest::ScopedEnv data_{"XDG_DATA_HOME", home_ / "data"};
    qvtest::ScopedCwd cwd_;
    std::string start_;
    qv::HeadlessHost host_;
    qv::CQuorvelApp app_;
    int windowRuns_ = 0;
    qv::AppValues seen_;
    std::string cwdInWindow_;
};

TEST_F(StartupTest, WorkspaceDecidesTheCurrentDirectory) {
    struct Row {
        bool browseExists, compareExists;
        const char* cwd;  // below the install directory, "" for the start directory
    } rows[] = {{true, true, "/Temp1"},
                {true, false, "/Temp"},
                {false, true, "/Temp1"},
                {false, false, ""}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.browseExists) + std::to_string(r.compareExists));
        qvtest::TempDir install;
        Profile(install.path());
        Registry(install.path());
        if (r.browseExists) {
            ASSERT_EQ(mkdir((install / "Temp").c_str(), 0755), 0);
        }
        if (r.compareExists) {
            ASSERT_EQ(mkdir((install / "Temp1").c_str(), 0755), 0);
        }
        ASSERT_EQ(chdir(start_.c_str()), 0);
        EXPECT_EQ(Run(), qv::kMainWindowOk);
        EXPECT_TRUE(IsDir(install / "Temp"));
        EXPECT_TRUE(IsDir(install / "Temp1"));
        const std::string expected = *r.cwd ? install.path() + r.cwd : start_;
        EXPECT_EQ(cwdInWindow_, expected);
        EXPECT_EQ(seen_.startupDir, expected);
        EXPECT_TRUE(host_.boxes.empty());
    }
}

TEST_F(StartupTest, ANewUsersInstallDirectoryIsMadeWithItsParentsForTheUserAlone) {
    setenv("XDG_DATA_HOME", (home_ / "fresh/data").c_str(), 1);
    Registry(home_ / "B");
    EXPECT_EQ(Run(), qv::kMainWindowOk);
    EXPECT_TRUE(host_.boxes.empty());
    for (const char* dir : {"fresh", "fresh/data", "fresh/data/Quorvel"}) {
        struct stat st {};
        ASSERT_EQ(stat((home_ / dir).c_str(), &st), 0) << dir;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << dir;
    }
    EXPECT_TRUE(IsDir(home_ / "fresh/data/Quorvel/Temp1"));
}

// A program that runs from a directory the user cannot write works in the per-user data
// directory; a user whose settings name an install directory keeps it.
TEST_F(StartupTest, ASystemInstallationWorksInThePerUserDataDirectory) {
    struct Row {
        const char* name;
        bool systemProgram, installedByUser;
        bool ok;
    } rows[] = {{"system, new user", true, false, true},
                {"system, user who installed", true, true, true},
                {"own writable directory, not installed", false, false, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        NewConfig();
        const std::string data = home_ / (std::string("d") + std::to_string(configs_) + "/share");
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        const std::string installed = r.installedByUser ? Install() : std::string();
        // A directory that does not exist is one nobody can write.
        qv::SetProgramDirForTesting(r.systemProgram ? home_ / "no/usr/bin" : home_.path());
        host_.boxes.clear();
        EXPECT_EQ(Run(), r.ok ? qv::kMainWindowOk : qv::kStartupFailed);
        if (!r.ok) continue;
        const std::string expected = r.installedByUser ? installed : data + "/Quorvel";
        EXPECT_EQ(seen_.installDir, expected);
        EXPECT_EQ(seen_.traceFile, expected + "/Quorvel.trc");
        EXPECT_TRUE(host_.boxes.empty());
        struct stat st {};
        ASSERT_EQ(stat(expected.c_str(), &st), 0);
        if (!r.installedByUser) {
            EXPECT_EQ(st.st_mode & 0777, 0700u);
        }
    }
}

// The install, browse and compare directories hold repository data: made for the user alone,
// and for the group as the umask allows only when the broker's repository is shared with one.
TEST_F(StartupTest, NewWorkspaceDirectoriesAreTheUsersAloneUnlessTheRepositoryIsShared) {
    struct Row {
        mode_t repository, umask, dir;
    } const rows[] = {{0600, 022, 0700}, {0640, 0, 0777}, {0640, 027, 0750}, {0640, 077, 0700}};
    const std::string db = home_ / "repo.db";
    ASSERT_TRUE(qvtest::WriteFile(db, ""));
    qvtest::ScopedEnv brokers("TESSARK_BROKERS", home_ / "brokers.ini");
    ASSERT_TRUE(
        qvtest::WriteFile(home_ / "brokers.ini", "[Team]\nrepository = sqlite:" + db + "\n"));
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.repository) + " " + std::to_string(r.umask));
        NewConfig();
        const std::string install = configDir_ + "/install";
        Profile(install);
        ASSERT_TRUE(qvtest::WriteFile(configDir_ + "/Orvane/Quorvel.ini",
                                      "[Settings]\nINSTALLDIR=" + install + "\nBroker=team\n"));
        ASSERT_EQ(chmod(db.c_str(), r.repository), 0);
        const mode_t old = umask(r.umask);
        EXPECT_EQ(Run(), qv::kMainWindowOk);
        umask(old);
        for (const std::string& dir : {install, install + "/Temp", install + "/Temp1"}) {
            struct stat st {};
            ASSERT_EQ(stat(dir.c_str(), &st), 0) << dir;
            EXPECT_EQ(st.st_mode & 0777, r.dir) << dir;
        }
    }
}

TEST_F(StartupTest, ValuesComeFromTheTwoSources) {
    const std::string defaultInstall = home_ / "data/Quorvel";
    ASSERT_TRUE(qvtest::WriteFile(defaultInstall + "/.keep", ""));
    const std::string a = home_ / "A", b = home_ / "B";
    ASSERT_TRUE(qvtest::WriteFile(a + "/.keep", ""));
    struct Row {
        const char* name;
        std::optional<std::string> profile;
        std::string registry;
        std::string provisional;
    } rows[] = {
        {"profile absent", std::nullopt, b, defaultInstall},
        {"profile empty", "", b, defaultInstall},
        {"profile and registry differ", a, b, a},
        {"both the same", a, a, a},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        NewConfig();
        Profile(r.profile);
        Registry(r.registry);
        EXPECT_EQ(Run(), qv::kMainWindowOk);
        EXPECT_EQ(seen_.provisionalInstallDir, r.provisional);
        EXPECT_EQ(seen_.installDir, r.registry);
        EXPECT_EQ(seen_.browseDir, r.provisional + "/Temp");
        EXPECT_EQ(seen_.compareDir, r.provisional + "/Temp1");
        EXPECT_EQ(seen_.traceFile, r.provisional + "/Quorvel.trc");
        EXPECT_EQ(qv::TraceFile(), r.provisional + "/Quorvel.trc");
        EXPECT_EQ(seen_.windowsDir, configDir_ + "/");
        EXPECT_EQ(seen_.statusFile, configDir_ + "/FSTATUS.INI");
        // The window loads its settings from the per-user store.
        qv::MainWindowValues values;
        qv::LoadSettings(values);
        EXPECT_EQ(values.LocalPath, r.registry);
    }
}

// A run starts the trace afresh with the name and version, and leaves the two records of the
// install directory as they were.
TEST_F(StartupTest, TraceStartsAfreshAndTheInstallDirectoryIsNeverWritten) {
    const std::string install = Install();
    ASSERT_TRUE(qvtest::WriteFile(install + "/Quorvel.trc", "1 old line\n2 old line\n"));
    const std::string profile = ReadFile(configDir_ + "/Quorvel.INI");
    const std::string registry = ReadFile(configDir_ + "/Orvane/Quorvel.ini");
    Run();
    EXPECT_EQ(ReadFile(install + "/Quorvel.trc"),
              "1 03/06/2026 00:00:05 Quorvel 1.07\n2 03/06/2026 00:00:05 window\n");
    EXPECT_EQ(ReadFile(configDir_ + "/Quorvel.INI"), profile);
    EXPECT_EQ(ReadFile(configDir_ + "/Orvane/Quorvel.ini"), registry);
    // After start-up the store is the per-user one.
    EXPECT_EQ(qv::SettingsFilePath(), configDir_ + "/Orvane/Quorvel.ini");
}

TEST_F(StartupTest, ErrorEndsShowTheirMessageAndSkipTheWindow) {
    std::string install;
    const auto missing = [] {
        return std::string(
            "Error: HKCU\\Software\\Orvane\\Quorvel\\Settings\\INSTALLDIR is missing.");
    };
    struct Row {
        const char* name;
        std::function<void()> prepare;
        std::function<std::string()> message;
        bool traceWritten = true;
    } rows[] = {
        {"registry INSTALLDIR missing", [&] { Profile(install); }, missing},
        {"registry INSTALLDIR empty",
         [&] {
             Profile(install);
             Registry("");
         },
         missing},
        {"registry INSTALLDIR only in the profile",
         [&] {
             Profile(install);
             ASSERT_TRUE(qvtest::WriteFile(configDir_ + "/Orvane/Quorvel.ini",
                                           "[Other]\nINSTALLDIR=" + install + "\n"));
         },
         missing},
        {"install directory cannot be made",
         [&] {
             ASSERT_TRUE(qvtest::WriteFile(home_ / "afile", ""));
             Profile(home_ / "afile/I");
             Registry(install);
         },
         [&] { return "Unable to create directory: " + home_ / "afile/I/Temp"; }, false},
        {"compare directory blocked by a file",
         [&] {
             Profile(install);
             Registry(install);
             ASSERT_TRUE(qvtest::WriteFile(install + "/Temp1", "a file"));
         },
         [&] { return "Unable to create directory: " + install + "/Temp1"; }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        NewConfig();
        install = Install();
        unlink((configDir_ + "/Quorvel.INI").c_str());
        unlink((configDir_ + "/Orvane/Quorvel.ini").c_str());
        r.prepare();
        host_.ClearBoxes();
        EXPECT_EQ(Run(), qv::kStartupFailed);
        EXPECT_EQ(windowRuns_, 0);
        ASSERT_EQ(host_.boxes.size(), 1u);
        EXPECT_EQ(host_.boxes[0].kind, qv::MsgKind::Error);
        EXPECT_EQ(host_.boxes[0].text, r.message());
        EXPECT_FALSE(FileExists(configDir_ + "/FSTATUS.INI"));
        EXPECT_EQ(ReadFile(qv::TraceFile()),
                  r.traceWritten ? "1 03/06/2026 00:00:05 Quorvel 1.07\n" : "");
    }
}

TEST_F(StartupTest, StatusFileReportsOkAndCancelOnly) {
    const std::string install = Install();
    const std::string status = configDir_ + "/FSTATUS.INI";
    struct Row {
        int result;
        std::string returnCode;  // after the run, starting from "previous"
    } rows[] = {{qv::kMainWindowOk, "100"},
                {qv::kMainWindowCancel, "200"},
                {0, "previous"},
                {-1, "previous"},
                {3, "previous"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.result);
        ASSERT_TRUE(qvtest::WriteFile(status, "[FSTATUS]\nReturnCode=previous\n"));
        EXPECT_EQ(Run(r.result), r.result);
        EXPECT_EQ(qv::ReadIniText(status, "FSTATUS", "ReturnCode"), r.returnCode);
    }
    unlink(status.c_str());
    Run(qv::kMainWindowCancel);
    EXPECT_EQ(ReadFile(status), "[FSTATUS]\nReturnCode=200\n");
}

TEST_F(StartupTest, CommandLineIsSplitAndNamesTheListToLoad) {
    const std::string install = Install();
    const std::string s = start_ + "/";
    struct Row {
        std::string line;
        std::string file, arg1, arg2, arg3;
        std::string list;  // the saved list loaded at start
    } rows[] = {
        {"quorvel", "", "", "", "", ""},
        {"quorvel alpha", "", "", "alpha", "", s + "alpha"},
        {"quorvel a,b;c d", "", "a", "b", "c", ""},
        {"quorvel  ,;a;;,, b", "", "a", "b", "", ""},
        {"quorvel x FILE=C:\\my file;with,separators", "C:\\my file;with,separators", "", "x", "",
         s + "C:\\my file;with,separators"},
        {"quorvel FILE=a FILE=b", "a FILE=b", "", "", "", s + "a FILE=b"},
        {"quorvel a b FILE=", "", "a", "b", "", ""},
        {"quorvel file=x", "", "", "file=x", "", s + "file=x"},
        {"", "", "", "", "", ""},
        {"quorvel \"two words\"", "", "\"two", "words\"", "", ""},
        {"quorvel a " + std::string(300, 'z'), "", "a", std::string(245, 'z'), "", ""},
        {"quorvel FILE=" + std::string(300, 'f'), std::string(242, 'f'), "", "", "",
         s + std::string(242, 'f')},
        {"quorvel /lists/x.save", "", "", "/lists/x.save", "", "/lists/x.save"},
        {"quorvel \"FILE=/my lists/x.save\"", "/my lists/x.save\"", "", "\"", "",
         "/my lists/x.save"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        const qv::CommandLineFields f = qv::ExamineCommandLine(r.line);
        EXPECT_EQ(f.fileValue, r.file);
        EXPECT_EQ(f.arg1, r.arg1);
        EXPECT_EQ(f.arg2, r.arg2);
        EXPECT_EQ(f.arg3, r.arg3);
        ASSERT_EQ(chdir(start_.c_str()), 0);
        EXPECT_EQ(Run(qv::kMainWindowOk, r.line), qv::kMainWindowOk);
        EXPECT_EQ(seen_.listFile, r.list);
        EXPECT_EQ(seen_.fileValue, r.file);
        EXPECT_EQ(seen_.arg1, r.arg1);
        EXPECT_EQ(seen_.arg2, r.arg2);
        EXPECT_EQ(seen_.arg3, r.arg3);
        EXPECT_EQ(seen_.installDir, install);
        EXPECT_TRUE(host_.boxes.empty());
    }
    EXPECT_EQ(qv::ExamineCommandLine("p a b c d e").tokens, 5);
}

TEST(CommandLineAnswer, HelpAndVersionAnswerInsteadOfTheWindow) {
    const char* argv[] = {"quorvel", "--version", "--help"};
    EXPECT_EQ(qv::CommandLineAnswer(2, argv), "quorvel 1.07 (Quorvel)\n");
    EXPECT_EQ(qv::CommandLineAnswer(3, argv).rfind("Usage: quorvel [FILE=LIST | LIST]\n", 0), 0u);
    EXPECT_EQ(qv::CommandLineAnswer(1, argv), "");
}

TEST(JoinCommandLine, QuotesWhatHoldsBlanks) {
    const char* argv[] = {"/usr/bin/quorvel", "alpha", "two words", "", "say \"hi\"", "end\\"};
    EXPECT_EQ(qv::JoinCommandLine(6, argv),
              "/usr/bin/quorvel alpha \"two words\" \"\" \"say \\\"hi\\\"\" end\\");
}

}  // namespace
