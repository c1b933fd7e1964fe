#include "scm/Repository.h"

#include "host/Host.h"
#include "scm/LineReader.h"

namespace qv {

KsqlRepository::~KsqlRepository() {
    UnlockInstallDir();
}

int KsqlRepository::Run(const std::string& statement) {
    if (!LockInstallDir(context_.installDir, context_.host, lockWaitMs_)) {
        return kKsqlStatementUnwritten;
    }
    const int run = RunKsql(context_, statement, timeLimitSeconds_);
    // Without a result there is nothing to read.
    if (run != kKsqlOk) UnlockInstallDir();
    return run;
}

FirstValue KsqlRepository::First() {
    FirstValue first = ReadFirstValue(context_.installDir, *context_.host);
    UnlockInstallDir();
    return first;
}

std::vector<std::string> KsqlRepository::Values() {
    std::vector<std::string> values = ReadValues(context_.installDir, *context_.host);
    UnlockInstallDir();
    return values;
}

ResultLines KsqlRepository::Lines(size_t readSize) {
    ResultLines lines = ReadResultLines(ResultPath(), readSize);
    UnlockInstallDir();
    return lines;
}

std::string KsqlRepository::ResultPath() const {
    return KsqlResultPath(context_.installDir);
}

ResultLines ReadResultLines(const std::string& path, size_t readSize) {
    ResultLines result;
    LineReader reader(path, readSize);
    if (!reader.IsOpen()) return result;
    std::string line;
    while (reader.Next(line)) result.lines.push_back(line);
    result.readable = !reader.Failed();
    if (!result.readable) result.lines.clear();
    return result;
}

std::string FailedRunsMessage(int failed, const char* during) {
    return std::to_string(failed) +
           (failed == 1 ? " repository statement" : " repository statements") + " failed during " +
           during +
           ": the query tool left no result.\nThe outcomes of the affected rows are not reliable; "
           "run it again when the repository answers.";
}

}  // namespace qv
