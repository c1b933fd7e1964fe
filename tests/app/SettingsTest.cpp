#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "app/MainSettings.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "tests/app/Support.h"
#include "tests/support/TempEnv.h"

namespace {

using qvtest::FileMode;
using qvtest::ReadFile;

std::vector<std::string> DirEntries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        closedir(d);
    }
    return names;
}

// Every test gets its own configuration directory and starts on the profile file.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { qv::SwitchToProfile(); }
    void TearDown() override { qv::SwitchToProfile(); }
    std::string RegistryFile() const { return qv::RegistryFilePath("Orvane"); }

    qvtest::TempDir home_;
    qvtest::ScopedEnv config_{"XDG_CONFIG_HOME", home_ / "config"};
};

TEST(IniFileFormat, ReadsWhatPeopleWrite) {
    const qv::IniFile ini(
        "Orphan=before any section\r\n"
        "; comment\r\n"
        "[Settings]\r\n"
        "Broker=b1\r\n"
        "  UserId  = spaced \t\r\n"
        "INSTALLDIR = /opt/q\r\n"
        "Path=C:\\new\\xab\r\n"
        "Quoted = \" kept \" \r\n"
        "Half=\"half\r\n"
        "# Pswd=commented out\r\n"
        "junk line\r\n"
        "Broker=second wins not\r\n"
        "Empty=\r\n"
        "[ toplist ]\n"
        "columncount=3\n"
        "[Other]\n"
        "Broker=other section\n"
        "[settings]\n"
        "Late=from a second block\n");
    struct Row {
        const char* section;
        const char* key;
        std::optional<std::string> value;
    } rows[] = {
        {"Settings", "Broker", "b1"},
        {"SETTINGS", "broker", "b1"},
        {"Settings", "UserId", "spaced"},
        {"Settings", "InstallDir", "/opt/q"},
        {"Settings", "Path", "C:\\new\\xab"},
        {"Settings", "Quoted", " kept "},
        {"Settings", "Half", "\"half"},
        {"Settings", "Pswd", std::nullopt},
        {"Settings", "Empty", ""},
        {"Settings", "Orphan", std::nullopt},
        {"TopList", "ColumnCount", "3"},
        {"Other", "Broker", "other section"},
        {"Settings", "Late", "from a second block"},
        {"Missing", "Broker", std::nullopt},
    };
    for (const Row& r : rows) EXPECT_EQ(ini.Get(r.section, r.key), r.value) << r.key;
}

TEST(IniFileFormat, SetKeepsEverythingElse) {
    qv::IniFile ini("; keep me\n[Settings]\nBroker = old\nUserId=u\n\n[TopList]\nColumnCount=1\n");
    EXPECT_TRUE(ini.Set("settings", "BROKER", "new"));
    EXPECT_TRUE(ini.Set("Settings", "Added", " v "));
    EXPECT_TRUE(ini.Set("FSTATUS", "ReturnCode", "100"));
    EXPECT_FALSE(ini.Set("Settings", "UserId", "two\nlines"));
    EXPECT_EQ(ini.Serialize(),
              "; keep me\n[Settings]\nBroker =new\nUserId=u\nAdded=\" v \"\n\n[TopList]\n"
              "ColumnCount=1\n\n[FSTATUS]\nReturnCode=100\n");
}

// Values are stored as they are: what is written is what is read, backslashes included, and
// the file holds the text itself.
TEST(IniFileFormat, ValuesAreStoredAsTheyAre) {
    struct Row {
        std::string value;
        std::string written;  // the text after "Key="
    } const rows[] = {
        {"C:\\new\\xab", "C:\\new\\xab"},
        {"-vp \\newproj", "-vp \\newproj"},
        {qv::kDefaultKcoFmt, qv::kDefaultKcoFmt},
        {"\\\\server\\share\\", "\\\\server\\share\\"},
        {"\\x41\\n\\r\\\\", "\\x41\\n\\r\\\\"},
        {"tab\tinside", "tab\tinside"},
        {"", ""},
        {" leading", "\" leading\""},
        {qv::kDefaultKcoFmtWithPackage, std::string("\"") + qv::kDefaultKcoFmtWithPackage + "\""},
        {"\"both\"", "\"\"both\"\""},
        {"\"", "\""},
        {"\"open", "\"open"},
        {"=;[#]", "=;[#]"},
    };
    for (const Row& r : rows) {
        qv::IniFile ini;
        ASSERT_TRUE(ini.Set("S", "Key", r.value)) << r.value;
        EXPECT_EQ(ini.Serialize(), "[S]\nKey=" + r.written + "\n") << r.value;
        EXPECT_EQ(qv::IniFile(ini.Serialize()).Get("S", "Key"), r.value) << r.value;
    }
}

