#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/TempEnv.h"
#include "tests/support/ToolRunner.h"
#include "tools/common/Repository.h"
#include "tools/common/Schema.h"

namespace qvtest {
namespace {

using qv::tools::Db;
using qv::tools::Stmt;

long long Count(const std::string& dbPath, const std::string& sql) {
    Db db;
    std::string error;
    if (!db.Open(dbPath, Db::Mode::ReadOnly, error)) return -1;
    Stmt st = db.Prepare(sql, error);
    if (!st || st.Step() != SQLITE_ROW) return -1;
    return st.Int(0);
}

// Every row of the SCM tables, as text, for comparing two repositories.
std::string Dump(const std::string& dbPath) {
    Db db;
    std::string error, out;
    if (!db.Open(dbPath, Db::Mode::ReadOnly, error)) return error;
    for (const std::string& t : qv::tools::ScmTableNames()) {
        Stmt st = db.Prepare("SELECT * FROM " + t + " ORDER BY 1, 2", error);
        while (st && st.Step() == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(st.get()); ++c) out += st.Text(c) + "|";
            out += "\n";
        }
    }
    return out;
}

TEST(KrepoTest, CreateAddUserAndLogIn) {
    TempDir dir;
    const std::string db = dir / "own.db";
    setenv("TESSARK_BROKERS", (dir / "brokers.ini").c_str(), 1);
    ASSERT_EQ(RunTool("krepo", {"create", db}).exitCode, 0);
    EXPECT_NE(RunTool("krepo", {"create", db}).exitCode, 0);  // never over an existing file
    EXPECT_EQ(RunTool("krepo", {"adduser", db, "ann"}, "s3cret pass\n").exitCode, 0);
    EXPECT_NE(RunTool("krepo", {"adduser", db, "bob"}, "\n").exitCode, 0);
    EXPECT_NE(RunTool("krepo", {"adduser", db, "bob"}, "").exitCode, 0);
    EXPECT_NE(RunTool("krepo", {"adduser", dir / "none.db", "bob"}, "pw\n").exitCode, 0);
    ASSERT_EQ(RunTool("krepo", {"broker", "own", db}).exitCode, 0);

    WriteFile(dir / "s.sql", "SELECT USERNAME FROM KESALLUSERS");
    RunTool("ksql", {"-b", "own", "-usr", "ann", "-pw", "s3cret pass", "-t", "-f", dir / "s.sql",
                     "-o", dir / "r.dat"});
    EXPECT_EQ(ReadFile(dir / "r.dat"), "USERNAME\nann\n");
    EXPECT_EQ(ReadFile(db).find("s3cret"), std::string::npos);
    unsetenv("TESSARK_BROKERS");
}

TEST(KrepoTest, DemoIsDeterministicAndScales) {
    TempDir dir;
    ToolResult a = RunTool("krepo", {"demo", dir / "a.db"});
    ASSERT_EQ(a.exitCode, 0) << a.err;
    EXPECT_NE(a.out.find("KESVERSIONS"), std::string::npos) << a.out;
    ASSERT_EQ(RunTool("krepo", {"demo", dir / "b.db"}).exitCode, 0);
    EXPECT_EQ(Dump(dir / "a.db"), Dump(dir / "b.db"));
    EXPECT_NE(RunTool("krepo", {"demo", dir / "a.db"}).exitCode, 0);  // not twice

    ASSERT_EQ(RunTool("krepo", {"demo", dir / "big.db", "--size", "3000", "--no-indexes"}).exitCode,
              0);
    const std::string big = dir / "big.db";
    long long items = Count(big, "SELECT COUNT(DISTINCT ITEMOBJID) FROM KESVERSIONS");
    EXPECT_GE(items, 3000);
    EXPECT_LE(items, 3001);
    EXPECT_EQ(Count(big,
                    "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name "
                    "LIKE 'KES%'"),
              0);
    ASSERT_EQ(RunTool("krepo", {"indexes", big, "create"}).exitCode, 0);
    EXPECT_GT(Count(big,
                    "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name "
                    "LIKE 'KES%'"),
              5);
    EXPECT_EQ(RunTool("krepo", {"stats", big}).exitCode, 0);
}

TEST(KrepoTest, DemoDataIsConsistent) {
    TempDir dir;
    ASSERT_EQ(RunTool("krepo", {"demo", dir / "d.db", "--size", "500"}).exitCode, 0);
    const std::string db = dir / "d.db";
    struct Case {
        const char* what;
        const char* sql;
        long long expected;
    } const cases[] = {
        {"versions without content",
         "SELECT COUNT(*) FROM KESVERSIONS V LEFT JOIN TKFILEDATA F ON F.VERSIONDATAOBJID = "
         "V.VERSIONDATAOBJID WHERE F.VERSIONDATAOBJID IS NULL",
         0},
        {"sizes that do not match the content",
         "SELECT COUNT(*) FROM KESVERSIONDATA D JOIN TKFILEDATA F USING (VERSIONDATAOBJID) "
         "WHERE D.DATASIZE != length(F.CONTENT)",
         0},
        {"versions without name, path, package, users",
         "SELECT COUNT(*) FROM KESVERSIONS V LEFT JOIN KESITEMNAME N ON N.NAMEOBJID = "
         "V.ITEMNAMEID LEFT JOIN KESPATHFULLNAME F ON F.VERSIONOBJID = V.PATHVERSIONID LEFT "
         "JOIN KESPACKAGE P ON P.PACKAGEOBJID = V.PACKAGEOBJID LEFT JOIN KESALLUSERS C ON "
         "C.USROBJID = V.CREATORID LEFT JOIN KESALLUSERS M ON M.USROBJID = V.MODIFIERID WHERE "
         "N.NAMEOBJID IS NULL OR F.VERSIONOBJID IS NULL OR P.PACKAGEOBJID IS NULL OR "
         "C.USROBJID IS NULL OR M.USROBJID IS NULL",
         0},
        {"versions outside every view",
         "SELECT COUNT(*) FROM KESVERSIONS V WHERE NOT EXISTS (SELECT 1 FROM KESVERSIONINVIEW "
         "I WHERE I.VERSIONOBJID = V.VERSIONOBJID)",
         0},
        {"branch flags",
         "SELECT COUNT(*) FROM KESVERSIONS WHERE INBRANCH != (MAPPEDVERSION LIKE '%.%')", 0},
        {"first branch versions without their parent",
         "SELECT COUNT(*) FROM KESVERSIONS V WHERE V.MAPPEDVERSION LIKE '_%.%.1' AND "
         "V.MAPPEDVERSION NOT LIKE 'x%' AND NOT EXISTS (SELECT 1 FROM KESVERSIONS P WHERE "
         "P.VERSIONOBJID = V.PARENTVERSIONID AND P.ITEMOBJID = V.ITEMOBJID)",
         0},
        {"upper-case names",
         "SELECT COUNT(*) FROM KESITEMNAME WHERE ITEMNAMEUPPER != upper(ITEMNAME)", 0},
        {"projects", "SELECT COUNT(*) FROM KESENVIRONMENT", 3},
        {"the demo user", "SELECT COUNT(*) FROM TKCREDENTIALS WHERE USERNAME = 'demo'", 1},
        {"reserve tags in the source outside QA",
         "SELECT COUNT(*) FROM KESVERSIONS V JOIN KESPACKAGE P USING (PACKAGEOBJID) WHERE "
         "V.VERSIONSTATUS = 'R' AND P.PACKAGENAME LIKE 'PAY%' AND P.PACKAGENAME != 'PAY0003'",
         0},
    };
    for (const Case& c : cases) EXPECT_EQ(Count(db, c.sql), c.expected) << c.what;
    for (const char* tag : {"R", "M", "D", "N"}) {
        EXPECT_GT(
            Count(db, std::string("SELECT COUNT(*) FROM KESVERSIONS WHERE VERSIONSTATUS = '") +
                          tag + "'"),
            0)
            << tag;
    }
}

TEST(KrepoTest, NewRepositoriesAreReadableByTheirOwnerOrAGroupOnly) {
    TempDir dir;
    const mode_t old = umask(0);  // the mode must not depend on the umask
    struct group* g = getgrgid(getgid());
    ASSERT_NE(g, nullptr);
    const std::string ownGroup = g->gr_name;
    struct Case {
        std::vector<std::string> args;
        mode_t mode;
    } const cases[] = {
        {{"create", dir / "c.db"}, 0600},
        {{"create", dir / "g.db", "--group", ownGroup}, 0640},
        {{"demo", dir / "d.db"}, 0600},
        {{"demo", dir / "dg.db", "--group", ownGroup}, 0640},
    };
    for (const Case& c : cases) {
        ToolResult r = RunTool("krepo", c.args);
        ASSERT_EQ(r.exitCode, 0) << c.args[1] << ": " << r.err;
        struct stat st;
        ASSERT_EQ(stat(c.args[1].c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode) << c.args[1];
    }
    ToolResult r = RunTool("krepo", {"create", dir / "x.db", "--group", "no-such-group-qv"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_FALSE(FileExists(dir / "x.db"));
    umask(old);
}

TEST(KrepoTest, DemoJoinsTheUsersAndTheIdsTheRepositoryAlreadyHas) {
    TempDir dir;
    const std::string db = dir / "u.db";
    ASSERT_EQ(RunTool("krepo", {"create", db}).exitCode, 0);
    ASSERT_EQ(RunTool("krepo", {"adduser", db, "alice"}, "pw\n").exitCode, 0);
    ASSERT_EQ(RunTool("krepo", {"adduser", db, "zed"}, "pw\n").exitCode, 0);
    const long long alice = Count(db, "SELECT USROBJID FROM KESALLUSERS WHERE USERNAME = 'alice'");
    const long long zed = Count(db, "SELECT USROBJID FROM KESALLUSERS WHERE USERNAME = 'zed'");
    ToolResult r = RunTool("krepo", {"demo", db});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    struct Case {
        const char* what;
        std::string sql;
        long long expected;
    } const cases[] = {
        {"alice keeps her id", "SELECT USROBJID FROM KESALLUSERS WHERE USERNAME = 'alice'", alice},
        {"one alice", "SELECT COUNT(*) FROM KESALLUSERS WHERE USERNAME = 'alice'", 1},
        {"the demo's users and zed", "SELECT COUNT(*) FROM KESALLUSERS", 6},
        {"no object below the sequence",
         "SELECT COUNT(*) FROM KESENVIRONMENT WHERE ENVOBJID <= " + std::to_string(zed), 0},
        {"no id twice",
         "SELECT COUNT(*) FROM (SELECT USROBJID AS ID FROM KESALLUSERS UNION ALL SELECT "
         "ENVOBJID FROM KESENVIRONMENT UNION ALL SELECT VERSIONOBJID FROM KESVERSIONS) "
         "GROUP BY ID HAVING COUNT(*) > 1",
         -1},
        {"the sequence follows the demo",
         "SELECT (SELECT CAST(VALUE AS INTEGER) FROM TKMETA WHERE KEY = 'nextobjid') > "
         "(SELECT MAX(VERSIONOBJID) FROM KESVERSIONS)",
         1},
    };
    for (const Case& c : cases) EXPECT_EQ(Count(db, c.sql), c.expected) << c.what;
    WriteFile(dir / "s.sql", "SELECT COUNT(*) AS N FROM KESENVIRONMENT");
    setenv("TESSARK_BROKERS", (dir / "brokers.ini").c_str(), 1);
    ASSERT_EQ(RunTool("krepo", {"broker", "u", db}).exitCode, 0);
    RunTool("ksql", {"-b", "u", "-usr", "zed", "-pw", "pw", "-f", dir / "s.sql", "-o", dir / "r"});
    EXPECT_EQ(ReadFile(dir / "r"), "N\n3\n");
    unsetenv("TESSARK_BROKERS");
}

}  // namespace
}  // namespace qvtest
