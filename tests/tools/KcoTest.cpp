#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "tests/tools/DemoRepo.h"
#include "tools/common/Repository.h"

namespace qvtest {
namespace {

namespace fs = std::filesystem;
using qv::tools::Db;
using qv::tools::Stmt;

class KcoTest : public ::testing::Test {
protected:
    void SetUp() override {
        client_ = repo_ / "Temp";
        log_ = repo_ / "kco.log";
    }

    // The check-out command as the program fills its template (without package); extra options
    // replace the template's value of the same option or are appended.
    ToolResult Kco(const std::string& item, const std::string& project,
                   const std::vector<std::string>& extra = {},
                   const std::string& password = "demo") {
        std::vector<std::string> args = {
            "-s", item,  "-b", "demo", "-en",   project, "-st",  "DEV", "-vp",    "\\", "-br",
            "-r", "-op", "pc", "-cp",  client_, "-usr",  "demo", "-pw", password, "-o", log_};
        for (size_t i = 0; i < extra.size(); ++i) {
            auto same = std::find(args.begin(), args.end(), extra[i]);
            if (same != args.end() && i + 1 < extra.size() && extra[i + 1][0] != '-') {
                *(same + 1) = extra[++i];
            } else {
                args.push_back(extra[i]);
            }
        }
        unlink(log_.c_str());
        return RunTool("kco", args);
    }

    std::string Log() const { return ReadFile(log_); }

    // Adds an item with one version in package PAY0001 of Payroll straight into the repository.
    void AddItem(const std::string& path, const std::string& name, const std::string& content) {
        Db db;
        std::string error;
        ASSERT_TRUE(db.Open(repo_.db(), Db::Mode::ReadWrite, error)) << error;
        long long id = 900000 + 10 * added_++;
        std::string sql =
            "INSERT INTO KESITEMNAME VALUES (?1, ?2, upper(?2));"
            "INSERT INTO KESPATHFULLNAME VALUES (?1 + 1, ?3);"
            "INSERT INTO KESVERSIONDATA VALUES (?1 + 2, length(?4), length(?4), 1, 32, 1, 0);"
            "INSERT INTO TKFILEDATA VALUES (?1 + 2, ?4);"
            "INSERT INTO KESVERSIONS (VERSIONOBJID, ITEMOBJID, ITEMNAMEID, PATHVERSIONID, "
            "PACKAGEOBJID, VERSIONDATAOBJID, MAPPEDVERSION, CREATORID, CREATIONTIME, MODIFIERID, "
            "MODIFIEDTIME) SELECT ?1 + 3, ?1 + 4, ?1, ?1 + 1, PACKAGEOBJID, ?1 + 2, '1', 1, '', "
            "1, '' FROM KESPACKAGE WHERE PACKAGENAME = 'PAY0001';";
        const char* tail = sql.c_str();
        while (*tail) {
            sqlite3_stmt* raw = nullptr;
            ASSERT_EQ(sqlite3_prepare_v2(db.handle(), tail, -1, &raw, &tail), SQLITE_OK)
                << db.LastError();
            if (!raw) break;
            Stmt st(raw);
            st.Bind(1, static_cast<int64_t>(id)).Bind(2, name).Bind(3, path).Bind(4, content);
            ASSERT_TRUE(st.Run()) << db.LastError();
        }
    }

