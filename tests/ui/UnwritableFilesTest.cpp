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
    // Where a writer tells the user of a failure: a message box, the standard error (the trace
    // itself), or only the trace, which names the file but not the reason.
    enum Told { kBox, kStderr, kTraceOnly };
    // One writer: the name of its file in a directory, and the write itself.
    struct Writer {
        const char* what;
        const char* name;
        std::function<bool(const std::string& dir)> write;
        Told told = kBox;
    };

    std::vector<Writer> Writers() {
        CQuorvelDlg& w = *window_;
        return {
            {"statement file", "ksqlstmt.sql",
             [this](const std::string& dir) {
                 std::string templ = "true";
                 KsqlContext ctx(templ);
                 ctx.host = &host_;
                 ctx.installDir = dir;
                 return RunKsql(ctx, "SELECT ITEMNAME FROM KESITEMNAME WHERE NAMEOBJID = 1") !=
                        kKsqlStatementUnwritten;
             }},
            {"trace", "Quorvel.trc",
             [](const std::string& dir) {
                 const std::string before = TheApp().traceFile;
                 SetTraceFile(dir + "/Quorvel.trc");
                 WriteTrace("one line of the trace");
                 SetTraceFile(before);
                 return true;
             },
             kStderr},
            {"settings", "Quorvel.INI",
             [&w](const std::string& dir) {
                 SwitchToProfile();
                 setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
                 const bool ok = w.SaveSettings();
                 SwitchToRegistry(kCompanyKey);
                 return ok;
             }},
            {"saved list", kSavedListFileName,
             [&w](const std::string& dir) {
                 return CExportTop(w.ResultList(), "").WriteList(dir + "/" + kSavedListFileName);
             }},
            {"export", "export.csv",
             [this, &w](const std::string& dir) {
                 host_.QueueFile(dir + "/export.csv");
                 return CExportTop(w.ResultList(), "").ExportList(host_);
             }},
            {"target data file", kTargetDataFileName,
             [&w](const std::string& dir) {
                 CMapStrToTFObj items;
                 CTFObj r;
                 for (size_t i = 0; i < kTargetQueryColumns; ++i)
                     TargetField(r, i) = "f" + std::to_string(i);
                 items.SetAt(r.itemObjId, r);
                 const std::string path = dir + "/" + kTargetDataFileName;
                 return CExportTop(w.ResultList(), "").SaveTargetData(items, "P", "S", path);
             },
             kTraceOnly},
        };
    }
    // Runs the writer into `dir`: whether it wrote, and what the user was told (empty: nothing).
    bool Write(const Writer& w, const std::string& dir, std::string& told) {
        host_.ClearBoxes();
        bool ok = false;
        if (w.told == kStderr) {
            told = StderrOf([&] { ok = w.write(dir); });
            return ok && told.empty();
        }
        ok = w.write(dir);
        told.clear();
        if (w.told == kBox && !host_.boxes.empty()) told = host_.boxes.back().text;
        if (w.told == kTraceOnly)
            for (const std::string& line : Trace())
                if (Contains(line, "Unable to write")) told = line;
        return ok;
    }

    void SetUp() override {
        WindowTest::SetUp();
        window_ = std::make_unique<CQuorvelDlg>(host_);
        Start(*window_);
        Fill(*window_, {qvtest::MakeRecord("a.cpp", "3 -> 4", "11")});
    }
    void TearDown() override {
        window_.reset();
        WindowTest::TearDown();
    }

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
        EXPECT_FALSE(Write(w, dir, told));
        EXPECT_TRUE(Contains(told, dir + "/" + w.name)) << told;
        struct stat st {};
        EXPECT_TRUE(stat((dir + "/" + w.name).c_str(), &st) == 0 && S_ISDIR(st.st_mode));

        // A parent path that is a regular file.
        const std::string file = home_ / (std::string("file-") + w.name);
        ASSERT_TRUE(WriteFile(file, "kept"));
        EXPECT_FALSE(Write(w, file + "/sub", told));
        EXPECT_TRUE(Contains(told, file + "/sub/" + w.name)) << told;
        if (w.told != kTraceOnly) {
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
            const bool ok = Write(w, dir, told);
            _exit(!ok && (w.told == kTraceOnly || Contains(told, "File too large")) ? 0 : 1);
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