TEST_F(SettingsTest, StoreFollowsTheSwitch) {
    EXPECT_EQ(qv::SettingsFilePath(), home_ / "config/Quorvel.INI");
    ASSERT_TRUE(qvtest::WriteFile(home_ / "config/Quorvel.INI",
                                  "; supplied by the installation\r\n[Settings]\r\n"
                                  "INSTALLDIR = /opt/q\r\n"));
    EXPECT_EQ(qv::ReadSettingText("Settings", "INSTALLDIR"), "/opt/q");
    EXPECT_TRUE(qv::WriteSettingText("Settings", "INSTALLDIR", "/profile/dir"));
    qv::SwitchToRegistry("Orvane");
    EXPECT_EQ(qv::SettingsFilePath(), home_ / "config/Orvane/Quorvel.ini");
    EXPECT_EQ(qv::ReadSettingText("Settings", "INSTALLDIR", "dflt"), "dflt");
    EXPECT_TRUE(qv::WriteSettingText("Settings", "INSTALLDIR", "/registry/dir"));
    EXPECT_EQ(qv::ReadSettingText("Settings", "INSTALLDIR"), "/registry/dir");
    qv::SwitchToProfile();
    EXPECT_EQ(qv::ReadSettingText("Settings", "INSTALLDIR"), "/profile/dir");
    EXPECT_EQ(ReadFile(RegistryFile()), "[Settings]\nINSTALLDIR=/registry/dir\n");
}

TEST_F(SettingsTest, IntegersReadWithDefaults) {
    qv::SwitchToRegistry("Orvane");
    ASSERT_TRUE(qvtest::WriteFile(RegistryFile(),
                                  "[TopList]\nA=42\nB=-7\nC=abc\nD=99999999999\nE=\nF= 12px\n"));
    struct Row {
        const char* key;
        int value;
    } rows[] = {{"A", 42}, {"B", -7}, {"C", 45}, {"D", 45}, {"E", 45}, {"F", 12}, {"Absent", 45}};
    for (const Row& r : rows) EXPECT_EQ(qv::ReadSettingInt("TopList", r.key, 45), r.value) << r.key;
    EXPECT_TRUE(qv::WriteSettingInt("TopList", "A", -2147483647 - 1));
    EXPECT_EQ(qv::ReadSettingInt("TopList", "A", 0), -2147483647 - 1);
}

TEST_F(SettingsTest, WrittenPrivatelyAndCompletely) {
    qv::SwitchToRegistry("Orvane");
    ASSERT_TRUE(qv::WriteSettingText("Settings", "Pswd", "secret"));
    EXPECT_EQ(FileMode(RegistryFile()), 0600u);
    EXPECT_EQ(FileMode(home_ / "config/Orvane"), 0700u);
    // A file made readable by others gets private again with the next write.
    ASSERT_EQ(chmod(RegistryFile().c_str(), 0644), 0);
    ASSERT_TRUE(qv::WriteSettingText("Settings", "Broker", "b"));
    EXPECT_EQ(FileMode(RegistryFile()), 0600u);
    EXPECT_EQ(DirEntries(home_ / "config/Orvane"), std::vector<std::string>{"Quorvel.ini"});
}