    DemoRepo repo_;
    std::string client_, log_;
    int added_ = 0;
};

// Items named in any letter case, by version number, by branch version and in other projects;
// the check-outs of the runner's own template are in the end-to-end suite.
TEST_F(KcoTest, ChecksTheSelectedVersionOutReadOnlyBelowTheClientDirectory) {
    struct Case {
        std::string item, project;
        std::vector<std::string> extra;
        std::string local, contains;
    } const cases[] = {
        {"tax.cpp",
         "Payroll",
         {"-p", "PAY0001"},
         "Payroll/src/calc/tax.cpp",
         "version 3, package PAY0001"},
        {"TAX.CPP", "Payroll", {}, "Payroll/src/calc/tax.cpp", "version 3, package PAY0001"},
        {"tax.cpp",
         "PayrollEU",
         {"-vn", "2"},
         "Payroll/src/calc/tax.cpp",
         "version 2, package EU0000"},
        {"report.cpp",
         "PayrollEU",
         {"-p", "EU0001", "-bo", "2.1.2"},
         "Payroll/src/report/report.cpp",
         "version 2.1.2"},
        {"tax.cpp", "Tools", {}, "Tools/src/tax.cpp", "version 2, package TL0001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item + " " + c.project);
        fs::remove_all(client_);
        ToolResult r = Kco(c.item, c.project, c.extra);
        EXPECT_EQ(r.exitCode, 0) << Log();
        const std::string local = client_ + "/" + c.local;
        EXPECT_NE(ReadFile(local).find(c.contains), std::string::npos) << Log();
        struct stat st;
        ASSERT_EQ(stat(local.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0400u);  // the demo repository is its owner's alone
        EXPECT_NE(
            Log().find("Checkout Summary: Total: 1 ; Success: 1 ; Failed: 0 ; Not Processed: 0 ."),
            std::string::npos)
            << Log();
        EXPECT_EQ(Log()[0], 'I') << Log();
        EXPECT_EQ(Log().find("\nE"), std::string::npos) << Log();
    }
}

// Nothing to check out, and errors found before any check-out: an error line and a summary
// that counts nothing. Unknown items, projects and packages and refused logins are in the
// end-to-end suite.
TEST_F(KcoTest, ErrorsGiveAnErrorLineAndCheckNothingOut) {
    struct Case {
        std::string item, project;
        std::vector<std::string> extra;
        std::string contains;
    } const cases[] = {
        {"newscreen.cpp", "PayrollEU", {}, "No version found"},
        {"tax.cpp", "Payroll", {"-vn", "9"}, "No version found"},
        {"tax.cpp", "Payroll", {"-vp", "\\Payroll\\src\\ui"}, "No version found"},
        {"tax.cpp", "Payroll", {"-p", "EU0001"}, "Package 'EU0001' not found"},
        {"tax.cpp", "Payroll", {"-op", "xx"}, "unsupported -op"},
        {"tax.cpp", "Payroll", {"-vn", "1", "-bo", "1.1.1"}, "together"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contains);
        ToolResult r = Kco(c.item, c.project, c.extra);
        EXPECT_NE(r.exitCode, 0);
        const std::string log = Log();
        const size_t at = log.find(c.contains);
        ASSERT_NE(at, std::string::npos) << log;
        const size_t lineStart = log.rfind('\n', at);
        EXPECT_EQ(log[lineStart == std::string::npos ? 0 : lineStart + 1], 'E') << log;
        EXPECT_NE(log.find("Checkout Summary: Total: 0 ;"), std::string::npos) << log;
    }
    EXPECT_FALSE(FileExists(client_ + "/Payroll"));
}

TEST_F(KcoTest, AWritableLocalFileIsReplacedAndReported) {
    const std::string local = client_ + "/Payroll/src/calc/tax.cpp";
    ASSERT_TRUE(WriteFile(local, "my own edits"));
    chmod(local.c_str(), 0644);
    ToolResult r = Kco("tax.cpp", "Payroll");
    EXPECT_EQ(r.exitCode, 0);
    std::string log = Log();
    size_t at = log.find("the file is writable");
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_EQ(log[log.rfind('\n', at) + 1], 'E') << log;
    EXPECT_NE(log.find("Success: 1 ; Failed: 0"), std::string::npos) << log;
    EXPECT_NE(ReadFile(local).find("version 3"), std::string::npos);

    // A read-only copy from an earlier check-out is replaced without a word.
    Kco("tax.cpp", "Payroll");
    EXPECT_EQ(Log().find("writable"), std::string::npos) << Log();
}

TEST_F(KcoTest, AllItemsWithAPatternSkipDeletedVersions) {
    ToolResult r = Kco("*", "Payroll", {"-p", "PAY0001"});
    EXPECT_EQ(r.exitCode, 0) << Log();
    std::string log = Log();
    EXPECT_NE(log.find("Total: 25 ; Success: 24 ; Failed: 0 ; Not Processed: 1 ."),
              std::string::npos)
        << log;
    EXPECT_TRUE(fs::is_directory(client_ + "/Payroll/src/calc"));
    EXPECT_FALSE(FileExists(client_ + "/Payroll/src/calc/obsolete.cpp"));

    Kco("*.h", "PayrollEU", {"-vp", "\\Payroll\\include"});
    EXPECT_NE(Log().find("Total: 2 ; Success: 2"), std::string::npos) << Log();
}

TEST_F(KcoTest, HostileRepositoryPathsAndNamesNeverLeaveTheClientDirectory) {
    struct Case {
        std::string path, name;
    } const cases[] = {
        {"\\..\\..\\escape", "a.txt"},
        {"\\Payroll\\..\\..\\escape", "b.txt"},
        {"..", "c.txt"},
        {"\\Payroll\\.\\x", "d.txt"},
        {"\\\\server\\share", "e.txt"},
        {"C:\\Windows", "f.txt"},
        {"\\Payroll\\\\x", "g.txt"},
        {"\\Payroll\\x\\", "h.txt"},
        {"/../escape", "i.txt"},
        {"\\Payroll\\...", "j.txt"},
        {"\\Payroll", "../k.txt"},
        {"\\Payroll", "..\\l.txt"},
        {"\\Payroll", ".."},
        {"\\Payroll", ""},
        {"\\Payroll", "m/n.txt"},
        {"\\Pay\nroll", "o.txt"},
    };
    fs::create_directories(client_);
    for (const Case& c : cases) AddItem(c.path, c.name, "hostile");
    ToolResult r = Kco("*", "Payroll", {"-p", "PAY0001"});
    EXPECT_NE(r.exitCode, 0);
    std::string log = Log();
    size_t refusals = 0;
    for (size_t at = log.find("\nE0020 Refused"); at != std::string::npos;
         at = log.find("\nE0020 Refused", at + 1))
        ++refusals;
    EXPECT_EQ(refusals, std::size(cases)) << log;
    EXPECT_NE(log.find("Failed: " + std::to_string(std::size(cases)) + " ;"), std::string::npos)
        << log;
    // Nothing was written next to or above the client directory.
    for (const auto& entry : fs::directory_iterator(repo_.dir())) {
        std::string n = entry.path().filename();
        EXPECT_TRUE(n == "Temp" || n == "demo.db" || n == "brokers.ini" || n == "kco.log" ||
                    n.rfind("demo.db", 0) == 0)
            << n;
    }
    for (const auto& entry : fs::recursive_directory_iterator(client_)) {
        std::string p = entry.path().string();
        EXPECT_EQ(p.find("escape"), std::string::npos) << p;
        EXPECT_EQ(p.find("hostile"), std::string::npos) << p;
        if (entry.is_regular_file()) {
            EXPECT_NE(ReadFile(p), "hostile") << p;
        }
    }
}

TEST_F(KcoTest, SymbolicLinksBelowTheClientDirectoryAreNotFollowed) {
    TempDir outside;
    fs::create_directories(client_);
    // A directory of the repository path that is a link to elsewhere.
    fs::create_directory_symlink(outside.path(), client_ + "/Payroll");
    ToolResult r = Kco("tax.cpp", "Payroll");
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(Log().find("\nE0020 Refused"), std::string::npos) << Log();
    EXPECT_TRUE(fs::is_empty(outside.path()));

    // The file itself is a link to a file elsewhere.
    fs::remove(client_ + "/Payroll");
    fs::create_directories(client_ + "/Payroll/src/calc");
    WriteFile(outside / "target.txt", "precious");
    fs::create_symlink(outside / "target.txt", client_ + "/Payroll/src/calc/tax.cpp");
    r = Kco("tax.cpp", "Payroll");
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(Log().find("symbolic link"), std::string::npos) << Log();
    EXPECT_EQ(ReadFile(outside / "target.txt"), "precious");
    EXPECT_TRUE(fs::is_symlink(client_ + "/Payroll/src/calc/tax.cpp"));

    // The client directory itself may be a link: it is the user's choice.
    TempDir real;
    fs::remove_all(client_);
    fs::create_directory_symlink(real.path(), client_);
    r = Kco("tax.cpp", "Payroll");
    EXPECT_EQ(r.exitCode, 0) << Log();
    EXPECT_TRUE(FileExists(real / "Payroll/src/calc/tax.cpp"));
}

}  // namespace
}  // namespace qvtest
