// cpm-analyze: the desktop program's analysis for scripts and pipelines.
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AtomicFile.h"
#include "app/FileModes.h"
#include "app/SharedRepository.h"
#include "app/Trace.h"
#include "cli/Batch.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Password.h"
#include "cli/WorkDir.h"
#include "report/Reports.h"

namespace {

using namespace qv::cli;

void Say(const std::string& line) {
    const std::string text = std::string(kProgram) + ": " + line + "\n";
    std::fputs(text.c_str(), stderr);
}

// The files a run leaves in a temporary work directory, for the removal on a signal (where only
// the simplest calls may be made).
constexpr const char* kWorkFiles[] = {"ksqlstmt.sql",    "ksqlstmt.dat", "ksqlstmt.lock",
                                      "tgtpkgdata.save", "kco.log",      "toplist.save"};
constexpr size_t kMaxPath = 4096;
char g_removeFiles[std::size(kWorkFiles)][kMaxPath];
char g_removeDir[kMaxPath];

extern "C" void RemoveWorkDirAndDie(int sig) {
    // A query tool that is running may still write its result file: try again for a while.
    for (int attempt = 0; g_removeDir[0] && attempt < 100; ++attempt) {
        for (const auto& file : g_removeFiles) unlink(file);
        if (rmdir(g_removeDir) == 0 || errno == ENOENT) break;
        const timespec pause{0, 20 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

void RemoveOnSignal(const WorkDir& dir) {
    if (!dir.temporary() || dir.path().size() + 32 > kMaxPath) return;
    for (size_t i = 0; i < std::size(kWorkFiles); ++i)
        std::snprintf(g_removeFiles[i], kMaxPath, "%s/%s", dir.path().c_str(), kWorkFiles[i]);
    std::snprintf(g_removeDir, kMaxPath, "%s", dir.path().c_str());
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, RemoveWorkDirAndDie);
}

// Set when the trace could not be written: a run that was asked for a trace and did not leave it
// whole did not do what it was asked.
bool g_traceFailed = false;

void TraceFailed(const std::string& file, int err) {
    g_traceFailed = true;
    Say("cannot write the trace file " + file + ": " + std::strerror(err));
}

// One line on standard error that is rewritten in place, at most ten times a second.
class ProgressLine {
public:
    void Show(const std::string& text) {
        const auto now = std::chrono::steady_clock::now();
        if (text.empty() || now - last_ < std::chrono::milliseconds(100)) {
            pending_ = text.empty() ? pending_ : text;
            return;
        }
        last_ = now;
        Write(text);
    }
    void Finish() {
        if (!pending_.empty()) Write(pending_);
        if (width_ > 0) std::fputc('\n', stderr);
    }

private:
    void Write(const std::string& text) {
        std::string line = "\r" + text;
        if (text.size() < width_) line.append(width_ - text.size(), ' ');
        width_ = text.size();
        pending_.clear();
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
    }
    std::chrono::steady_clock::time_point last_{};
    std::string pending_;
    size_t width_ = 0;
};

// The context of the reports: what the options name, and when and by what the report was made.
qv::ReportContext ContextOf(const BatchOptions& o) {
    qv::ReportContext c;
    c.broker = o.broker;
    c.user = o.user;
    c.srcProject = o.srcProject;
    c.srcState = o.srcState;
    c.packages = o.packages;
    c.tgtProject = o.tgtProject;
    c.tgtState = o.tgtState;
    c.tgtPackage = o.tgtPackage;
    c.mergeOption = o.mergeOption;
    c.placement = o.placement;
    c.made = qv::ReportTimeNow();
    std::string version = VersionText();
    while (!version.empty() && version.back() == '\n') version.pop_back();
    c.madeBy = version;
    return c;
}

int Run(const BatchOptions& options) {
    // The earlier prediction is read first: a run that cannot compare is not started.
    std::optional<qv::ResultTable> earlier;
    if (!options.compareFile.empty()) {
        std::string error;
        earlier = qv::ReadEarlierResult(options.compareFile, error);
        if (!earlier) {
            Say(error);
            return kExitFailed;
        }
    }
    const PasswordResult password = ReadPassword(options.passwordFile);
    if (!password.ok) {
        Say(password.error);
        return kExitUsage;
    }
    std::string error;
    std::unique_ptr<WorkDir> workDir = WorkDir::Open(options.workDir, error);
    if (!workDir) {
        Say(error);
        return kExitFailed;
    }
    RemoveOnSignal(*workDir);

    BatchHost host;
    host.onMessage = Say;
    const bool showProgress = options.progress == Progress::On ||
                              (options.progress == Progress::Auto && isatty(STDERR_FILENO));
    ProgressLine progressLine;
    ProgressFn progress;
    if (showProgress) progress = [&](const std::string& text) { progressLine.Show(text); };

    const BatchResult result =
        RunBatch(options, password.password, workDir->path(), host, progress);
    if (showProgress) progressLine.Finish();
    workDir.reset();
    if (!result.ok || g_traceFailed) return kExitFailed;

    // The conflicts alone are a copy; the whole table is shown as it is.
    std::optional<ResultTable> conflicts;
    if (options.conflictsOnly) conflicts = ConflictRows(result.table);
    const ResultTable& shown = conflicts ? *conflicts : result.table;
    const qv::ReportContext context = ContextOf(options);
    std::optional<qv::Changes> changes;
    if (earlier) {
        changes = qv::CompareResults(*earlier, result.table);
        changes->oldFile = options.compareFile;
    }
    OutputExtras extras;
    extras.why = options.why;
    extras.context = &context;
    extras.changes = changes ? &*changes : nullptr;
    const std::string text = FormatTable(shown, options.format, extras);
    // The list format is the desktop program's file: the changes are told beside it.
    if (changes && options.format == Format::List) {
        std::string line =
            std::to_string(changes->rows.size()) + " changes since " + options.compareFile + ":";
        for (int k = 0; k < static_cast<int>(qv::ChangeKind::Count); ++k)
            line += std::string(k ? ", " : " ") +
                    qv::ChangeKindName(static_cast<qv::ChangeKind>(k)) + " " +
                    std::to_string(changes->Count(static_cast<qv::ChangeKind>(k)));
        Say(line);
    }
    if (!options.output.empty()) {
        // The rows name the target project's items: a new file is the user's alone unless the
        // repository is shared with a group; a file that is there keeps the mode it has.
        const unsigned mode = qv::CreationMode(0666, qv::BrokerSharedWithGroup(options.broker));
        if (!qv::WriteFileAtomically(options.output, text,
                                     qv::ExistingFileMode(options.output, mode))) {
            Say("cannot write " + options.output + ": " + std::strerror(errno));
            return kExitFailed;
        }
    } else if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
               std::fflush(stdout) != 0) {
        Say(std::string("cannot write the result: ") + std::strerror(errno));
        return kExitFailed;
    }
    return HasConflict(result.table) ? kExitConflict : kExitClean;
}

}  // namespace

int main(int argc, char** argv) {
    // Past a file size limit (ulimit -f) a write fails with EFBIG and is reported like any other
    // failed write, instead of the signal ending the run and leaving the work directory behind.
    // The tools the run starts inherit this and report their own failed writes.
    signal(SIGXFSZ, SIG_IGN);
    qv::SetTraceFailureHandler(TraceFailed);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParseResult parsed = ParseOptions(args);
    switch (parsed.action) {
        case ParseAction::Help:
            std::fputs(HelpText().c_str(), stdout);
            return kExitClean;
        case ParseAction::Version:
            std::fputs(VersionText().c_str(), stdout);
            return kExitClean;
        case ParseAction::UsageError:
            Say(parsed.error);
            Say(std::string("see '") + kProgram + " --help'");
            return kExitUsage;
        case ParseAction::Run:
            break;
    }
    return Run(parsed.options);
}
