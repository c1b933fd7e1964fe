#include "scm/Ksql.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "app/Trace.h"
#include "host/Host.h"
#include "process/CommandLine.h"
#include "process/Launcher.h"
#include "scm/LineReader.h"
#include "scm/ToolCommand.h"

namespace qv {

namespace {

constexpr int kSizeChecks = 1000;

bool WriteWhole(const std::string& path, const std::string& text, int& err) {
    // The statement names the user's projects and items: for the user alone.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        err = errno;
        return false;
    }
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            err = n < 0 ? errno : EIO;
            close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0) {
        err = errno;
        return false;
    }
    return true;
}

int RunOnce(KsqlContext& ctx, const std::string& statement, int timeLimitSeconds, bool mayRepeat) {
    const std::string stmtFile = KsqlStatementPath(ctx.installDir);
    const std::string resultFile = KsqlResultPath(ctx.installDir);
    unlink(stmtFile.c_str());
    unlink(resultFile.c_str());

    int err = 0;
    if (!WriteWhole(stmtFile, statement, err)) {
        std::string text = "Error: Unable to write " + stmtFile + ": " + std::strerror(err);
        WriteTrace("%s", text.c_str());
        if (ctx.host) ctx.host->MessageBox(MsgKind::Error, text);
        return kKsqlStatementUnwritten;
    }

    if (ctx.ksqlFmt.empty()) ctx.ksqlFmt = kDefaultKsqlFmt;
    // The password goes to the tool in its environment; the command line, traced as it is run,
    // has none.
    const std::string command = FillToolCommand(
        ctx.ksqlFmt, {ctx.broker, ctx.userId, ctx.password, stmtFile, resultFile}, 2);
    WriteTrace("%s", command.c_str());
    const ChildVariableScope password(kToolPasswordVariable, ctx.password);

    int timeLimitMs = -1;
    if (timeLimitSeconds >= 0) {
        long long ms = static_cast<long long>(timeLimitSeconds) * 1000;
        timeLimitMs = ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
    }
    int pid = 0;
    int r = RunAndWait(command, "RunKSQL", 0, timeLimitMs, pid, ctx.host);
    if (r < 0) {
        if (ctx.host) {
            ctx.host->MessageBox(MsgKind::Plain, "Error: Execute RUNSQL Failed using " + stmtFile);
        }
        return 0;
    }
    // Ends a tool that outlived its time limit; one that has ended is only released.
    KillProcess(pid, ctx.host);

    err = 0;
    if (FileSize(resultFile, err) > 0) return 1;
    // Another process holding the file open does not keep it from being read here, so the
    // in-use case needs no test of its own.
    for (int i = 0; i < kSizeChecks; ++i) {
        err = 0;
        if (FileSize(resultFile, err) > 0) return 1;
    }
    if (!mayRepeat) return 0;
    // The repeat keeps the caller's time limit: a tool that hung once may hang again.
    const int again = RunOnce(ctx, statement, timeLimitSeconds, false);
    if (again != kKsqlFailed) return again;
    WriteTrace("Error: %s returned zero results.", resultFile.c_str());
    return 0;
}

void ShowUnableToRead(Host& host, const std::string& path) {
    host.MessageBox(MsgKind::Plain, "Unable to read: " + path);
}

}  // namespace

std::string KsqlStatementPath(const std::string& installDir) {
    return installDir + "/ksqlstmt.sql";
}

std::string KsqlResultPath(const std::string& installDir) {
    return installDir + "/ksqlstmt.dat";
}

int RunKsql(KsqlContext& context, const std::string& statement, int timeLimitSeconds) {
    return RunOnce(context, statement, timeLimitSeconds, true);
}

FirstValue ReadFirstValue(const std::string& installDir, Host& host) {
    const std::string path = KsqlResultPath(installDir);
    LineReader reader(path, kResultReadSize);
    if (!reader.IsOpen()) {
        ShowUnableToRead(host, path);
        return {};
    }
    long count = 0;
    ToolLines tool;
    std::string line;
    while (reader.Next(line)) {
        ++count;
        if (tool.Next(line) != ToolLines::kRow) return {true, line};
        if (count == 1 || line.empty()) continue;  // the header, blank lines
        return {true, line};
    }
    if (reader.Failed()) {
        ShowUnableToRead(host, path);
        return {};
    }
    FirstValue none;
    if (count == 0) none.value = "Error: Unable to fetch data from ksqlstmt.dat";
    return none;
}

std::vector<std::string> ReadValues(const std::string& installDir, Host& host) {
    const std::string path = KsqlResultPath(installDir);
    LineReader reader(path, kResultReadSize);
    if (!reader.IsOpen()) {
        ShowUnableToRead(host, path);
        return {};
    }
    std::vector<std::string> values;
    long count = 0;
    ToolLines tool;
    std::string line;
    while (reader.Next(line)) {
        ++count;
        if (tool.Next(line) != ToolLines::kRow) return {};
        if (count == 1 || line.empty()) continue;
        values.push_back(line);
    }
    if (reader.Failed()) {
        ShowUnableToRead(host, path);
        return {};
    }
    return values;
}

}  // namespace qv