TEST_F(SettingsTest, FailedWriteLeavesNoTraces) {
    // The company directory cannot be created where a file stands.
    ASSERT_TRUE(qvtest::WriteFile(home_ / "config/Orvane", "a file"));
    qv::SwitchToRegistry("Orvane");
    EXPECT_FALSE(qv::WriteSettingText("Settings", "Broker", "b"));
    EXPECT_EQ(qv::ReadSettingText("Settings", "Broker", "none"), "none");
    EXPECT_EQ(DirEntries(home_ / "config"), std::vector<std::string>{"Orvane"});
    EXPECT_FALSE(qv::WriteFileAtomically(home_ / "missing/x.ini", "x", 0600));
    EXPECT_FALSE(qvtest::FileExists(home_ / "missing"));
}

TEST_F(SettingsTest, StoreThatCannotBeReadIsNotReplaced) {
    qv::SwitchToRegistry("Orvane");
    ASSERT_TRUE(qv::WriteSettingText("Settings", "INSTALLDIR", "/opt/q"));
    const std::string contents = ReadFile(RegistryFile());
    struct Case {
        const char* name;
        bool (*spoil)(const std::string& path);  // false: not possible here
        void (*mend)(const std::string& path);
    } const cases[] = {
        {"no read permission",
         [](const std::string& p) { return geteuid() != 0 && chmod(p.c_str(), 0) == 0; },
         [](const std::string& p) { chmod(p.c_str(), 0600); }},
        {"a link that cannot be followed",
         [](const std::string& p) {
             return rename(p.c_str(), (p + ".kept").c_str()) == 0 &&
                    symlink(p.c_str(), p.c_str()) == 0;
         },
         [](const std::string& p) {
             unlink(p.c_str());
             rename((p + ".kept").c_str(), p.c_str());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.spoil(RegistryFile())) continue;
        EXPECT_FALSE(qv::WriteSettingText("Settings", "SearchTopText", "x"));
        c.mend(RegistryFile());
        EXPECT_EQ(ReadFile(RegistryFile()), contents);
    }
}

// A file another program owns (the status file) keeps every line's end, its other sections and
// its mode.
TEST_F(SettingsTest, IniFileKeepsEveryLineEndAndItsMode) {
    const std::string status = home_ / "FSTATUS.INI";
    struct Row {
        const char* name;
        std::string before, after;
    } const rows[] = {
        {"CR LF throughout", "[Caller]\r\nJob=7\r\n[FSTATUS]\r\nReturnCode=100\r\n",
         "[Caller]\r\nJob=7\r\n[FSTATUS]\r\nReturnCode=200\r\n"},
        {"LF throughout", "[Caller]\nJob=7\n[FSTATUS]\nReturnCode=100\n",
         "[Caller]\nJob=7\n[FSTATUS]\nReturnCode=200\n"},
        {"mixed", "[Caller]\r\nJob=7\n[FSTATUS]\nReturnCode=100\r\n",
         "[Caller]\r\nJob=7\n[FSTATUS]\nReturnCode=200\r\n"},
        {"new section takes the first line's end", "[Caller]\r\nJob=7\r\n",
         "[Caller]\r\nJob=7\r\n\r\n[FSTATUS]\r\nReturnCode=200\r\n"},
        {"new key takes the first line's end", "[FSTATUS]\r\nOther=1\n",
         "[FSTATUS]\r\nOther=1\nReturnCode=200\r\n"},
        {"no end on the last line", "[FSTATUS]\r\nReturnCode=100", "[FSTATUS]\r\nReturnCode=200\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(qvtest::WriteFile(status, r.before));
        ASSERT_EQ(chmod(status.c_str(), 0640), 0);
        EXPECT_TRUE(qv::WriteIniText(status, "FSTATUS", "ReturnCode", "200"));
        EXPECT_EQ(ReadFile(status), r.after);
        EXPECT_EQ(FileMode(status), 0640u);
    }
}

TEST_F(SettingsTest, LineBreaksAreRefusedAndTheOtherValuesStored) {
    qv::SwitchToRegistry("Orvane");
    ASSERT_TRUE(qv::WriteSettingText("Settings", "Broker", "kept"));
    for (const char* value : {"two\nlines", "cr\r", "\r\n", "\n"}) {
        EXPECT_FALSE(qv::WriteSettingText("Settings", "Broker", value));
        EXPECT_EQ(qv::ReadSettingText("Settings", "Broker"), "kept");
    }
    qv::SettingsBatch batch;
    batch.WriteText("Settings", "UserId", "u");
    batch.WriteText("Settings", "Broker", "a\nb");
    batch.WriteText("Settings", "SrcProject", "C:\\new\\xab");
    EXPECT_FALSE(batch.Commit());
    EXPECT_EQ(qv::ReadSettingText("Settings", "UserId"), "u");
    EXPECT_EQ(qv::ReadSettingText("Settings", "Broker"), "kept");
    EXPECT_EQ(qv::ReadSettingText("Settings", "SrcProject"), "C:\\new\\xab");
}

// A settings file managed elsewhere (a link into a dotfiles directory) stays a link; its target
// is replaced atomically in its own directory.
TEST_F(SettingsTest, WritesThroughSymbolicLinks) {
    struct Case {
        const char* name;
        std::string linkText;  // what the link holds; relative to the link's directory or not
        std::string target;
        bool targetExists;
    } const cases[] = {
        {"absolute", home_ / "dotfiles/Quorvel.ini", home_ / "dotfiles/Quorvel.ini", true},
        {"relative", "../../dotfiles/rel.ini", home_ / "dotfiles/rel.ini", true},
        {"target not there yet", home_ / "dotfiles/new.ini", home_ / "dotfiles/new.ini", false},
    };
    qv::SwitchToRegistry("Orvane");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(home_ / "config");
        std::filesystem::create_directories(home_ / "config/Orvane");
        std::filesystem::create_directories(home_ / "dotfiles");
        if (c.targetExists) {
            ASSERT_TRUE(qvtest::WriteFile(c.target, "[Settings]\r\nBroker=old\r\n"));
        }
        ASSERT_EQ(symlink(c.linkText.c_str(), RegistryFile().c_str()), 0);
        ASSERT_TRUE(qv::WriteSettingText("Settings", "Broker", "new"));
        struct stat st {};
        ASSERT_EQ(lstat(RegistryFile().c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << "still a link";
        EXPECT_EQ(ReadFile(c.target),
                  c.targetExists ? "[Settings]\r\nBroker=new\r\n" : "[Settings]\nBroker=new\n");
        EXPECT_EQ(qv::ReadSettingText("Settings", "Broker"), "new");
        EXPECT_EQ(FileMode(c.target), 0600u);
        EXPECT_EQ(DirEntries(home_ / "config/Orvane"), std::vector<std::string>{"Quorvel.ini"});
        EXPECT_EQ(DirEntries(home_ / "dotfiles").size(), 1u) << "no temporary file left";
        std::filesystem::remove_all(home_ / "dotfiles");
    }
}

// A program that holds the lock and never lets go delays a write only for a bounded time.
TEST_F(SettingsTest, StuckLockHolderDelaysTheWriteOnlyBriefly) {
    qv::SwitchToRegistry("Orvane");
    ASSERT_TRUE(qv::WriteSettingText("Settings", "Broker", "old"));
    qv::SetTraceFile(home_ / "trace.trc");
    const int previous = qv::SetSettingsLockWait(300);
    const int held = open((home_ / "config/Orvane").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(qv::WriteSettingText("Settings", "Broker", "new"));
    const auto waited = std::chrono::steady_clock::now() - start;
    close(held);
    qv::SetSettingsLockWait(previous);
    qv::SetTraceFile("");
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_EQ(qv::ReadSettingText("Settings", "Broker"), "new");
    const std::string trace = ReadFile(home_ / "trace.trc");
    EXPECT_NE(trace.find("WriteSettings: " + RegistryFile() + " stayed locked for 300 ms"),
              std::string::npos)
        << trace;
}

// ---- The main window's values ----

qv::AppValues Dirs(const std::string& install) {
    qv::AppValues app;
    app.installDir = install;
    app.browseDir = install + "/Temp";
    app.compareDir = install + "/Temp1";
    return app;
}

TEST_F(SettingsTest, FreshUserGetsTheDefaults) {
    qv::SwitchToRegistry("Orvane");
    qv::MainWindowValues v;
    v.Broker = "left over";
    v.CheckoutPackage = "left over";
    qv::LoadSettings(v, Dirs("/data/Quorvel"));
    EXPECT_EQ(v.MergeOption, "Merge Conservatively");
    EXPECT_EQ(v.PlacementOption, "Branch Only");
    EXPECT_EQ(v.LocalPath, "/data/Quorvel");
    EXPECT_EQ(v.BrowseDir, "/data/Quorvel/Temp");
    EXPECT_EQ(v.CompareDir, "/data/Quorvel/Temp1");
    // The default templates, as the tools expect them.
    EXPECT_EQ(
        v.KcoFmt,
        R"(kco -s "%s" -b "%s" -en "%s" -st "%s" -vp \ -br -r -op pc -cp "%s" -usr %s -o kco.log)");
    EXPECT_EQ(v.KsvFmt,
              R"(ksv -b "%s" -en "%s" -st "%s" -vp \ -usr %s -pw %s -iv lv -s "*" -o ksv.log)");
    EXPECT_EQ(qv::kDefaultKcoFmtWithPackage, v.KcoFmt + R"( -p "%s" )");
    EXPECT_EQ(qv::kDefaultKsvFmtWithPackage, v.KsvFmt + R"( -p "%s" )");
    EXPECT_EQ(v.KsqlFmt, "ksql -b %s -usr %s -t -f %s -o %s");
    EXPECT_EQ(v.SqlFmt, "select envobjid from KESENVIRONMENT where ENVIRONMENTNAME = '%s'");
    for (const std::string* s : {&v.Broker, &v.UserId, &v.Password, &v.SrcProject, &v.SrcState,
                                 &v.TgtProject, &v.TgtState, &v.TgtPackage, &v.CheckoutPackage})
        EXPECT_EQ(*s, "");
}

TEST_F(SettingsTest, OnlyNonEmptyStoredTextsReplaceDefaults) {
    qv::SwitchToRegistry("Orvane");
    ASSERT_TRUE(qvtest::WriteFile(RegistryFile(),
                                  "[Settings]\nMergeOption=\nPlacementOption=Trunk Only\n"
                                  "KcoFmt=\nKsvFmt=my ksv \nLocalPath=\nBroker=\n"
                                  "SrcProject=Payroll\n"));
    qv::MainWindowValues v;
    qv::LoadSettings(v, Dirs("/i"));
    EXPECT_EQ(v.MergeOption, qv::kDefaultMergeOption);
    EXPECT_EQ(v.PlacementOption, "Trunk Only");
    EXPECT_EQ(v.KcoFmt, qv::kDefaultKcoFmt);
    EXPECT_EQ(v.KsvFmt, "my ksv") << "blanks around a hand-written value are not part of it";
    EXPECT_EQ(v.LocalPath, "/i");
    EXPECT_EQ(v.Broker, "");
    EXPECT_EQ(v.SrcProject, "Payroll");
}

TEST_F(SettingsTest, DirectoriesLoseOneTrailingSeparator) {
    struct Row {
        std::string stored, loaded;
    } rows[] = {
        {"C:\\Work\\", "C:\\Work"},
        {"C:\\Work\\\\", "C:\\Work\\"},
        {"/home/u/work/", "/home/u/work"},
        {"/home/u/work//", "/home/u/work/"},
        {"/", "/"},
        {"\\", ""},
        {"/srv/x", "/srv/x"},
        {"dir/\\", "dir/"},
    };
    qv::SwitchToRegistry("Orvane");
    for (const Row& r : rows) {
        SCOPED_TRACE(r.stored);
        ASSERT_TRUE(qv::WriteSettingText("Settings", "LocalPath", r.stored));
        qv::AppValues app;
        app.installDir = "/unused";
        app.browseDir = r.stored;
        app.compareDir = r.stored;
        qv::MainWindowValues v;
        qv::LoadSettings(v, app);
        EXPECT_EQ(v.LocalPath, r.loaded);
        EXPECT_EQ(v.BrowseDir, r.loaded);
        EXPECT_EQ(v.CompareDir, r.loaded);
    }
}

TEST(ScramblePassword, Rules) {
    struct Row {
        const char* name;
        std::string clear;
        std::string afterTwice;  // scrambled, then unscrambled
    } rows[] = {
        {"empty", "", ""},
        {"printable", "Secret 1!", "Secret 1!"},
        {"top bit lost", "caf\xE9", std::string("caf") + static_cast<char>(0xE9 & 127)},
        // The first key byte is 22: a control character 22 becomes zero and ends the text.
        {"control char equal to key byte", std::string("\x16") + "abc", ""},
        {"ends at first zero", std::string("ab\0cd", 5), "ab"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string s = r.clear;
        const size_t n1 = qv::ScramblePassword(s);
        EXPECT_EQ(n1, s.size());
        const size_t n2 = qv::ScramblePassword(s);
        EXPECT_EQ(n2, s.size());
        EXPECT_EQ(s, r.afterTwice);
    }
    // Characters from position 80 on stay as they are; the first 80 change.
    std::string longText(90, 'p');
    qv::ScramblePassword(longText);
    EXPECT_EQ(longText.substr(80), std::string(10, 'p'));
    for (size_t i = 0; i < 80; ++i) {
        EXPECT_NE(longText[i], 'p') << i;
        EXPECT_GE(static_cast<unsigned char>(longText[i]), 32u) << i;
    }
}

TEST_F(SettingsTest, PasswordRoundTripsForPrintableAscii) {
    // Every printable character at every position up to the length limit, in memory.
    for (char c = 32; c < 127; ++c) {
        const std::string clear(83, c);
        std::string s = clear;
        qv::ScramblePassword(s);
        ASSERT_EQ(s.size(), 83u) << c;
        qv::ScramblePassword(s);
        ASSERT_EQ(s, clear) << c;
    }
    // Through the store, for a few lengths of mixed characters.
    qv::SwitchToRegistry("Orvane");
    for (size_t length : {0, 1, 2, 40, 79, 80, 81, 83}) {
        for (int start : {0, 50}) {
            std::string password;
            for (size_t i = 0; i < length; ++i)
                password += static_cast<char>(32 + (start + static_cast<int>(i) * 7) % 95);
            qv::MainWindowValues v;
            qv::LoadSettings(v, Dirs("/i"));
            v.Password = password;
            ASSERT_TRUE(qv::SaveSettings(v, {}, Dirs("/i")));
            EXPECT_EQ(v.Password, password) << "the value in memory stays clear";
            if (length > 0) {
                EXPECT_NE(qv::ReadSettingText("Settings", "Pswd"), password);
            }
            qv::MainWindowValues back;
            qv::LoadSettings(back, Dirs("/i"));
            ASSERT_EQ(back.Password, password) << "length " << length;
        }
    }
}

TEST_F(SettingsTest, SaveWritesEveryKeyInOrderAndValuesSurvive) {
    qv::SwitchToRegistry("Orvane");
    qv::MainWindowValues v;
    qv::LoadSettings(v, Dirs("/i"));
    v.MergeOption = "Take Trunk Version";
    v.PlacementOption = "Trunk Only";
    v.UserId = "jdoe";
    v.Password = "pw \"q\" \\";
    v.Broker = "demo";
    v.SrcProject = "Payroll";
    v.SrcState = "DEV";
    v.TgtProject = "Payroll2";
    v.TgtState = "QA";
    v.TgtPackage = "PKG 1";
    v.LocalPath = "/work/checkouts";
    v.KsvFmt = std::string(qv::kDefaultKsvFmtWithPackage);
    v.KcoFmt = "kco -x \"%s\" \\\\server\\share\\ ";
    v.KsqlFmt = " leading and trailing ";
    v.SqlFmt = "select 1 -- 'a'\\n";
    ASSERT_TRUE(qv::SaveSettings(v, {}, Dirs("/install")));

    std::vector<std::string> keys;
    for (const std::string& line : qvtest::Lines(ReadFile(RegistryFile())))
        if (line.find('=') != std::string::npos) keys.push_back(line.substr(0, line.find('=')));
    EXPECT_EQ(keys, (std::vector<std::string>{"INSTALLDIR", "MergeOption", "PlacementOption",
                                              "UserId", "Pswd", "Broker", "SrcProject", "SrcState",
                                              "TgtProject", "TgtState", "TgtPackage", "LocalPath",
                                              "KsvFmt", "KcoFmt", "KsqlFmt", "SqlFmt"}));
    EXPECT_EQ(qv::ReadSettingText("Settings", "INSTALLDIR"), "/install");
    EXPECT_EQ(qv::ReadSettingText("Settings", "MergeOption"), "Take Trunk Version");

    qv::MainWindowValues back;
    qv::LoadSettings(back, Dirs("/install"));
    back.BrowseDir = v.BrowseDir;
    back.CompareDir = v.CompareDir;
    for (auto member : {&qv::MainWindowValues::MergeOption, &qv::MainWindowValues::PlacementOption,
                        &qv::MainWindowValues::UserId, &qv::MainWindowValues::Password,
                        &qv::MainWindowValues::Broker, &qv::MainWindowValues::SrcProject,
                        &qv::MainWindowValues::SrcState, &qv::MainWindowValues::TgtProject,
                        &qv::MainWindowValues::TgtState, &qv::MainWindowValues::TgtPackage,
                        &qv::MainWindowValues::LocalPath, &qv::MainWindowValues::KsvFmt,
                        &qv::MainWindowValues::KcoFmt, &qv::MainWindowValues::KsqlFmt,
                        &qv::MainWindowValues::SqlFmt})
        EXPECT_EQ(back.*member, v.*member);
    EXPECT_EQ(FileMode(RegistryFile()), 0600u);
    EXPECT_EQ(DirEntries(home_ / "config/Orvane"), std::vector<std::string>{"Quorvel.ini"});
}

TEST_F(SettingsTest, ColumnWidthsOnlyWhenThereAreColumns) {
    qv::SwitchToRegistry("Orvane");
    qv::MainWindowValues v;
    qv::LoadSettings(v, Dirs("/i"));
    ASSERT_TRUE(qv::SaveSettings(v, {}, Dirs("/i")));
    EXPECT_EQ(ReadFile(RegistryFile()).find("[TopList]"), std::string::npos);

    const std::vector<int> widths = {175, 250, 60, 60, 60, 200, 120, 70, 80, 120, 80, 120, 0, 0};
    ASSERT_TRUE(qv::SaveSettings(v, widths, Dirs("/i")));
    EXPECT_EQ(qv::ReadSettingInt("TopList", "ColumnCount", 0), 14);
    for (size_t i = 0; i < widths.size(); ++i)
        EXPECT_EQ(qv::ReadSettingInt("TopList", std::to_string(i), 45), widths[i]) << i;
    EXPECT_EQ(qv::ReadSettingInt("TopList", "14", 45), 45);
}

TEST_F(SettingsTest, AValueWithALineBreakFromAHandEditedFileDoesNotStopTheSave) {
    qv::SwitchToRegistry("Orvane");
    ASSERT_TRUE(qvtest::WriteFile(RegistryFile(), "[Settings]\nKcoFmt=kco\r-o x\nBroker=old\n"));
    qv::MainWindowValues v;
    qv::LoadSettings(v, Dirs("/i"));
    ASSERT_EQ(v.KcoFmt, "kco\r-o x");
    v.Broker = "new";
    EXPECT_TRUE(qv::SaveSettings(v, {}, Dirs("/i")));
    qv::MainWindowValues back;
    qv::LoadSettings(back, Dirs("/i"));
    EXPECT_EQ(back.Broker, "new");
    EXPECT_EQ(back.KcoFmt, "kco\r-o x");
}

}  // namespace
