#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/tools/DemoRepo.h"

namespace qvtest {
namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 07777;
}

// The result file, the check-out log, the directories and the copies hold repository data: the
// user's alone unless the repository is shared with a group, and then as the umask allows.
TEST(ToolFileModesTest, WorkFilesFollowTheRepositorysSharing) {
    DemoRepo repo;
    WriteFile(repo / "stmt.sql", "SELECT 1 AS one");
    struct Case {
        mode_t repository, umask, result, copy, dir;
    } const cases[] = {
        {0600, 022, 0600, 0400, 0700}, {0600, 0, 0600, 0400, 0700},   {0640, 022, 0644, 0444, 0755},
        {0640, 027, 0640, 0440, 0750}, {0640, 077, 0600, 0400, 0700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.repository) + " " + std::to_string(c.umask));
        ASSERT_EQ(chmod(repo.db().c_str(), c.repository), 0);
        const mode_t old = umask(c.umask);
        const std::string out = repo / "out.dat", log = repo / "kco.log", client = repo / "co";
        std::filesystem::remove_all(client);
        unlink(out.c_str());
        unlink(log.c_str());
        ToolResult q = RunTool("ksql", {"-b", "demo", "-usr", "demo", "-pw", "demo", "-f",
                                        repo / "stmt.sql", "-o", out});
        ToolResult k =
            RunTool("kco", {"-s",   "tax.cpp", "-b",  "demo", "-en", "Payroll", "-st", "DEV",
                            "-vp",  "\\",      "-br", "-r",   "-op", "pc",      "-cp", client,
                            "-usr", "demo",    "-pw", "demo", "-o",  log});
        umask(old);
        EXPECT_EQ(q.exitCode, 0) << ReadFile(out);
        EXPECT_EQ(k.exitCode, 0) << ReadFile(log);
        EXPECT_EQ(ModeOf(out), c.result);
        EXPECT_EQ(ModeOf(log), c.result);
        EXPECT_EQ(ModeOf(client), c.dir);
        EXPECT_EQ(ModeOf(client + "/Payroll"), c.dir);
        EXPECT_EQ(ModeOf(client + "/Payroll/src/calc/tax.cpp"), c.copy);
    }
}

// A result file the user made narrower than the repository's sharing allows stays that narrow.
TEST(ToolFileModesTest, AReplacedResultFileIsNeverWidened) {
    DemoRepo repo;
    ASSERT_EQ(chmod(repo.db().c_str(), 0640), 0);
    const mode_t old = umask(022);
    WriteFile(repo / "stmt.sql", "SELECT 1 AS one");
    WriteFile(repo / "out.dat", "old");
    ASSERT_EQ(chmod((repo / "out.dat").c_str(), 0600), 0);
    ToolResult q = RunTool("ksql", {"-b", "demo", "-usr", "demo", "-pw", "demo", "-f",
                                    repo / "stmt.sql", "-o", repo / "out.dat"});
    umask(old);
    EXPECT_EQ(q.exitCode, 0);
    EXPECT_EQ(ReadFile(repo / "out.dat"), "ONE\n1\n");
    EXPECT_EQ(ModeOf(repo / "out.dat"), 0600u);
}

}  // namespace
}  // namespace qvtest
