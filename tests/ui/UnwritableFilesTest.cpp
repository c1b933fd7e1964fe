// Files the program cannot write, in ways that stop root too: a directory where the file should
// be, a parent path that is a regular file, and a full disk (a file-size limit in a child
// process). Every writer says so clearly and leaves the previous file as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "app/MainSettings.h"
#include "app/Settings.h"
#include "engine/SavedList.h"
#include "engine/TargetData.h"
#include "scm/Ksql.h"
#include "tests/ui/WindowFixture.h"
#include "ui/ExportImport.h"
#include "ui/ReportCtrl.h"

namespace qv {
namespace {

using qvtest::ReadFile;
using qvtest::WriteFile;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// What `run` writes to the standard error, through a pipe (a captured file could not grow in a
// process with a file-size limit).
std::string StderrOf(const std::function<void()>& run) {
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    fflush(stderr);
    const int saved = dup(2);
    dup2(fds[1], 2);
    close(fds[1]);
    run();
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        out.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    return out;
}

class UnwritableFiles : public qvtest::WindowTest {
protected:
    // One writer: the name of its file in a directory, and the write itself, which returns
    // what the user was told (empty: nothing, or the write succeeded).
    struct Writer {
        const char* what;
        const char* name;
        std::function<bool(CQuorvelDlg&, const std::string& dir, std::string& told)> write;
        // Told only in the trace, which names the file but not the reason.
        bool traceOnly = false;
    };

    std::vector<Writer> Writers() {
        auto lastBox = [this](std::string& told) {
            told = host_.boxes.empty() ? std::string() : host_.boxes.back().text;
        };
        return {
            {"statement file", "ksqlstmt.sql",
             [lastBox](CQuorvelDlg&, const std::string& dir, std::string& told) {
                 std::string templ = "true";
                 KsqlContext ctx(templ);
                 ctx.host = &TheHost();
                 ctx.installDir = dir;
                 const bool ok =
                     RunKsql(ctx, "SELECT ITEMNAME FROM KESITEMNAME WHERE NAMEOBJID = 1") !=
                     kKsqlStatementUnwritten;
                 lastBox(told);
                 return ok;
             }},
            {"trace", "Quorvel.trc",
             [](CQuorvelDlg&, const std::string& dir, std::string& told) {
                 const std::string before = TheApp().traceFile;
                 SetTraceFile(dir + "/Quorvel.trc");
                 told = StderrOf([] { WriteTrace("one line of the trace"); });
                 SetTraceFile(before);
                 return told.empty();
             }},
            {"settings", "Quorvel.INI",
             [lastBox](CQuorvelDlg& w, const std::string& dir, std::string& told) {
                 SwitchToProfile();
                 setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
                 const bool ok = w.SaveSettings();
                 lastBox(told);
                 SwitchToRegistry(kCompanyKey);
                 return ok;
             }},
            {"saved list", kSavedListFileName,
             [lastBox](CQuorvelDlg& w, const std::string& dir, std::string& told) {
                 const bool ok =
                     CExportTop(w.ResultList(), "").WriteList(dir + "/" + kSavedListFileName);
                 lastBox(told);
                 return ok;
             }},
            {"export", "export.csv",
             [lastBox](CQuorvelDlg& w, const std::string& dir, std::string& told) {
                 TheHost().QueueFile(dir + "/export.csv");
                 const bool ok = CExportTop(w.ResultList(), "").ExportList(TheHost());
                 lastBox(told);
                 return ok;
             }},
            {"target data file", kTargetDataFileName,
             [this](CQuorvelDlg&, const std::string& dir, std::string& told) {
                 CMapStrToTFObj items;
                 CTFObj r;
                 for (size_t i = 0; i < kTargetQueryColumns; ++i)
                     TargetField(r, i) = "f" + std::to_string(i);
                 items.SetAt(r.itemObjId, r);
                 const std::string path = dir + "/" + kTargetDataFileName;
                 CReportCtrl& list = window_->ResultList();
                 const bool ok = CExportTop(list, "").SaveTargetData(items, "P", "S", path);
                 told.clear();
                 for (const std::string& line : Trace())
                     if (Contains(line, "Unable to write")) told = line;
                 return ok;
             },
             true},
        };
    }

    static HeadlessHost& TheHost() { return *current_; }
    void SetUp() override {
        WindowTest::SetUp();
        current_ = &host_;
        window_ = std::make_unique<CQuorvelDlg>(host_);
        Start(*window_);
        Fill(*window_, {qvtest::MakeRecord("a.cpp", "3 -> 4", "11")});
    }
    void TearDown() override {
        window_.reset();
        WindowTest::TearDown();
    }

    static inline HeadlessHost* current_ = nullptr;
    std::unique_ptr<CQuorvelDlg> window_;
};

TEST_F(UnwritableFiles, ADirectoryInPlaceOrAFileAsParentIsReportedWithItsReason) {
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.what);
        // A directory where the file should be.
        const std::string dir = home_ / (std::string("dir-") + w.name);
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
        ASSERT_EQ(mkdir((dir + "/" + w.name).c_str(), 0755), 0);
        std::string told;
        host_.ClearBoxes();
        EXPECT_FALSE(w.write(*window_, dir, told));
        EXPECT_TRUE(Contains(told, dir + "/" + w.name)) << told;
        struct stat st {};
        EXPECT_TRUE(stat((dir + "/" + w.name).c_str(), &st) == 0 && S_ISDIR(st.st_mode));

        // A parent path that is a regular file.
        const std::string file = home_ / (std::string("file-") + w.name);
        ASSERT_TRUE(WriteFile(file, "kept"));
        host_.ClearBoxes();
        EXPECT_FALSE(w.write(*window_, file + "/sub", told));
        EXPECT_TRUE(Contains(told, file + "/sub/" + w.name)) << told;
        if (!w.traceOnly) {
            EXPECT_TRUE(Contains(told, "Not a directory")) << told;
        }
        EXPECT_EQ(ReadFile(file), "kept");
    }
}

TEST_F(UnwritableFiles, AFullDiskLeavesThePreviousFile) {
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.what);
        const std::string dir = home_ / (std::string("full-") + w.name);
        const std::string path = dir + "/" + w.name;
        const std::string previous = std::string("previous contents of the file\n");
        ASSERT_TRUE(WriteFile(path, previous));
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // No file may grow beyond what the previous one holds.
            signal(SIGXFSZ, SIG_IGN);
            const rlim_t limit = previous.size();
            const rlimit rl{limit, limit};
            setrlimit(RLIMIT_FSIZE, &rl);
            // The trace cannot grow either: a writer told only there is told nothing.
            std::string told;
            const bool ok = w.write(*window_, dir, told);
            _exit(!ok && (w.traceOnly || Contains(told, "File too large")) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        // The statement file is removed before each query; every other file stays.
        if (std::string(w.name) != "ksqlstmt.sql") {
            EXPECT_EQ(ReadFile(path), previous);
        }
    }
}

}  // namespace
}  // namespace qv
